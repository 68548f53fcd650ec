#pragma once

#include <QWidget>

#include "app/lessons/progress_summary.h"

class QChartView;
class QLabel;

namespace dovrik {

class HistoryStore;

// The Progress tab: three charts of the history (Qt Charts), each with the
// same figures in words for a screen reader in its accessible description:
// the score of each attempt over time with the 90 % pass line, the lesson
// reached over the days, and each character's accuracy over the last
// attempts, weakest first, with what it was mistaken for. UI thread.
class ProgressTab : public QWidget {
  Q_OBJECT
 public:
  explicit ProgressTab(HistoryStore& history, QWidget* parent = nullptr);

  // Reads the history again and redraws.
  void Refresh();

  QChartView* ScoreChart() const { return scores_; }
  QChartView* LessonChart() const { return lessons_; }
  QChartView* CharacterChart() const { return characters_; }

 private:
  void DrawScores(const ProgressSummary& summary);
  void DrawLessons(const ProgressSummary& summary);
  void DrawCharacters(const ProgressSummary& summary);

  HistoryStore& history_;
  QChartView* scores_ = nullptr;
  QChartView* lessons_ = nullptr;
  QChartView* characters_ = nullptr;
  QLabel* empty_ = nullptr;
};

// The words for each chart, as its accessible description says them.
QString ScoreChartText(const ProgressSummary& summary);
QString LessonChartText(const ProgressSummary& summary);
QString CharacterChartText(const ProgressSummary& summary);

}  // namespace dovrik
