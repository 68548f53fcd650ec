#include "app/lessons/progress_summary.h"

#include <algorithm>
#include <map>

namespace dovrik {
namespace {

constexpr int64_t kMsPerDay = 24LL * 60 * 60 * 1000;

int64_t UtcDay(int64_t timeUtcMs) {
  // Rounded towards minus infinity, so a time before 1970 stays in its day.
  return timeUtcMs >= 0 ? timeUtcMs / kMsPerDay : -((-timeUtcMs + kMsPerDay - 1) / kMsPerDay);
}

}  // namespace

ProgressSummary SummariseProgress(const std::vector<Attempt>& attempts,
                                  const std::vector<CourseStep>& steps, int lastAttempts) {
  ProgressSummary summary;
  for (const Attempt& attempt : attempts) {
    summary.scores.push_back({attempt.timeUtcMs, attempt.score, attempt.lesson, attempt.exercise});
  }

  for (const CourseStep& step : steps) {
    const int64_t day = UtcDay(step.timeUtcMs);
    if (!summary.days.empty() && summary.days.back().day == day) {
      summary.days.back().lesson = step.lesson;  // the day's last step stands
    } else {
      summary.days.push_back({day, step.lesson});
    }
  }

  struct Tally {
    int sent = 0;
    int right = 0;
    std::map<std::string, int> typedAs;
  };
  std::map<std::string, Tally> tallies;
  const size_t counted = std::min(attempts.size(), static_cast<size_t>(std::max(lastAttempts, 0)));
  summary.attemptsCounted = static_cast<int>(counted);
  for (size_t index = attempts.size() - counted; index < attempts.size(); ++index) {
    for (const CharCount& count : attempts[index].perChar) {
      Tally& tally = tallies[count.character];
      tally.sent += count.sent;
      tally.right += count.right;
    }
    for (const Confusion& confusion : attempts[index].confusions) {
      tallies[confusion.sent].typedAs[confusion.typed] += confusion.count;
    }
  }
  for (const auto& [character, tally] : tallies) {
    if (tally.sent <= 0) continue;
    CharacterAccuracy accuracy{
        character, tally.sent, tally.right, static_cast<double>(tally.right) / tally.sent, {}};
    for (const auto& [typed, count] : tally.typedAs) {
      accuracy.confusions.push_back({character, typed, count});
    }
    std::stable_sort(accuracy.confusions.begin(), accuracy.confusions.end(),
                     [](const Confusion& a, const Confusion& b) { return a.count > b.count; });
    summary.characters.push_back(std::move(accuracy));
  }
  std::stable_sort(summary.characters.begin(), summary.characters.end(),
                   [](const CharacterAccuracy& a, const CharacterAccuracy& b) {
                     // right_a / sent_a < right_b / sent_b, exactly.
                     const int64_t left = static_cast<int64_t>(a.right) * b.sent;
                     const int64_t rightSide = static_cast<int64_t>(b.right) * a.sent;
                     if (left != rightSide) return left < rightSide;
                     return a.sent > b.sent;
                   });
  return summary;
}

}  // namespace dovrik
