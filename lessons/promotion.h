#pragma once

#include "lessons/scoring.h"

namespace dovrik {

inline constexpr double kPassScore = 0.90;
inline constexpr double kPassNewestShare = 0.90;

// Whether an attempt earns the next lesson: a score of at least 90 % and the
// newest character copied right in at least 90 % of its occurrences. An
// attempt in which the newest character was never sent does not pass.
struct PromotionVerdict {
  bool passed = false;
  bool scoreEnough = false;
  bool newestEnough = false;
  int newestSent = 0;
  int newestRight = 0;
};

PromotionVerdict JudgeAttempt(const CopyScore& score, char newest);

}  // namespace dovrik
