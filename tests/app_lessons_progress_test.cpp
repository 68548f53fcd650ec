// What the lessons window says in words: the Progress tab's summary of the
// history and the Result view's text.
#include <gtest/gtest.h>

#include <QStringList>

#include "app/lessons/copy_result_text.h"
#include "app/lessons/progress_summary.h"
#include "app/lessons/progress_tab.h"

namespace dovrik {
namespace {

constexpr int64_t kDay = 24LL * 60 * 60 * 1000;

Attempt MadeAttempt(int64_t time, double score, std::vector<CharCount> perChar,
                    std::vector<Confusion> confusions = {}) {
  Attempt attempt;
  attempt.timeUtcMs = time;
  attempt.exercise = "copy";
  attempt.lesson = 2;
  attempt.score = score;
  attempt.perChar = std::move(perChar);
  attempt.confusions = std::move(confusions);
  return attempt;
}

TEST(ProgressSummary, CountsTheLastAttemptsWeakestFirstWithTheirConfusions) {
  std::vector<Attempt> attempts;
  // An old attempt in which U was never right: outside the last ten.
  attempts.push_back(MadeAttempt(0, 0.1, {{"U", 50, 0}}));
  for (int index = 1; index <= 10; ++index) {
    attempts.push_back(MadeAttempt(index * kDay, 0.9,
                                   {{"K", 10, 9}, {"M", 10, 7}, {"U", 3, 3}, {"R", 20, 14}},
                                   {{"M", "K", 2}, {"M", "R", 1}, {"R", "M", 6}}));
  }
  const ProgressSummary summary = SummariseProgress(attempts, {});
  EXPECT_EQ(summary.scores.size(), 11u);
  EXPECT_EQ(summary.attemptsCounted, 10);
  // M and R are both 70 %: R, sent more often, comes first; U (30 of 30) last.
  std::vector<std::string> order;
  for (const CharacterAccuracy& character : summary.characters)
    order.push_back(character.character);
  EXPECT_EQ(order, (std::vector<std::string>{"R", "M", "K", "U"}));
  EXPECT_EQ(summary.characters[1].sent, 100);
  EXPECT_EQ(summary.characters[1].right, 70);
  ASSERT_EQ(summary.characters[1].confusions.size(), 2u);
  EXPECT_EQ(summary.characters[1].confusions[0], (Confusion{"M", "K", 20}));
  EXPECT_EQ(summary.characters[3].sent, 30);  // the old attempt's 50 are not counted
  EXPECT_EQ(CharacterChartText(summary).toStdString(),
            "Over the last 10 attempts, weakest first: R 70 % of 200 (mostly copied as M); "
            "M 70 % of 100 (mostly copied as K); K 90 % of 100; U 100 % of 30.");
}

TEST(ProgressSummary, TheLessonOfADayIsItsLastStep) {
  const std::vector<CourseStep> steps = {
      {3 * kDay + 10, 2}, {3 * kDay + 20, 3}, {5 * kDay, 4}, {-1, 1}};
  const ProgressSummary summary = SummariseProgress({}, steps);
  ASSERT_EQ(summary.days.size(), 3u);
  EXPECT_EQ(summary.days[0].day, 3);
  EXPECT_EQ(summary.days[0].lesson, 3);
  EXPECT_EQ(summary.days[1].day, 5);
  EXPECT_EQ(summary.days[2].day, -1);  // a time before 1970 stays in its own day
  EXPECT_EQ(LessonChartText(SummariseProgress({}, {steps[0], steps[1], steps[2]})).toStdString(),
            "Lesson 4 reached. By day: 1970-01-04 lesson 3, 1970-01-06 lesson 4.");
  EXPECT_EQ(ScoreChartText(summary).toStdString(), "No attempts yet.");
}

CopyScore ScoreOf(double score, int errors, int sentLength) {
  CopyScore made;
  made.score = score;
  made.errors = errors;
  made.sentLength = sentLength;
  return made;
}

TEST(CopyResultText, TheScoreIsNeverRoundedUpToAPassAndTheVerdictSaysWhatIsMissing) {
  EXPECT_EQ(WholePercent(0.8999), 89);
  EXPECT_EQ(WholePercent(1.0 - 1.0 / 10.0), 90);
  EXPECT_EQ(WholePercent(27.0 / 30.0), 90);
  EXPECT_EQ(WholePercent(1.5), 100);

  const CharacterSet lesson4 = *LessonCharacterSet(4);  // K M U R E, newest E
  PromotionVerdict failed;
  failed.scoreEnough = true;
  EXPECT_EQ(CopyResultAnnouncement(ScoreOf(0.95, 2, 40), failed, lesson4).toStdString(),
            "Score 95 %, 2 errors. Not passed yet: a pass needs E copied right at least 9 "
            "times in 10.");
  PromotionVerdict passed{true, true, true, 9, 9};
  EXPECT_EQ(CopyResultAnnouncement(ScoreOf(0.975, 1, 40), passed, lesson4).toStdString(),
            "Score 97 %, 1 error. Passed: lesson 5 is open.");
  // The last lesson has no next one.
  EXPECT_EQ(
      CopyResultAnnouncement(ScoreOf(1, 0, 40), passed, *LessonCharacterSet(38)).toStdString(),
      "Score 100 %, 0 errors. Passed.");
}

TEST(CopyResultText, TheAlignedTextsHaveTheMarkerLineAndTheWeakestCharacterFirst) {
  const CharacterSet lesson1 = *LessonCharacterSet(1);
  // M mistaken for R once, and the last M missed.
  const CopyScore score = ScoreCopy("KMKMK MMKKM", "krkmk mmkk");
  const QStringList lines = CopyResultText(score, JudgeAttempt(score, 'M'), lesson1).split('\n');
  ASSERT_GE(lines.size(), 12);
  EXPECT_EQ(lines[4], QStringLiteral("Sent:   KMKMK MMKKM"));
  EXPECT_EQ(lines[5], QStringLiteral("Copied: KRKMK MMKK_"));
  EXPECT_EQ(lines[6], QStringLiteral("Errors:  x        -"));
  // M (3 of 5) comes before K (5 of 5), though K was sent first.
  EXPECT_EQ(lines[10], QStringLiteral("  M  3 of 5 right (60 %)"));
  EXPECT_EQ(lines[11], QStringLiteral("  K  5 of 5 right (100 %)"));
  EXPECT_TRUE(lines.contains(QStringLiteral("  M copied as R, 1 time")));
}

}  // namespace
}  // namespace dovrik
