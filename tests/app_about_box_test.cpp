// The About box: template by colour depth, the picture filling its control,
// the main dialog locked while it is open, three ways to close it, and
// worker replies that are kept while it is open.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QPainter>
#include <QSignalSpy>
#include <memory>

#include "app/about_box.h"
#include "app/accelerator_filter.h"
#include "app/dialog_units.h"
#include "platform/messages.h"
#include "tests/app_test_support.h"

namespace dovrik {
namespace {

using testing::DrainRequests;

class AboutBoxTest : public ::testing::Test {
 protected:
  AboutBoxTest() : filter_(std::make_unique<AcceleratorFilter>(*shown_.dialog, nullptr)) {
    qApp->installEventFilter(filter_.get());
    Dialog().SetDisplayDepthSource([this] { return depth_; });
    // A picture whose four quadrants are told apart by colour.
    QPixmap picture(300, 300);
    picture.fill(Qt::red);
    QPainter painter(&picture);
    painter.fillRect(0, 0, 150, 150, Qt::blue);
    painter.fillRect(150, 150, 150, 150, Qt::green);
    painter.end();
    Dialog().SetAboutPicture(picture);
  }
  ~AboutBoxTest() override { qApp->removeEventFilter(filter_.get()); }

  MainDialog& Dialog() { return *shown_.dialog; }
  void Type(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(target, key, modifiers);
    QCoreApplication::processEvents();
  }
  AboutBox* OpenWithAltA() {
    Type(&Dialog(), Qt::Key_A, Qt::AltModifier);
    return Dialog().CurrentAboutBox();
  }
  int EnabledCount() {
    int count = 0;
    for (const int* id = LockableControls; *id != 0; ++id) {
      count += Dialog().Control(*id)->isEnabled();
    }
    return count;
  }
  void ExpectUnlocked() {
    EXPECT_EQ(Dialog().CurrentAboutBox(), nullptr);
    EXPECT_EQ(EnabledCount(), 74);
    EXPECT_TRUE(Dialog().Control(kStartButtonId)->isEnabled());
    EXPECT_TRUE(Dialog().Control(kExitButtonId)->isEnabled());
  }

  testing::ShownDialog shown_;
  int depth_ = 32;
  std::unique_ptr<AcceleratorFilter> filter_;
};

TEST_F(AboutBoxTest, LocksEverythingButTheOutputBoxAndTheStripChart) {
  AboutBox* box = OpenWithAltA();
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(box->isVisible());
  EXPECT_EQ(box->parentWidget(), &Dialog());  // owned by the main dialog
  EXPECT_EQ(box->windowTitle(), "Dovrik");
  EXPECT_EQ(EnabledCount(), 0);
  EXPECT_FALSE(Dialog().Control(kStartButtonId)->isEnabled());
  EXPECT_FALSE(Dialog().Control(kExitButtonId)->isEnabled());
  EXPECT_TRUE(Dialog().Control(kOutputBoxId)->isEnabled());
  EXPECT_TRUE(Dialog().Control(kStripChartId)->isEnabled());
}

TEST_F(AboutBoxTest, ShowsTheVersionAndBothDisclaimers) {
  AboutBox* box = OpenWithAltA();
  ASSERT_NE(box, nullptr);
  const QString credit = box->findChild<QLabel*>("credit")->text();
  EXPECT_TRUE(credit.endsWith("\nDovrik version 1.52"));
  EXPECT_EQ(credit.count('\n'), 1);
  const QLabel* warranty = box->findChild<QLabel*>("warranty");
  EXPECT_TRUE(warranty->text().contains("\"AS IS\""));
  // One line: its whole text fits the width of its control.
  EXPECT_LE(warranty->fontMetrics().horizontalAdvance(warranty->text()), warranty->width());
  EXPECT_TRUE(box->findChild<QLabel*>("liability")->text().contains("responsib"));
}

TEST_F(AboutBoxTest, MainKeysAndTheMainCloseBoxDoNothingWhileItIsOpen) {
  AboutBox* box = OpenWithAltA();
  ASSERT_NE(box, nullptr);
  QSignalSpy quit(&Dialog(), &MainDialog::QuitPosted);
  for (QWidget* target : {static_cast<QWidget*>(&Dialog()), static_cast<QWidget*>(box)}) {
    for (Qt::Key key : {Qt::Key_A, Qt::Key_S, Qt::Key_K, Qt::Key_X}) {
      Type(target, key, Qt::AltModifier);
    }
    Type(target, Qt::Key_Tab);
  }
  Dialog().close();
  EXPECT_TRUE(DrainRequests(shown_.worker).empty());
  EXPECT_EQ(Dialog().CurrentAboutBox(), box);
  EXPECT_EQ(EnabledCount(), 0);
  // Enter and Esc do not close it either.
  Type(box, Qt::Key_Return);
  Type(box, Qt::Key_Escape);
  EXPECT_EQ(Dialog().CurrentAboutBox(), box);
  EXPECT_TRUE(box->isVisible());
}

enum class CloseBy { kAltC, kAltCInMainWindow, kCloseButton, kCloseBox };

class AboutBoxCloseTest : public AboutBoxTest, public ::testing::WithParamInterface<CloseBy> {};

TEST_P(AboutBoxCloseTest, ClosingUnlocksTheMainDialog) {
  AboutBox* box = OpenWithAltA();
  ASSERT_NE(box, nullptr);
  switch (GetParam()) {
    case CloseBy::kAltC:
      Type(box, Qt::Key_C, Qt::AltModifier);
      break;
    case CloseBy::kAltCInMainWindow:
      Type(&Dialog(), Qt::Key_C, Qt::AltModifier);
      break;
    case CloseBy::kCloseButton:
      QTest::mouseClick(box->findChild<QAbstractButton*>("control1039"), Qt::LeftButton);
      break;
    case CloseBy::kCloseBox:
      box->close();
      break;
  }
  ExpectUnlocked();
  // The main window reacts to its keys again.
  Type(&Dialog(), Qt::Key_S, Qt::AltModifier);
  EXPECT_EQ(DrainRequests(shown_.worker), (std::vector<uint32_t>{MSG_START_SENDING}));
}

INSTANTIATE_TEST_SUITE_P(ThreeWays, AboutBoxCloseTest,
                         ::testing::Values(CloseBy::kAltC, CloseBy::kAltCInMainWindow,
                                           CloseBy::kCloseButton, CloseBy::kCloseBox));

TEST_F(AboutBoxTest, AltCDoesNothingWithoutAnAboutBox) {
  Type(&Dialog(), Qt::Key_C, Qt::AltModifier);
  EXPECT_TRUE(DrainRequests(shown_.worker).empty());
  ExpectUnlocked();
}

TEST_F(AboutBoxTest, EachOpeningChoosesItsTemplateFromTheColourDepth) {
  AboutBox* box = OpenWithAltA();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->Layout(), AboutBox::Template::kWithPicture);
  EXPECT_EQ(box->size(), QSize(303, 436));  // 202 x 268 units
  ASSERT_NE(box->findChild<AboutPicture*>(), nullptr);
  box->close();

