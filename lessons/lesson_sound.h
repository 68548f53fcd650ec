#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "lessons/farnsworth.h"
#include "lessons/lesson_settings.h"
#include "sender/timed_synthesis.h"

namespace dovrik {

// The one-second lead-in before the first character (noise alone).
inline constexpr int32_t kLessonLeadIn = 22050;

// The marks and spaces of `text` at `timing`, after the lead-in: each
// character's elements with element spaces between them, a character space
// between the characters of a word, and a word space after each word (a run
// of spaces is one word break), so the spans take kLessonLeadIn +
// TextSamples(text) samples. Characters without a code are skipped.
std::vector<TimedSpan> LessonSpans(std::string_view text, const LessonTiming& timing);

// The tone of the settings at `timing`: pitch, noise, the attack ramp (at
// most a third of a dot) and the jitter (a percentage of the dot).
TimedTone LessonTone(const LessonSettings& settings, const LessonTiming& timing);

}  // namespace dovrik
