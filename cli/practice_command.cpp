#include "cli/practice_command.h"

#include <unistd.h>

#include <string>

#include "config/config_file.h"
#include "config/stored_controls.h"
#include "platform/audio_format.h"
#include "practice/practice_file.h"
#include "sender/random_source.h"
#include "sender/sending_sequence.h"

namespace dovrik {

namespace {

// "3:25" or "1:02:05" for a length in samples.
std::string PlayingTime(int64_t samples) {
  const int64_t seconds = (samples + kSampleRate / 2) / kSampleRate;
  char text[32];
  if (seconds >= 3600) {
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
  } else {
    std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(seconds / 60),
                  static_cast<long long>(seconds % 60));
  }
  return text;
}

// Rewrites one line on a terminal whenever the whole percentage changes.
class ProgressLine {
 public:
  ProgressLine(std::FILE* terminal, std::string path) : terminal_(terminal), path_(path) {}
  ~ProgressLine() {
    if (shown_ >= 0) std::fputc('\n', terminal_);
  }
  void Show(int32_t done, int32_t total) {
    const int percent = static_cast<int>(int64_t{done} * 100 / total);
    if (percent == shown_) return;
    shown_ = percent;
    std::fprintf(terminal_, "\rdovrik: writing %s: %3d%%", path_.c_str(), percent);
    std::fflush(terminal_);
  }

 private:
  std::FILE* terminal_;
  std::string path_;
  int shown_ = -1;
};

}  // namespace

int RunPracticeFileCommand(const PracticeFileOptions& options, Clock& clock, std::FILE* out,
                           std::FILE* errors) {
  StoredControls controls;
  LoadConfigFile(controls);
  InitSliders(controls);
  PracticeSettings settings{ReadSendingSettings(controls), CollectTickedRows(controls)};
  if (options.groups) settings.sending.groups = *options.groups;
  if (settings.ticked.count == 0) {
    std::fprintf(errors, "dovrik: no character is ticked in %s, so there is nothing to practise\n",
                 kConfigFileName);
    return 1;
  }

  const uint32_t seed = options.seed ? *options.seed : clock.NowMs();
  const uint32_t tickCountMs = options.seed ? *options.seed : clock.NowMs();
  RandomSource random(seed);

  PracticeFileResult result;
  {
    ProgressLine progress(errors, options.path);
    PracticeProgress showProgress;
    if (isatty(fileno(errors))) {
      showProgress = [&progress](int32_t done, int32_t total) { progress.Show(done, total); };
    }
    result = WritePracticeFile(options.path, settings, random, tickCountMs, showProgress);
  }
  if (!result.written) {
    std::fprintf(errors, "dovrik: %s\n", result.error.c_str());
    return 1;
  }
  std::fprintf(out, "Wrote %s (%d groups, %s) and its answer key %s\n", options.path.c_str(),
               settings.sending.groups, PlayingTime(result.recording.samples).c_str(),
               result.answerKeyPath.c_str());
  return 0;
}

}  // namespace dovrik