  depth_ = 8;  // a palette display of 256 colours
  box = OpenWithAltA();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->Layout(), AboutBox::Template::kTextOnly);
  EXPECT_EQ(box->size(), QSize(303, 124));  // 202 x 76 units
  EXPECT_EQ(box->findChild<AboutPicture*>(), nullptr);
  // 166, 55, 29, 14 in units: 43.5 px wide rounds up like the main dialog's buttons.
  EXPECT_EQ(box->findChild<QAbstractButton*>("control1039")->geometry(), QRect(249, 89, 44, 23));
  box->close();
  ExpectUnlocked();
}

TEST_F(AboutBoxTest, ThePictureFillsItsControlsClientArea) {
  AboutBox* box = OpenWithAltA();
  ASSERT_NE(box, nullptr);
  AboutPicture* picture = box->findChild<AboutPicture*>();
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->geometry(), QRect(11, 11, 282, 306));  // 7, 7, 188, 188 units
  const QImage shot = picture->grab().toImage();
  const QRect client = picture->contentsRect();
  EXPECT_EQ(shot.pixelColor(client.topLeft()), QColor(Qt::blue));
  EXPECT_EQ(shot.pixelColor(client.bottomRight()), QColor(Qt::green));
  EXPECT_EQ(shot.pixelColor(client.right(), client.top()), QColor(Qt::red));
  EXPECT_EQ(shot.pixelColor(client.left(), client.bottom()), QColor(Qt::red));
  // The quadrants meet in the middle of the client area.
  const QPoint middle = client.center();
  EXPECT_EQ(shot.pixelColor(middle + QPoint(-2, -2)), QColor(Qt::blue));
  EXPECT_EQ(shot.pixelColor(middle + QPoint(3, 3)), QColor(Qt::green));
}

TEST_F(AboutBoxTest, AWorkerReplyWhileItIsOpenIsActedOnWhenItCloses) {
  QSignalSpy quit(&Dialog(), &MainDialog::QuitPosted);
  Type(&Dialog(), Qt::Key_X, Qt::AltModifier);  // Exit; the worker's reply is still to come
  AboutBox* box = OpenWithAltA();
  ASSERT_NE(box, nullptr);
  QtDialogPoster(Dialog()).PostToDialog(MSG_APP_QUIT);
  QCoreApplication::processEvents();
  EXPECT_EQ(quit.count(), 0);
  box->close();
  EXPECT_EQ(quit.count(), 1);
  EXPECT_EQ(DrainRequests(shown_.worker), (std::vector<uint32_t>{MSG_WORKER_QUIT}));
}

TEST_F(AboutBoxTest, CanBeOpenedAndClosedAgainAndAgain) {
  for (int round = 0; round < 3; ++round) {
    AboutBox* box = OpenWithAltA();
    ASSERT_NE(box, nullptr);
    Type(box, Qt::Key_C, Qt::AltModifier);
    ExpectUnlocked();
  }
}

}  // namespace
}  // namespace dovrik
