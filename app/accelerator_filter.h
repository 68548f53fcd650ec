#pragma once

#include <QObject>
#include <functional>

class QKeyEvent;

namespace dovrik {

class MainDialog;

// The message loop's accelerator step, as one application-wide event filter.
// It sees every key before any widget or shortcut does and turns exactly the
// keys of the two accelerator tables into commands:
//   main table, to MainDialogProc whatever the buttons' states:
//     Alt+A 1002, Alt+K 1038, Alt+S 1003, Tab (no modifier) 1034, Alt+X 1001;
//   About table, to the About box while one exists: Alt+C 1039.
// A letter is the key's Latin letter on any layout (keyboard_layout.h), so
// Alt and the physical S key start the exercise on a Russian layout too.
// Those keys are swallowed. Shift+Tab is swallowed too, so the toolkit's own
// focus chaining adds no key; every other key goes to the focused control.
// Alt+L, which neither table uses, opens the lessons window from the main
// dialog (when an opener is set) and is swallowed there.
// Left and Right Ctrl are the keyboard key: they report their states (for
// the straight key either one, for a keyer Left Ctrl the dit paddle and Right
// Ctrl the dah paddle) and do nothing else. Keys count only in the main dialog and the
// About box (not in a warning box). UI thread only.
class AcceleratorFilter : public QObject {
  Q_OBJECT
 public:
  // controlKeys receives the states of Left and Right Ctrl, held in an
  // active Dovrik window, each time one of them changes; both false when the
  // window loses activation. A Ctrl key whose side the platform does not
  // tell counts as Left Ctrl.
  using ControlKeys = std::function<void(bool left, bool right)>;
  AcceleratorFilter(MainDialog& dialog, ControlKeys controlKeys, QObject* parent = nullptr);

  // What Alt+L in the main dialog calls; UI thread.
  void SetLessonsOpener(std::function<void()> openLessons) { openLessons_ = std::move(openLessons); }
  // Whether a key is the lessons window's key, Alt+L on any layout.
  static bool IsLessonsKey(const QKeyEvent& key);

  // The main table's command for a key, or 0.
  static int MainCommandFor(const QKeyEvent& key);
  // The About table's command for a key, or 0.
  static int AboutCommandFor(const QKeyEvent& key);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool IsDovrikWindow(QObject* watched) const;
  bool OnStraightKey(const QKeyEvent& key, bool down);
  void ReleaseStraightKey();

  MainDialog& dialog_;
  ControlKeys controlKeys_;
  std::function<void()> openLessons_;
  bool leftControlDown_ = false;
  bool rightControlDown_ = false;
};

}  // namespace dovrik
