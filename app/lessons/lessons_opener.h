#pragma once

#include <QObject>
#include <memory>
#include <string>

namespace dovrik {

class CopyExerciseBoard;
class HistoryStore;
class LessonsWindow;
class MainDialog;
class ThreadQueue;

// Makes the lessons window the first time it is asked for (with `--lessons`,
// Alt+L or the desktop file's Lessons action), so that a program that never
// opens it never touches the history or the lessons' settings. It is also
// where the worker's MSG_COPY_ENDED lands before the window exists; the
// reply is handed on to the window. UI thread.
class LessonsOpener : public QObject {
  Q_OBJECT
 public:
  LessonsOpener(MainDialog& mainDialog, ThreadQueue& worker, CopyExerciseBoard& board,
                QObject* parent = nullptr);
  ~LessonsOpener() override;

  // Makes the window if need be, shows it and brings it to the front.
  void Open();
  LessonsWindow* Window() const { return window_; }

 protected:
  bool event(QEvent* event) override;

 private:
  MainDialog& mainDialog_;
  ThreadQueue& worker_;
  CopyExerciseBoard& board_;
  std::unique_ptr<HistoryStore> history_;
  LessonsWindow* window_ = nullptr;  // made on the first Open; lives as long as the program
};

}  // namespace dovrik
