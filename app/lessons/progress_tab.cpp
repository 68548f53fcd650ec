#include "app/lessons/progress_tab.h"

#include <QAccessible>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QLabel>
#include <QLineSeries>
#include <QScatterSeries>
#include <QStringList>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "app/lessons/copy_result_text.h"
#include "history/history_store.h"
#include "lessons/course.h"

namespace dovrik {
namespace {

constexpr int64_t kMsPerDay = 24LL * 60 * 60 * 1000;
constexpr size_t kCharactersInWords = 8;  // the weakest ones named in the description
constexpr size_t kCharactersDrawn = 20;

QString UtcDate(int64_t timeUtcMs) {
  return QDateTime::fromMSecsSinceEpoch(timeUtcMs, Qt::UTC).toString(QStringLiteral("yyyy-MM-dd"));
}

QChartView* MakeChartView(const QString& name, QWidget* parent) {
  auto* view = new QChartView(new QChart, parent);
  view->setRenderHint(QPainter::Antialiasing);
  view->setAccessibleName(name);
  view->setFocusPolicy(Qt::StrongFocus);  // so a screen reader can reach its description
  view->setMinimumHeight(170);
  view->chart()->legend()->setAlignment(Qt::AlignBottom);
  return view;
}

void Describe(QChartView* view, const QString& text) {
  if (view->accessibleDescription() == text) return;
  view->setAccessibleDescription(text);
  QAccessibleEvent described(view, QAccessible::DescriptionChanged);
  QAccessible::updateAccessibility(&described);
}

void ClearChart(QChart* chart) {
  chart->removeAllSeries();
  for (QAbstractAxis* axis : chart->axes()) {
    chart->removeAxis(axis);
    delete axis;
  }
}

}  // namespace

QString ScoreChartText(const ProgressSummary& summary) {
  if (summary.scores.empty()) return QStringLiteral("No attempts yet.");
  int passes = 0;
  double best = 0;
  for (const ScorePoint& point : summary.scores) {
    if (point.score >= 0.9) ++passes;
    best = std::max(best, point.score);
  }
  const ScorePoint& last = summary.scores.back();
  return QStringLiteral(
             "%1 attempts from %2 to %3; %4 at 90 % or more. Best %5 %, latest %6 % "
             "on %7.")
      .arg(summary.scores.size())
      .arg(UtcDate(summary.scores.front().timeUtcMs), UtcDate(last.timeUtcMs))
      .arg(passes)
      .arg(WholePercent(best))
      .arg(WholePercent(last.score))
      .arg(UtcDate(last.timeUtcMs));
}

QString LessonChartText(const ProgressSummary& summary) {
  if (summary.days.empty()) return QStringLiteral("Lesson 1; no lesson passed yet.");
  QStringList days;
  for (const DayLesson& day : summary.days) {
    days << QStringLiteral("%1 lesson %2").arg(UtcDate(day.day * kMsPerDay)).arg(day.lesson);
  }
  return QStringLiteral("Lesson %1 reached. By day: %2.")
      .arg(summary.days.back().lesson)
      .arg(days.join(QStringLiteral(", ")));
}

QString CharacterChartText(const ProgressSummary& summary) {
  if (summary.characters.empty()) return QStringLiteral("No characters copied yet.");
  QStringList parts;
  for (size_t index = 0; index < std::min(kCharactersInWords, summary.characters.size()); ++index) {
    const CharacterAccuracy& character = summary.characters[index];
    QString part = QStringLiteral("%1 %2 % of %3")
                       .arg(QString::fromStdString(character.character))
                       .arg(WholePercent(character.accuracy))
                       .arg(character.sent);
    if (!character.confusions.empty()) {
      part += QStringLiteral(" (mostly copied as %1)")
                  .arg(QString::fromStdString(character.confusions.front().typed));
    }
    parts << part;
  }
  return QStringLiteral("Over the last %1 attempts, weakest first: %2.")
      .arg(summary.attemptsCounted)
      .arg(parts.join(QStringLiteral("; ")));
}

ProgressTab::ProgressTab(HistoryStore& history, QWidget* parent)
    : QWidget(parent), history_(history) {
  auto* layout = new QVBoxLayout(this);
  empty_ = new QLabel(this);
  empty_->setWordWrap(true);
  layout->addWidget(empty_);
  scores_ = MakeChartView(QStringLiteral("Scores"), this);
  lessons_ = MakeChartView(QStringLiteral("Lesson reached"), this);
  characters_ = MakeChartView(QStringLiteral("Character accuracy"), this);
  layout->addWidget(scores_, 1);
  layout->addWidget(lessons_, 1);
  layout->addWidget(characters_, 1);
  Refresh();
}

void ProgressTab::Refresh() {
  const ProgressSummary summary = SummariseProgress(history_.Attempts(), history_.CourseSteps());
  if (!history_.Usable()) {
    empty_->setText(QString::fromStdString(history_.Problem()));
  } else if (summary.scores.empty()) {
    empty_->setText(QStringLiteral("Your progress appears here once you have copied a lesson."));
  } else {
    empty_->clear();
  }
  empty_->setVisible(!empty_->text().isEmpty());
  DrawScores(summary);
  DrawLessons(summary);
  DrawCharacters(summary);
}

void ProgressTab::DrawScores(const ProgressSummary& summary) {
  QChart* chart = scores_->chart();
  ClearChart(chart);
  chart->setTitle(QStringLiteral("Score of each attempt"));
  auto* points = new QLineSeries;
  points->setName(QStringLiteral("Score %"));
  points->setPointsVisible(true);
  for (const ScorePoint& point : summary.scores) {
    points->append(static_cast<qreal>(point.timeUtcMs), point.score * 100.0);
  }
  const int64_t now = NowUtcMs();
  const qreal first = summary.scores.empty() ? now - kMsPerDay : summary.scores.front().timeUtcMs;
  qreal last = summary.scores.empty() ? now : summary.scores.back().timeUtcMs;
  if (last <= first) last = first + 60000;
  auto* pass = new QLineSeries;
  pass->setName(QStringLiteral("Pass mark 90 %"));
  QPen dashed(Qt::DashLine);
  dashed.setWidth(2);
  dashed.setColor(QColor(0x1b, 0x5e, 0x20));
  pass->setPen(dashed);
  pass->append(first, 90);
  pass->append(last, 90);
  chart->addSeries(points);
  chart->addSeries(pass);
  auto* time = new QDateTimeAxis;
  // Attempts within two days read by the clock, longer spans by the date.
  time->setFormat(last - first < 2.0 * kMsPerDay ? QStringLiteral("MMM d hh:mm")
                                                 : QStringLiteral("MMM d"));
  time->setTickCount(4);
  time->setRange(QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(first)),
                 QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(last)));
  auto* percent = new QValueAxis;
  percent->setRange(0, 100);
  percent->setTickCount(3);
  percent->setLabelFormat(QStringLiteral("%d %%"));
  chart->addAxis(time, Qt::AlignBottom);
  chart->addAxis(percent, Qt::AlignLeft);
  for (QAbstractSeries* series :
       {static_cast<QAbstractSeries*>(points), static_cast<QAbstractSeries*>(pass)}) {
    series->attachAxis(time);
    series->attachAxis(percent);
  }
  Describe(scores_, ScoreChartText(summary));
}

