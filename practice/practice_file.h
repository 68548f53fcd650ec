#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "sender/practice_session.h"
#include "sender/random_source.h"
#include "sound_file/sound_file_writer.h"

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

// Why a sound file cannot be written at `path` ("cannot write ...: the name
// must end in ..."), judged by its name alone; empty when it can.
std::string SoundFileNameProblem(const std::string& path);

// Writes the samples into `writer` and the answer key's text (without its
// line end) into `answerKey`; gives the reason it failed, empty when not.
using SoundRecorder = std::function<std::string(SoundFileWriter& writer, std::string& answerKey)>;

struct SoundAndKeyResult {
  bool written = false;
  std::string error;  // one line, when not written
  std::string answerKeyPath;
};

// The safe way of every sound file Dovrik writes with its answer key: the
// sound goes to a temporary file beside the target, the key is written,
// then the sound is renamed into place; on any failure neither is left
// behind. A symbolic link at `path` stays and its target is replaced.
SoundAndKeyResult WriteSoundAndKey(const std::string& path, const SoundRecorder& record);

}  // namespace dovrik
