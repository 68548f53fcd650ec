#pragma once

#include <cstdint>
#include <string>

#include "sender/practice_session.h"
#include "sender/random_source.h"

namespace dovrik {

// The answer key beside a practice file: `path` with ".txt" in place of its
// extension ("lesson.wav" gives "lesson.txt"; a name without one gets ".txt"
// added).
std::string AnswerKeyPath(const std::string& path);

struct PracticeFileResult {
  bool written = false;
  std::string error;  // one line, without the program's name, when not written
  std::string answerKeyPath;
  PracticeRecording recording;
};

// Writes a sending exercise (RecordPracticeSession) as a sound file at
// `path`, its format taken from the extension, and the answer key beside it:
// the output box's text and a line end. Both appear only when complete: the
// sound goes to a temporary file beside the target that is renamed into
// place once the key has been written; on any failure neither the sound file
// nor the temporary file is left behind, and the error says why. A symbolic
// link at `path` stays and its target is replaced. Needs no display.
PracticeFileResult WritePracticeFile(const std::string& path, const PracticeSettings& settings,
                                     RandomSource& random, uint32_t tickCountMs,
                                     const PracticeProgress& progress = {});

}  // namespace dovrik
