#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "lessons/course.h"
#include "lessons/farnsworth.h"
#include "lessons/lesson_settings.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

namespace dovrik {

class CopyExerciseBoard;
class HistoryStore;
class ThreadQueue;

// The Copy tab: a lesson and its settings, Start and Stop, the copy box the
// learner types into while the groups play, and the result of the attempt.
//
// Start makes the lesson's text here (seeded, weighted by the history),
// hands its sound to the worker through the board and posts MSG_START_COPY;
// the sent text stays hidden until the worker's MSG_COPY_ENDED reaches
// ExerciseEnded, which scores the copy, shows and announces the result,
// records the attempt and, on a pass, offers the next lesson. A history that
// cannot be written is said on the tab and the lessons go on. UI thread.
class CopyTab : public QWidget {
  Q_OBJECT
 public:
  CopyTab(ThreadQueue& worker, CopyExerciseBoard& board, HistoryStore& history,
          std::string settingsPath, QWidget* parent = nullptr);

  void Start();
  // Ends a running attempt early (Stop or Esc); what has played is scored.
  void Stop();
  // The worker's reply: the attempt has ended.
  void ExerciseEnded();
  // While the main dialog's exercise runs, `why` is not empty: Start is
  // disabled and says why in its accessible description.
  void SetHeldElsewhere(const QString& why);
  bool Running() const { return running_; }
  // Writes the settings shown to [lessons] of the settings file, keeping the
  // rest of it (done at each Start and when the window closes).
  void SaveSettings();

  // Test hooks: at most `groups` groups per attempt (0: as many as the
  // minutes hold), and a fixed seed in place of the clock's.
  void SetGroupLimitForTesting(int groups) { groupLimit_ = groups; }
  void SetSeedForTesting(uint32_t seed) { fixedSeed_ = seed; }

  QPushButton* StartButton() const { return start_; }
  QPushButton* StopButton() const { return stop_; }
  QPushButton* NextLessonButton() const { return nextLesson_; }
  QPlainTextEdit* CopyBox() const { return copyBox_; }
  QPlainTextEdit* ResultView() const { return result_; }
  QComboBox* LessonPicker() const { return lesson_; }
  QLabel* HistoryNotice() const { return historyNotice_; }
  // The text of the attempt under way or just ended, as it was sent.
  const std::string& SentText() const { return sent_; }

 signals:
  void RunningChanged(bool running);
  void AttemptRecorded();

 private:
  void BuildControls();
  void LoadSettings();
  LessonSettings SettingsFromControls() const;
  std::optional<CharacterSet> ChosenSet(QString* problem) const;
  void ShowRunning(bool running);
  void UpdateStartState();
  void ShowProblem(const QString& problem);
  void Announce(const QString& text);
  // The sent text cut after the last group that had begun to sound.
  std::string SentSoFar(int64_t playedSamples) const;
  void MoveToNextLesson();
  void ShowHistoryProblem(const std::string& problem);

  ThreadQueue& worker_;
  CopyExerciseBoard& board_;
  HistoryStore& history_;
  std::string settingsPath_;

  QComboBox* lesson_ = nullptr;
  QLineEdit* custom_ = nullptr;
  QSpinBox* charWpm_ = nullptr;
  QSpinBox* effectiveWpm_ = nullptr;
  QSpinBox* minutes_ = nullptr;
  QComboBox* groups_ = nullptr;
  QSpinBox* pitch_ = nullptr;
  QSpinBox* volume_ = nullptr;
  QSpinBox* attack_ = nullptr;
  QSpinBox* noise_ = nullptr;
  QSpinBox* jitter_ = nullptr;
  QPushButton* start_ = nullptr;
  QPushButton* stop_ = nullptr;
  QLabel* status_ = nullptr;
  QPlainTextEdit* copyBox_ = nullptr;
  QPlainTextEdit* result_ = nullptr;
  QPushButton* nextLesson_ = nullptr;
  QLabel* historyNotice_ = nullptr;
  std::vector<QWidget*> settingControls_;

  bool running_ = false;
  bool stopAsked_ = false;
  QString heldBecause_;
  int groupLimit_ = 0;
  std::optional<uint32_t> fixedSeed_;

  // The attempt under way.
  std::string sent_;
  CharacterSet set_;
  LessonSettings settings_;
  LessonTiming timing_;
  int64_t leadIn_ = 0;
  std::vector<int64_t> groupStarts_;  // sample of each group's first mark, lead-in counted
};

// The accessible description of a Start that waits for the main dialog.
inline constexpr const char* kHeldByMainDialog =
    "An exercise is running in the main Dovrik window; stop it there to start a lesson.";
// The main dialog's Start and Key while a copy exercise runs here.
inline constexpr const char* kHeldByLessons =
    "A copy exercise is running in the Dovrik Lessons window; stop it there first.";

}  // namespace dovrik
