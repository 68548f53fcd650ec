#include "app/main_dialog.h"

#include <QAccessible>
#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QScreen>
#include <QScrollBar>
#include <QShowEvent>
#include <algorithm>
#include <cstdio>

#include "app/about_box.h"
#include "app/accessibility.h"
#include "app/dialog_units.h"
#include "app/dialog_widgets.h"
#include "app/strip_chart_widget.h"
#include "app/window_messages.h"
#include "app/worker_reply_event.h"
#include "platform/messages.h"
#include "platform/thread_queue.h"

namespace dovrik {

MainDialog::MainDialog(ThreadQueue& worker, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      worker_(worker) {
  InstallAccessibleInterfaces();
  setWindowTitle(QString::fromLatin1(kMainDialogCaption));
  setFont(DialogFont());
  setFixedSize(DialogUnitsToPixels(kMainDialogWidthUnits, kMainDialogHeightUnits));
  CreateControls();
  if (const QScreen* display = screen()) {
    move(display->availableGeometry().center() - rect().center());
  }
}

void MainDialog::CreateControls() {
  QWidget* previousTabStop = nullptr;
  for (const ControlTemplate& control : MainDialogTemplate()) {
    const QString caption = QString::fromLatin1(control.caption);
    QWidget* widget = nullptr;
    bool tabStop = false;
    switch (control.kind) {
      case ControlKind::kScrollBar: {
        auto* bar = new DialogScrollBar(this);
        ConnectScrollBar(bar, control.id);
        widget = bar;
        tabStop = true;
        break;
      }
      case ControlKind::kCheckButton:
      case ControlKind::kCommandButton: {
        auto* button = new DialogButton(caption, this);
        button->setCheckable(control.kind == ControlKind::kCheckButton);
        const int id = control.id;
        connect(button, &QAbstractButton::clicked, this,
                [this, id] { MainDialogProc(WM_COMMAND, MakeWParam(id, BN_CLICKED), 0); });
        widget = button;
        tabStop = true;
        break;
      }
      case ControlKind::kOutputBox:
        outputBox_ = new OutputBox(this);
        outputBox_->installEventFilter(this);
        widget = outputBox_;
        break;
      case ControlKind::kValueLabel: {
        auto* label = new QLabel(caption, this);
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        widget = label;
        break;
      }
      case ControlKind::kGroupBox: {
        widget = new DialogGroupBox(caption, this);
        break;
      }
      case ControlKind::kStripChart:
        stripChart_ = new StripChartWidget(this);
        widget = stripChart_;
        break;
    }
    widget->setObjectName(QStringLiteral("control%1").arg(control.id));
    widget->setProperty(kControlIdProperty, control.id);
    widget->setGeometry(DialogUnitsToPixels(control.rect));
    if (!tabStop)
      widget->setFocusPolicy(control.kind == ControlKind::kOutputBox ? Qt::ClickFocus
                                                                     : Qt::NoFocus);
    if (tabStop) {
      if (previousTabStop) QWidget::setTabOrder(previousTabStop, widget);
      previousTabStop = widget;
    }
    controls_[control.id] = widget;
    templateOrder_.push_back(widget);
  }
  NameControlsForScreenReaders();
  // Earlier controls lie above later ones, so the frames of the group boxes,
  // which come last, stay behind the labels and scroll bars they frame.
  for (QWidget* widget : templateOrder_) {
    if (qobject_cast<QGroupBox*>(widget)) widget->lower();
  }
}

void MainDialog::NameControlsForScreenReaders() {
  // Each value label is followed in the template by the group box that
  // frames it and its scroll bar; the box's caption, less its colon, names
  // the bar, and the label's text is the bar's value.
  for (const ValueLabelRow& row : ValueLabelTable) {
    auto* bar = qobject_cast<DialogScrollBar*>(ScrollBar(row.scrollBarId));
    QLabel* label = Label(row.labelId);
    const auto labelAt = std::find(templateOrder_.begin(), templateOrder_.end(), label);
    if (!bar || labelAt == templateOrder_.end() || labelAt + 1 == templateOrder_.end()) continue;
    auto* box = qobject_cast<QGroupBox*>(*(labelAt + 1));
    if (!box) continue;
    QString name = box->title();
    if (name.endsWith(QLatin1Char(':'))) name.chop(1);
    bar->setAccessibleName(name);
    bar->SetValueLabel(label);
  }
  outputBox_->setAccessibleName(QString::fromLatin1(kOutputBoxName));
  // The box's own scroll bars, which no group box names.
  outputBox_->verticalScrollBar()->setAccessibleName(
      QString::fromLatin1(kOutputVerticalScrollBarName));
  outputBox_->horizontalScrollBar()->setAccessibleName(
      QString::fromLatin1(kOutputHorizontalScrollBarName));
  stripChart_->setAccessibleName(QString::fromLatin1(kStripChartName));
  stripChart_->setAccessibleDescription(QString::fromLatin1(kStripChartDescription));
}

void MainDialog::ConnectScrollBar(QScrollBar* bar, int id) {
  connect(bar, &QAbstractSlider::actionTriggered, this, [this, bar, id](int action) {
    uint16_t request = SB_ENDSCROLL;
    uint16_t track = 0;
    switch (action) {
      case QAbstractSlider::SliderSingleStepSub:
        request = SB_LINELEFT;
        break;
      case QAbstractSlider::SliderSingleStepAdd:
        request = SB_LINERIGHT;
        break;
      case QAbstractSlider::SliderPageStepSub:
        request = SB_PAGELEFT;
        break;
      case QAbstractSlider::SliderPageStepAdd:
        request = SB_PAGERIGHT;
        break;
      case QAbstractSlider::SliderToMinimum:
        request = SB_LEFT;
        break;
      case QAbstractSlider::SliderToMaximum:
        request = SB_RIGHT;
        break;
      case QAbstractSlider::SliderMove:
        request = SB_THUMBTRACK;
        track = static_cast<uint16_t>(bar->sliderPosition());
        break;
      default:
        return;
    }
    // The scroll bar has already moved its thumb; put it back and let the
    // dialog procedure decide where it goes. A locked scroll bar asks for
    // nothing: whatever triggered the action, it stays where it is.
    bar->setSliderPosition(bar->value());
    if (bar->isEnabled()) MainDialogProc(WM_HSCROLL, MakeWParam(request, track), id);
  });
  connect(static_cast<DialogScrollBar*>(bar), &DialogScrollBar::PositionRequested, this,
          [this, bar, id](int position) {
            if (!bar->isEnabled() || position < 0 || position > 0xFFFF) return;
            MainDialogProc(WM_HSCROLL,
                           MakeWParam(SB_THUMBPOSITION, static_cast<uint16_t>(position)), id);
          });
  connect(bar, &QAbstractSlider::sliderReleased, this, [this, bar, id] {
    if (!bar->isEnabled()) return;
    MainDialogProc(WM_HSCROLL, MakeWParam(SB_THUMBPOSITION, static_cast<uint16_t>(bar->value())),
                   id);
  });
}

bool MainDialog::MainDialogProc(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (aboutBox_) {
    // The gate. A worker reply is kept rather than lost: without it the
    // dialog could not return to idle, or the program could not end.
    if (message == MSG_EXERCISE_ENDED || message == MSG_APP_QUIT) heldReplies_.push_back(message);
    return false;
  }
  switch (message) {
    case WM_CLOSE:
      worker_.Post(MSG_STOP_EXERCISE);
      worker_.Post(MSG_WORKER_QUIT);
      return true;
    case WM_COMMAND:
      return OnCommand(wParam);
    case WM_HSCROLL:
      OnHorizontalScroll(wParam, static_cast<int>(lParam));
      return false;
    case MSG_APP_QUIT:
      emit QuitPosted(0);
      return true;
    case MSG_EXERCISE_ENDED:
      ExerciseEnded();
      return true;
    default:
      return false;
  }
}

bool MainDialog::OnCommand(uintptr_t wParam) {
  const uint16_t command = LowWord(wParam);
  const bool startsOrEnds = command == kStartButtonId || command == kKeyButtonId ||
                            command == kExitButtonId || command == kAboutButtonId;
  if (startsOrEnds && HeldForExerciseElsewhere()) return false;
  switch (command) {
    case kStartButtonId:
      if (exerciseRunning_ == 0) {
        StartExercise(MSG_START_SENDING);
      } else {
        StopExercise();
      }
      return false;
    case kKeyButtonId:
      if (exerciseRunning_ == 0) StartExercise(MSG_START_KEYING);
      return false;
    case kExitButtonId:
      if (exerciseRunning_ == 0) worker_.Post(MSG_WORKER_QUIT);
      return false;
    case kAboutButtonId:
      // Ignored during an exercise, like Exit and Key: the About box would
      // otherwise unlock the controls of a running exercise.
      if (exerciseRunning_ == 0) OpenAboutBox(*this);
      return false;
    case kOutputBoxId:
      if (HighWord(wParam) != EN_SETFOCUS) return false;
      if (QWidget* focus = QApplication::focusWidget()) focus->clearFocus();
      return true;
    case kTabCommandId:
      // Posted to the dialog itself, like WM_NEXTDLGCTL.
      QMetaObject::invokeMethod(this, &MainDialog::FocusNextTabStop, Qt::QueuedConnection);
      return true;
    default:
      return false;
  }
}

void MainDialog::StartExercise(uint32_t request) {
  exerciseRunning_ = 1;
  SetControlsEnabled(false);
  Button(kStartButtonId)->setText(QStringLiteral("&Stop"));
  worker_.Post(request);
  emit ExerciseRunningChanged(true);
}

void MainDialog::StopExercise() {
  SetControlDisabled(kStartButtonId, true);
  RepaintNow();
  worker_.Post(MSG_STOP_EXERCISE);
}

void MainDialog::ExerciseEnded() {
  exerciseRunning_ = 0;
  Button(kStartButtonId)->setText(QStringLiteral("&Start"));
  SetControlDisabled(kStartButtonId, false);
  SetControlsEnabled(true);
  emit ExerciseRunningChanged(false);
}

void MainDialog::HoldForExerciseElsewhere(const QString& why) {
  if (why == heldBecause_) return;
  heldBecause_ = why;
  const bool held = !why.isEmpty();
  // An open About box holds them itself, and gives them back when it closes.
  if (held || !aboutBox_) {
    for (const int id : {kStartButtonId, kKeyButtonId, kAboutButtonId, kExitButtonId}) {
      SetControlDisabled(id, held);
    }
  }
  for (const int id : {kStartButtonId, kKeyButtonId}) {
    QWidget* button = Control(id);
    button->setAccessibleDescription(why);
    QAccessibleEvent described(button, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&described);
  }
}

void MainDialog::OnHorizontalScroll(uintptr_t wParam, int scrollBarId) {
  QScrollBar* bar = ScrollBar(scrollBarId);
  if (!bar) return;
  bool move = true;
  int position = 0;
  switch (LowWord(wParam)) {
    case SB_LINELEFT:
      position = bar->value() - 1;
      break;
    case SB_LINERIGHT:
      position = bar->value() + 1;
      break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
      position = HighWord(wParam);
      break;
    default:
      move = false;  // page, end and end-of-scroll requests move nothing
  }
  if (move) bar->setValue(position);  // clamps into the range
  for (const ValueLabelRow& row : ValueLabelTable) {
    if (row.scrollBarId != scrollBarId) continue;
    const int value = bar->value();
    char text[32];
    if (row.tenths) {
      std::snprintf(text, sizeof text, row.format, value / 10, value % 10);
    } else {
      std::snprintf(text, sizeof text, row.format, value);
    }
    QLabel* label = Label(row.labelId);
    const QString shown = QString::fromLatin1(text);
    if (label->text() == shown) return;
    label->setText(shown);
    // The bar's accessible value is this text; the bar announced its new
    // position before the label had caught up.
    QAccessibleValueChangeEvent changed(bar, value);
    QAccessible::updateAccessibility(&changed);
    QAccessibleEvent descriptionChanged(bar, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&descriptionChanged);
    return;
  }
}

void MainDialog::SetControlDisabled(int id, bool disabled) {
  QWidget* widget = Control(id);
  if (!widget) return;
  // A control held by the mouse or the keyboard is let go first: once
  // disabled it gets no release, and a held scroll bar arrow would go on
  // stepping, a held button stay drawn pressed.
  if (disabled) {
    if (auto* bar = qobject_cast<DialogScrollBar*>(widget)) bar->LetGo();
    if (auto* button = qobject_cast<DialogButton*>(widget)) button->LetGo();
  }
  // The disabled bit alone: no enable notification, and the keyboard focus
  // stays where it is (QWidget::setEnabled would move it on).
  widget->setAttribute(Qt::WA_Disabled, disabled);
  widget->update();
}

void MainDialog::SetControlsEnabled(bool enable) {
  for (const int* id = LockableControls; *id != 0; ++id) SetControlDisabled(*id, !enable);
  RepaintNow();
}

void MainDialog::RepaintNow() {
  // The strip chart keeps no picture of its own: repainting every control
  // wipes its trace, at the start and the end of every exercise alike.
  stripChart_->Wipe();
  update();
  for (QWidget* widget : templateOrder_) widget->update();
  repaint();
}

bool MainDialog::IsTabStop(const QWidget* widget) const {
  return widget->focusPolicy() == Qt::StrongFocus && widget->isEnabled() && widget->isVisible();
}

void MainDialog::FocusNextTabStop() {
  if (aboutBox_) return;
  const int count = static_cast<int>(templateOrder_.size());
  int current = -1;
  if (QWidget* focus = QApplication::focusWidget()) {
    for (int index = 0; index < count; ++index) {
      if (templateOrder_[index] == focus) current = index;
    }
  }
  for (int step = 1; step <= count; ++step) {
    QWidget* candidate = templateOrder_[(current + step + count) % count];
    if (IsTabStop(candidate)) {
      candidate->setFocus(Qt::TabFocusReason);
      return;
    }
  }
}

void MainDialog::AboutBoxClosed() {
  aboutBox_ = nullptr;
  // The box gave back every control; those another window's exercise holds
  // stay held.
  if (HeldForExerciseElsewhere()) {
    for (const int id : {kStartButtonId, kKeyButtonId, kAboutButtonId, kExitButtonId}) {
      SetControlDisabled(id, true);
    }
  }
  std::vector<uint32_t> replies;
  replies.swap(heldReplies_);
  for (uint32_t reply : replies) MainDialogProc(reply, 0, 0);
}

int MainDialog::DisplayDepth() const {
  if (displayDepth_) return displayDepth_();
  const QScreen* display = screen();
  return display ? display->depth() : 32;
}

bool MainDialog::event(QEvent* event) {
  if (event->type() == WorkerReplyEvent::Type()) {
    MainDialogProc(static_cast<WorkerReplyEvent*>(event)->Message(), 0, 0);
    return true;
  }
  return QWidget::event(event);
}

bool MainDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == outputBox_ && event->type() == QEvent::FocusIn) {
    MainDialogProc(WM_COMMAND, MakeWParam(kOutputBoxId, EN_SETFOCUS), 0);
  }
  return QWidget::eventFilter(watched, event);
}

void MainDialog::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (shownBefore_ || event->spontaneous()) return;
  shownBefore_ = true;
  const auto first = std::find_if(templateOrder_.begin(), templateOrder_.end(),
                                  [this](const QWidget* widget) { return IsTabStop(widget); });
  if (first != templateOrder_.end()) (*first)->setFocus(Qt::ActiveWindowFocusReason);
  // A window manager activates a new window itself; on a bare X server
  // nothing would, and no control would have the focus.
  activateWindow();
}

void MainDialog::closeEvent(QCloseEvent* event) {
  // The window is never destroyed by a close request; the worker's reply
  // ends the program.
  event->ignore();
  MainDialogProc(WM_CLOSE, 0, 0);
}

QWidget* MainDialog::Control(int id) const {
  const auto found = controls_.find(id);
  return found == controls_.end() ? nullptr : found->second;
}

QScrollBar* MainDialog::ScrollBar(int id) const {
  return qobject_cast<QScrollBar*>(Control(id));
}

QAbstractButton* MainDialog::Button(int id) const {
  return qobject_cast<QAbstractButton*>(Control(id));
}

QLabel* MainDialog::Label(int id) const {
  return qobject_cast<QLabel*>(Control(id));
}

}  // namespace dovrik
