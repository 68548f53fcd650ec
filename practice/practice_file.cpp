#include "practice/practice_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "practice/remove_on_signal.h"
#include "config/replace_file.h"
#include "sound_file/sound_file_writer.h"

namespace dovrik {

namespace {

// Hands each buffer of the session to the sound file; remembers why it
// stopped taking them.
class SoundFileSink : public SampleSink {
 public:
  explicit SoundFileSink(SoundFileWriter& writer) : writer_(writer) {}
  bool Write(std::span<const int16_t> samples) override {
    if (writer_.Write(samples)) return true;
    error = writer_.Error();
    return false;
  }
  std::string error;

 private:
  SoundFileWriter& writer_;
};

std::string CannotWrite(const std::string& path, const std::string& reason) {
  return "cannot write \"" + path + "\": " + reason;
}

// Records the session into the open temporary file `fd`. Empty when it
// worked, else the reason.
std::string RecordInto(int fd, const SoundFileFormat& format, const PracticeSettings& settings,
                       RandomSource& random, uint32_t tickCountMs, const PracticeProgress& progress,
                       PracticeRecording& recording) {
  std::string error;
  const std::unique_ptr<SoundFileWriter> writer = SoundFileWriter::Open(fd, format, error);
  if (!writer) return error;
  SoundFileSink sink(*writer);
  recording = RecordPracticeSession(settings, random, tickCountMs, sink, progress);
  switch (recording.outcome) {
    case PracticeOutcome::kRecorded:
      break;
    case PracticeOutcome::kNothingTicked:
      return "no character is ticked";
    case PracticeOutcome::kBufferOverflow:
      return "Buffer overflow!";
    case PracticeOutcome::kSinkFailed:
      return sink.error;
  }
  if (!writer->Close(error)) return error;
  return {};
}

}  // namespace

std::string AnswerKeyPath(const std::string& path) {
  const size_t slash = path.rfind('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const size_t dot = path.rfind('.');
  const bool hasExtension = dot != std::string::npos && dot > nameStart;
  return (hasExtension ? path.substr(0, dot) : path) + ".txt";
}

PracticeFileResult WritePracticeFile(const std::string& path, const PracticeSettings& settings,
                                     RandomSource& random, uint32_t tickCountMs,
                                     const PracticeProgress& progress) {
  PracticeFileResult result;
  result.answerKeyPath = AnswerKeyPath(path);
  const std::optional<SoundFileFormat> format = SoundFileFormatFor(path);
  if (!format) {
    result.error = CannotWrite(path, "the name must end in " + KnownSoundFileExtensions());
    return result;
  }
  if (!CanWriteSoundFormat(*format)) {
    result.error = CannotWrite(path, "this libsndfile cannot write " + std::string(format->name) +
                                         " at 22,050 samples per second");
    return result;
  }
  if (settings.ticked.count == 0) {
    result.error = "no character is ticked, so there is nothing to practise";
    return result;
  }
  const std::string target = ResolveSymbolicLinks(path);
  if (target.empty()) {
    result.error = CannotWrite(path, "too many symbolic links");
    return result;
  }

  std::string temporaryName;
  const int fd = CreateTemporaryFileBeside(target, temporaryName);
  if (fd < 0) {
    result.error = CannotWrite(path, std::strerror(errno));
    return result;
  }
  const RemoveOnSignal removeWhenInterrupted(temporaryName);
  std::string error =
      RecordInto(fd, *format, settings, random, tickCountMs, progress, result.recording);
  if (close(fd) != 0 && error.empty()) error = std::strerror(errno);
  if (error.empty() &&
      !ReplaceFileContents(result.answerKeyPath, result.recording.answerKey + "\n")) {
    result.error = CannotWrite(result.answerKeyPath, "the answer key could not be written");
    unlink(temporaryName.c_str());
    return result;
  }
  if (error.empty() && std::rename(temporaryName.c_str(), target.c_str()) != 0) {
    error = std::strerror(errno);
    unlink(result.answerKeyPath.c_str());  // a key without its sound is of no use
  }
  if (!error.empty()) {
    unlink(temporaryName.c_str());
    result.error = CannotWrite(path, error);
    return result;
  }
  result.written = true;
  return result;
}

}  // namespace dovrik
