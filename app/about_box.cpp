#include "app/about_box.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPainter>
#include <QScreen>

#include "app/accessibility.h"
#include "app/dialog_template.h"
#include "app/dialog_units.h"
#include "app/dialog_widgets.h"
#include "app/main_dialog.h"
#include "app/window_messages.h"

namespace dovrik {
namespace {

constexpr const char* kCreditText =
    "Morse practice for the radio amateur.\n"
    "Dovrik version 1.52";
constexpr const char* kWarrantyText = "This software is provided \"AS IS\", without any warranty.";
constexpr const char* kLiabilityText =
    "By using this product you accept full responsibility for any damage or loss "
    "that might come from its use or from the inability to use it. The developers "
    "of this software and its author cannot be held responsible.";

struct AboutLayout {
  DialogUnitRect size;  // width and height only
  DialogUnitRect close;
  DialogUnitRect credit;
  DialogUnitRect liability;
  DialogUnitRect warranty;
};

constexpr DialogUnitRect kPictureRect{7, 7, 188, 188};
constexpr AboutLayout kWithPicture{
    {0, 0, 202, 268}, {166, 247, 29, 14}, {7, 244, 154, 17}, {7, 209, 188, 34}, {7, 199, 188, 10}};
constexpr AboutLayout kTextOnly{
    {0, 0, 202, 76}, {166, 55, 29, 14}, {7, 52, 153, 17}, {7, 17, 188, 34}, {7, 7, 188, 10}};

QLabel* AddText(QWidget* parent, const char* text, const DialogUnitRect& rect) {
  auto* label = new QLabel(QString::fromLatin1(text), parent);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setWordWrap(true);
  label->setGeometry(DialogUnitsToPixels(rect));
  return label;
}

}  // namespace

AboutPicture::AboutPicture(const QPixmap& picture, QWidget* parent)
    : QFrame(parent), picture_(picture) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setLineWidth(2);
  setAccessibleName(QString::fromLatin1(kAboutPictureName));
  setAccessibleDescription(QString::fromLatin1(kAboutPictureDescription));
}

void AboutPicture::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  // The control paints its frame first; the picture then goes over the whole
  // client area, stretched in each direction on its own.
  QPainter painter(this);
  // On a scaled screen the picture is drawn over several device pixels per
  // picture pixel; filtering keeps its edges from turning into steps.
  if (devicePixelRatioF() > 1.0) painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawPixmap(contentsRect(), picture_, picture_.rect());
}

AboutBox::AboutBox(MainDialog& owner, Template layout)
    : QWidget(&owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      owner_(owner),
      layout_(layout) {
  setWindowTitle(QString::fromLatin1(kMainDialogCaption));
  setFont(DialogFont());
  const AboutLayout& rects = layout == Template::kWithPicture ? kWithPicture : kTextOnly;
  setFixedSize(DialogUnitsToPixels(rects.size.width, rects.size.height));

  // Template order: picture (102 only), Close, credit, liability, warranty.
  if (layout == Template::kWithPicture) {
    auto* picture = new AboutPicture(owner.AboutPicture(), this);
    picture->setObjectName(QStringLiteral("control%1").arg(kAboutPictureId));
    picture->setProperty(kControlIdProperty, kAboutPictureId);
    picture->setGeometry(DialogUnitsToPixels(kPictureRect));
  }
  auto* close = new DialogButton(QStringLiteral("&Close"), this);
  close->setObjectName(QStringLiteral("control%1").arg(kAboutCloseButtonId));
  close->setProperty(kControlIdProperty, kAboutCloseButtonId);
  close->setGeometry(DialogUnitsToPixels(rects.close));
  connect(close, &QAbstractButton::clicked, this,
          [this] { AboutDialogProc(WM_COMMAND, MakeWParam(kAboutCloseButtonId, BN_CLICKED), 0); });
  AddText(this, kCreditText, rects.credit)->setObjectName(QStringLiteral("credit"));
  AddText(this, kLiabilityText, rects.liability)->setObjectName(QStringLiteral("liability"));
  AddText(this, kWarrantyText, rects.warranty)->setObjectName(QStringLiteral("warranty"));

  if (const QScreen* display = owner.screen()) {
    move(display->availableGeometry().center() - rect().center());
  }
}

bool AboutBox::AboutDialogProc(uint32_t message, uintptr_t wParam, intptr_t) {
  if (message == WM_CLOSE) return CloseSteps();
  if (message == WM_COMMAND && LowWord(wParam) == kAboutCloseButtonId) return CloseSteps();
  return false;
}

bool AboutBox::CloseSteps() {
  if (closed_) return false;
  closed_ = true;
  hide();
  deleteLater();
  owner_.SetControlDisabled(kStartButtonId, false);
  owner_.SetControlDisabled(kExitButtonId, false);
  owner_.SetControlsEnabled(true);
  owner_.AboutBoxClosed();
  return true;
}

void AboutBox::closeEvent(QCloseEvent* event) {
  // The box hides itself in its close steps.
  event->ignore();
  AboutDialogProc(WM_CLOSE, 0, 0);
}

void OpenAboutBox(MainDialog& dialog) {
  const AboutBox::Template layout = AboutBox::ChooseTemplate(dialog.DisplayDepth());
  auto* box = new AboutBox(dialog, layout);
  dialog.SetAboutBox(box);
  dialog.SetControlDisabled(kStartButtonId, true);
  dialog.SetControlDisabled(kExitButtonId, true);
  dialog.SetControlsEnabled(false);
  box->show();
}

}  // namespace dovrik
