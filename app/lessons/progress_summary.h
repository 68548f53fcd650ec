#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "history/history_store.h"

namespace dovrik {

// What the Progress tab draws, taken from the history. Pure; any thread.
struct ScorePoint {
  int64_t timeUtcMs = 0;
  double score = 0;  // 0 .. 1
  int lesson = 0;
  std::string exercise;
};

// The lesson reached at the end of one day (UTC days since 1970).
struct DayLesson {
  int64_t day = 0;
  int lesson = 1;
};

struct CharacterAccuracy {
  std::string character;
  int sent = 0;
  int right = 0;
  double accuracy = 0;                // right / sent
  std::vector<Confusion> confusions;  // what it was copied as, most often first
};

struct ProgressSummary {
  std::vector<ScorePoint> scores;  // every attempt, oldest first
  std::vector<DayLesson> days;     // one per day with a course step, oldest first
  // Over the last `lastAttempts` attempts, weakest first (ties: most sent
  // first, then by character).
  std::vector<CharacterAccuracy> characters;
  int attemptsCounted = 0;
};

inline constexpr int kProgressRecentAttempts = 10;

ProgressSummary SummariseProgress(const std::vector<Attempt>& attempts,
                                  const std::vector<CourseStep>& steps,
                                  int lastAttempts = kProgressRecentAttempts);

}  // namespace dovrik
