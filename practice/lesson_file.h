#pragma once

#include <cstdint>
#include <string>

#include "lessons/farnsworth.h"
#include "lessons/lesson_settings.h"

namespace dovrik {

struct LessonFileResult {
  bool written = false;
  std::string error;  // one line, without the program's name, when not written
  std::string answerKeyPath;
  int64_t samples = 0;
};

// Writes the sound of `text` (the lead-in, then the text at `timing` with the
// settings' tone) as a sound file at `path`, its format taken from the
// extension, and `text` with a line end as its answer key (AnswerKeyPath).
// The noise starts at `noiseStart`. Both files appear only when complete,
// as with WritePracticeFile. Needs no display.
LessonFileResult WriteLessonFile(const std::string& path, const std::string& text,
                                 const LessonSettings& settings, const LessonTiming& timing,
                                 uint32_t noiseStart);

}  // namespace dovrik
