#pragma once

#include <QWidget>
#include <string>

#include "platform/dialog_controls.h"

class QTabWidget;

namespace dovrik {

class CopyExerciseBoard;
class CopyTab;
class HistoryStore;
class MainDialog;
class ProgressTab;
class ThreadQueue;

// The "Dovrik Lessons" window: the Copy, Send and Progress tabs. It shares
// the main dialog's worker and audio device, so one exercise plays at a time
// across both windows: while the main dialog's runs, the Copy tab's Start
// waits; while a copy attempt runs, the main dialog holds its Start, Key,
// About and Exit. Closing the window only hides it (a running attempt is
// stopped first). UI thread.
class LessonsWindow : public QWidget {
  Q_OBJECT
 public:
  LessonsWindow(MainDialog& mainDialog, ThreadQueue& worker, CopyExerciseBoard& board,
                HistoryStore& history, std::string settingsPath, QWidget* parent = nullptr);

  // Shows the window and brings it to the front.
  void Open();

  CopyTab* Copy() const { return copy_; }
  ProgressTab* Progress() const { return progress_; }
  QTabWidget* Tabs() const { return tabs_; }

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  MainDialog& mainDialog_;
  QTabWidget* tabs_ = nullptr;
  CopyTab* copy_ = nullptr;
  ProgressTab* progress_ = nullptr;
};

// The worker's replies, each to the window whose exercise it ends:
// MSG_COPY_ENDED to the lessons window, everything else to the main dialog,
// as WorkerReplyEvents. Any thread.
class ExerciseReplyPoster : public DialogPoster {
 public:
  ExerciseReplyPoster(QObject& mainDialog, QObject& lessonsWindow)
      : mainDialog_(mainDialog), lessonsWindow_(lessonsWindow) {}
  void PostToDialog(uint32_t message) override;

 private:
  QObject& mainDialog_;
  QObject& lessonsWindow_;
};

inline constexpr const char* kLessonsWindowTitle = "Dovrik Lessons";
inline constexpr const char* kSendTabText =
    "Sending practice is not here yet. This tab will listen to your keying and coach it, "
    "character by character. Until then, practise sending with Key in the main Dovrik window.";

}  // namespace dovrik
