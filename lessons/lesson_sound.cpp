#include "lessons/lesson_sound.h"

#include <algorithm>

#include "lessons/course.h"
#include "platform/audio_format.h"

namespace dovrik {

std::vector<TimedSpan> LessonSpans(std::string_view text, const LessonTiming& timing) {
  std::vector<TimedSpan> spans;
  spans.push_back({kLessonLeadIn, false});
  bool inWord = false;
  for (const char character : text) {
    if (character == ' ') {
      if (inWord) spans.push_back({timing.wordSpace, false});
      inWord = false;
      continue;
    }
    const char* pattern = MorsePattern(character);
    if (pattern == nullptr) continue;
    if (inWord) spans.push_back({timing.characterSpace, false});
    for (const char* element = pattern; *element != '\0'; ++element) {
      if (element != pattern) spans.push_back({timing.elementSpace, false});
      spans.push_back({*element == '.' ? timing.dot : timing.dash, true});
    }
    inWord = true;
  }
  if (inWord) spans.push_back({timing.wordSpace, false});
  return spans;
}

TimedTone LessonTone(const LessonSettings& settings, const LessonTiming& timing) {
  // A ramp longer than a third of a dot would leave no steady tone in it.
  const int32_t attack = std::min(settings.attack * kSampleRate / 1000, timing.dot / 3);
  const float jitter =
      static_cast<float>(settings.jitter) / 100.0f * static_cast<float>(timing.dot);
  return MakeTimedTone(settings.pitch, settings.noise, attack, jitter);
}

}  // namespace dovrik
