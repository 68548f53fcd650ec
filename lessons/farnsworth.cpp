#include "lessons/farnsworth.h"

#include <cmath>

#include "keyer/keyer_mode.h"
#include "lessons/course.h"
#include "platform/audio_format.h"

namespace dovrik {

namespace {

int32_t WholeSamples(double seconds) {
  return static_cast<int32_t>(std::llround(seconds * kSampleRate));
}

}  // namespace

std::optional<LessonTiming> FarnsworthTiming(int charWpm, int effectiveWpm, std::string* error) {
  if (charWpm < kLowestWpm || charWpm > kHighestWpm) {
    if (error) *error = "the character speed must be 5 to 50 WPM, not " + std::to_string(charWpm);
    return std::nullopt;
  }
  if (effectiveWpm < kLowestWpm || effectiveWpm > charWpm) {
    if (error) {
      *error = "the effective speed must be 5 WPM to the character speed (" +
               std::to_string(charWpm) + "), not " + std::to_string(effectiveWpm);
    }
    return std::nullopt;
  }
  const double c = charWpm;
  const double e = effectiveWpm;
  LessonTiming timing;
  // The keyer's dot at the same speed, rounded once the same way.
  timing.dot = KeyerTimingForWpm(charWpm).dotSamples;
  timing.dash = 3 * timing.dot;
  timing.elementSpace = timing.dot;
  if (effectiveWpm == charWpm) {
    // Unstretched: the standard spacing in whole dots, so that at E = C the
    // gaps keep the exact proportions of the rounded dot.
    timing.characterSpace = 3 * timing.dot;
    timing.wordSpace = 7 * timing.dot;
    return timing;
  }
  const double added = (60.0 * c - 37.2 * e) / (c * e);
  timing.characterSpace = WholeSamples(3.0 * added / 19.0);
  timing.wordSpace = WholeSamples(7.0 * added / 19.0);
  return timing;
}

int64_t TextSamples(const std::string& text, const LessonTiming& timing) {
  int64_t samples = 0;
  bool inWord = false;
  for (const char character : text) {
    if (character == ' ') {
      if (inWord) samples += timing.wordSpace;
      inWord = false;
      continue;
    }
    const char* pattern = MorsePattern(character);
    if (pattern == nullptr) continue;
    if (inWord) samples += timing.characterSpace;
    for (const char* element = pattern; *element != '\0'; ++element) {
      if (element != pattern) samples += timing.elementSpace;
      samples += *element == '.' ? timing.dot : timing.dash;
    }
    inWord = true;
  }
  if (inWord) samples += timing.wordSpace;
  return samples;
}

}  // namespace dovrik
