#include "lessons/promotion.h"

namespace dovrik {

PromotionVerdict JudgeAttempt(const CopyScore& score, char newest) {
  PromotionVerdict verdict;
  const CopyScore::CharacterCount count = CountOf(score, newest);
  verdict.newestSent = count.sent;
  verdict.newestRight = count.right;
  // Compared in whole counts (errors * 10 <= sent length, right * 10 >=
  // sent * 9), so that exactly 90 % passes whatever the floating point says.
  verdict.scoreEnough =
      score.sentLength > 0 ? score.errors * 10 <= score.sentLength : score.score >= 1.0;
  verdict.newestEnough = count.sent > 0 && count.right * 10 >= count.sent * 9;
  verdict.passed = verdict.scoreEnough && verdict.newestEnough;
  return verdict;
}

}  // namespace dovrik