void ProgressTab::DrawLessons(const ProgressSummary& summary) {
  QChart* chart = lessons_->chart();
  ClearChart(chart);
  chart->setTitle(QStringLiteral("Lesson reached, by day"));
  auto* steps = new QLineSeries;
  steps->setName(QStringLiteral("Lesson"));
  steps->setPointsVisible(true);
  int highest = 1;
  for (const DayLesson& day : summary.days) {
    const qreal x = static_cast<qreal>(day.day * kMsPerDay);
    // A step: the lesson holds until the next day with a step.
    if (steps->count() > 0) steps->append(x, steps->at(steps->count() - 1).y());
    steps->append(x, day.lesson);
    highest = std::max(highest, day.lesson);
  }
  chart->addSeries(steps);
  // A day before the first and after the last, so that no point sits on an edge.
  const int64_t firstDay =
      (summary.days.empty() ? NowUtcMs() / kMsPerDay : summary.days.front().day) - 1;
  const int64_t lastDay = (summary.days.empty() ? firstDay + 1 : summary.days.back().day) + 1;
  auto* days = new QDateTimeAxis;
  days->setFormat(QStringLiteral("MMM d"));
  days->setTickCount(static_cast<int>(std::min<int64_t>(lastDay - firstDay + 1, 8)));
  days->setRange(QDateTime::fromMSecsSinceEpoch(firstDay * kMsPerDay, Qt::UTC),
                 QDateTime::fromMSecsSinceEpoch(lastDay * kMsPerDay, Qt::UTC));
  auto* lesson = new QValueAxis;
  lesson->setRange(0, std::min(kLastLesson, std::max(highest + 2, 5)));
  lesson->setTickType(QValueAxis::TicksDynamic);
  lesson->setTickAnchor(0);
  // Three or four labels fit the chart's height.
  lesson->setTickInterval(std::max(1, (static_cast<int>(lesson->max()) + 2) / 3));
  lesson->setLabelFormat(QStringLiteral("%d"));
  chart->addAxis(days, Qt::AlignBottom);
  chart->addAxis(lesson, Qt::AlignLeft);
  steps->attachAxis(days);
  steps->attachAxis(lesson);
  chart->legend()->hide();  // one series, named by the title
  Describe(lessons_, LessonChartText(summary));
}

void ProgressTab::DrawCharacters(const ProgressSummary& summary) {
  QChart* chart = characters_->chart();
  ClearChart(chart);
  chart->setTitle(QStringLiteral("Accuracy per character, last %1 attempts, weakest first")
                      .arg(summary.attemptsCounted));
  auto* accuracy = new QBarSet(QStringLiteral("Copied right %"));
  QStringList labels;
  for (size_t index = 0; index < std::min(kCharactersDrawn, summary.characters.size()); ++index) {
    const CharacterAccuracy& character = summary.characters[index];
    *accuracy << WholePercent(character.accuracy);  // as the words say it
    labels << QString::fromStdString(character.character);
  }
  auto* bars = new QBarSeries;
  bars->append(accuracy);
  bars->setLabelsVisible(true);
  bars->setLabelsFormat(QStringLiteral("@value"));
  chart->addSeries(bars);
  auto* characters = new QBarCategoryAxis;
  characters->append(labels.isEmpty() ? QStringList{QStringLiteral(" ")} : labels);
  auto* percent = new QValueAxis;
  percent->setRange(0, 100);
  percent->setTickCount(3);
  percent->setLabelFormat(QStringLiteral("%d %%"));
  chart->addAxis(characters, Qt::AlignBottom);
  chart->addAxis(percent, Qt::AlignLeft);
  bars->attachAxis(characters);
  bars->attachAxis(percent);
  chart->legend()->hide();
  Describe(characters_, CharacterChartText(summary));
}

}  // namespace dovrik
