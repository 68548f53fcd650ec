#include "practice/practice_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "practice/remove_on_signal.h"
#include "config/replace_file.h"

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

}  // namespace

std::string AnswerKeyPath(const std::string& path) {
  const size_t slash = path.rfind('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const size_t dot = path.rfind('.');
  const bool hasExtension = dot != std::string::npos && dot > nameStart;
  return (hasExtension ? path.substr(0, dot) : path) + ".txt";
}

std::string SoundFileNameProblem(const std::string& path) {
  const std::optional<SoundFileFormat> format = SoundFileFormatFor(path);
  if (!format) return CannotWrite(path, "the name must end in " + KnownSoundFileExtensions());
  if (!CanWriteSoundFormat(*format)) {
    return CannotWrite(path, "this libsndfile cannot write " + std::string(format->name) +
                                 " at 22,050 samples per second");
  }
  return {};
}

SoundAndKeyResult WriteSoundAndKey(const std::string& path, const SoundRecorder& record) {
  SoundAndKeyResult result;
  result.answerKeyPath = AnswerKeyPath(path);
  result.error = SoundFileNameProblem(path);
  if (!result.error.empty()) return result;
  const SoundFileFormat format = *SoundFileFormatFor(path);
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
  std::string answerKey;
  std::string error;
  {
    const std::unique_ptr<SoundFileWriter> writer = SoundFileWriter::Open(fd, format, error);
    if (writer) {
      error = record(*writer, answerKey);
      if (error.empty()) writer->Close(error);
    }
  }
  if (close(fd) != 0 && error.empty()) error = std::strerror(errno);
  if (error.empty() && !ReplaceFileContents(result.answerKeyPath, answerKey + "\n")) {
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

PracticeFileResult WritePracticeFile(const std::string& path, const PracticeSettings& settings,
                                     RandomSource& random, uint32_t tickCountMs,
                                     const PracticeProgress& progress) {
  PracticeFileResult result;
  result.answerKeyPath = AnswerKeyPath(path);
  result.error = SoundFileNameProblem(path);
  if (!result.error.empty()) return result;
  if (settings.ticked.count == 0) {
    result.error = "no character is ticked, so there is nothing to practise";
    return result;
  }
  const SoundAndKeyResult written =
      WriteSoundAndKey(path, [&](SoundFileWriter& writer, std::string& answerKey) -> std::string {
        SoundFileSink sink(writer);
        result.recording = RecordPracticeSession(settings, random, tickCountMs, sink, progress);
        answerKey = result.recording.answerKey;
        switch (result.recording.outcome) {
          case PracticeOutcome::kRecorded:
            return {};
          case PracticeOutcome::kNothingTicked:
            return "no character is ticked";
          case PracticeOutcome::kBufferOverflow:
            return "Buffer overflow!";
          case PracticeOutcome::kSinkFailed:
            return sink.error;
        }
        return {};
      });
  result.written = written.written;
  result.error = written.error;
  return result;
}

}  // namespace dovrik
