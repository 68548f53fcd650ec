#pragma once

#include <QString>

#include "lessons/course.h"
#include "lessons/promotion.h"
#include "lessons/scoring.h"

namespace dovrik {

// What the Result view shows after a copy attempt, as plain text that reads
// the same on screen and to a screen reader: the score and its errors, the
// two texts aligned with a marker line under them (so no error is marked by
// colour alone), what each marker means, and each character's result,
// weakest first.
QString CopyResultText(const CopyScore& score, const PromotionVerdict& verdict,
                       const CharacterSet& set);

// The one sentence a screen reader announces when the result appears:
// "Score 92 %, 3 errors. Passed: lesson 4 is open." and the like.
QString CopyResultAnnouncement(const CopyScore& score, const PromotionVerdict& verdict,
                               const CharacterSet& set);

// A score 0 .. 1 as a whole percentage, rounded down so that 89.6 % never
// reads as a pass mark of 90 %.
int WholePercent(double share);

}  // namespace dovrik
