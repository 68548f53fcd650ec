#pragma once

#include <QPixmap>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "app/dialog_template.h"

class QLabel;
class QScrollBar;
class QAbstractButton;

namespace dovrik {

class AboutBox;
class OutputBox;
class StripChartWidget;
class ThreadQueue;

// The program's main window, built from dialog template 101: ten sliders
// with value labels, the preamble and forty character check buttons, four
// command buttons, the output box and the strip chart. The controls are the
// settings; the dialog keeps no copy of them.
//
// UI thread only. Every user action and every worker reply ends up in
// MainDialogProc, the one place that decides what happens. Requests go to the
// worker through its ThreadQueue and are never waited for.
class MainDialog : public QWidget {
  Q_OBJECT
 public:
  explicit MainDialog(ThreadQueue& worker, QWidget* parent = nullptr);

  // The dialog procedure: WM_CLOSE, WM_COMMAND, WM_HSCROLL, MSG_APP_QUIT and
  // MSG_EXERCISE_ENDED. Returns whether the message was handled, as the
  // window system's dialog procedures do. While an About box is open it acts
  // on nothing; a worker reply that arrives then is kept and acted on as
  // soon as the box has closed.
  bool MainDialogProc(uint32_t message, uintptr_t wParam, intptr_t lParam);

  // Disables or enables the 74 LockableControls without moving the keyboard
  // focus, then repaints the dialog once.
  void SetControlsEnabled(bool enable);
  // Sets or clears one control's disabled state the same quiet way (the
  // Start and Exit buttons' own steps).
  void SetControlDisabled(int id, bool disabled);
  // Repaints the dialog and all its controls now; the strip chart's trace
  // is wiped.
  void RepaintNow();

  QWidget* Control(int id) const;
  QScrollBar* ScrollBar(int id) const;
  QAbstractButton* Button(int id) const;
  QLabel* Label(int id) const;
  OutputBox* Output() const { return outputBox_; }
  StripChartWidget* StripChart() const { return stripChart_; }
  // The controls in template order.
  const std::vector<QWidget*>& ControlsInTemplateOrder() const { return templateOrder_; }

  bool ExerciseRunning() const { return exerciseRunning_ != 0; }

  // One exercise plays at a time across Dovrik's windows. While another
  // window's exercise runs, `why` is not empty: Start, Key, About and Exit
  // are disabled and their commands ignored, and Start and Key say why in
  // their accessible descriptions. An empty `why` gives them back.
  void HoldForExerciseElsewhere(const QString& why);
  bool HeldForExerciseElsewhere() const { return !heldBecause_.isEmpty(); }

  // The About box, or null while none is open. AboutBox sets and clears it.
  AboutBox* CurrentAboutBox() const { return aboutBox_; }
  void SetAboutBox(AboutBox* box) { aboutBox_ = box; }
  // Called by the About box's close steps once the box is gone: the gate
  // opens and kept worker replies are acted on, in the order they came.
  void AboutBoxClosed();

  // The About picture (bitmap 108), loaded once at start-up.
  void SetAboutPicture(const QPixmap& picture) { aboutPicture_ = picture; }
  const QPixmap& AboutPicture() const { return aboutPicture_; }

  // Bits per pixel of the display the dialog is on; tests may replace it.
  int DisplayDepth() const;
  void SetDisplayDepthSource(std::function<int()> source) { displayDepth_ = std::move(source); }

 signals:
  // MSG_APP_QUIT: the message loop must end with this code (always 0).
  void QuitPosted(int exitCode);
  // The sending or keying exercise has started (true) or returned to idle.
  void ExerciseRunningChanged(bool running);

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  // The first show gives the focus to the first control in the Tab order
  // and activates the window, as a dialog does when it is created.
  void showEvent(QShowEvent* event) override;

 private:
  void CreateControls();
  void NameControlsForScreenReaders();
  void ConnectScrollBar(QScrollBar* bar, int id);
  bool OnCommand(uintptr_t wParam);
  void OnHorizontalScroll(uintptr_t wParam, int scrollBarId);
  void StartExercise(uint32_t request);
  void StopExercise();
  void ExerciseEnded();
  void FocusNextTabStop();
  bool IsTabStop(const QWidget* widget) const;

  ThreadQueue& worker_;
  std::map<int, QWidget*> controls_;
  std::vector<QWidget*> templateOrder_;
  OutputBox* outputBox_ = nullptr;
  StripChartWidget* stripChart_ = nullptr;
  int exerciseRunning_ = 0;
  bool shownBefore_ = false;
  AboutBox* aboutBox_ = nullptr;  // a child window; Qt deletes it with the dialog
  std::vector<uint32_t> heldReplies_;
  QPixmap aboutPicture_;
  std::function<int()> displayDepth_;
  QString heldBecause_;
};

// The property that carries each control's id (an int).
inline constexpr const char* kControlIdProperty = "controlId";

}  // namespace dovrik
