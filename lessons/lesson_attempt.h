#pragma once

#include <cstdint>
#include <vector>

#include "history/history_store.h"
#include "lessons/course.h"
#include "lessons/scoring.h"
#include "lessons/text_generator.h"

namespace dovrik {

// One scored attempt as the history keeps it: the exercise ("copy", "send"
// or "file"), the set, the speeds and minutes, both texts as normalised for
// scoring, the score, the per-character counts and the confusions.
Attempt MakeAttempt(const CopyScore& score, const CharacterSet& set, const char* exercise,
                    int charWpm, int effectiveWpm, double minutes, int64_t timeUtcMs);

// The per-character records of the last `lastAttempts` attempts (newest at
// the end of `attempts`), summed, for the text generator's weights.
std::vector<CharacterRecord> RecentRecords(const std::vector<Attempt>& attempts,
                                           int lastAttempts = 10);

}  // namespace dovrik
