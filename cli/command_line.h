#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "keyer/keyer_settings.h"

namespace dovrik {

// What `--practice-file FILE [--groups N] [--seed N]` asks for, or with
// `--lesson N [--char-wpm C] [--effective-wpm E] [--minutes M] [--seed S]`
// a lesson of the course in place of the sending exercise.
struct PracticeFileOptions {
  std::string path;
  std::optional<int32_t> groups;  // 1 .. 1000, in place of the groups setting
  std::optional<uint32_t> seed;   // the generator's seed in place of the tick count
  std::optional<int32_t> lesson;        // 1 .. 38
  std::optional<int32_t> charWpm;       // 5 .. 50, in place of the lessons' setting
  std::optional<int32_t> effectiveWpm;  // 5 .. 50 and not above the character speed
  std::optional<int32_t> minutes;       // 1 .. 10
};

// What `--score-copy KEY COPY [--lesson N] [--json]` asks for.
struct ScoreCopyOptions {
  std::string keyPath;
  std::string copyPath;
  std::optional<int32_t> lesson;  // 1 .. 38: also judge the attempt for promotion
  bool json = false;
};

enum class CommandAction {
  kRunProgram,         // the trainer's window; with no options exactly as always
  kHelp,               // print UsageText on standard output, status 0
  kVersion,            // print VersionText on standard output, status 0
  kWritePracticeFile,  // headless: no window, no display needed
  kScoreCopy,          // headless: score a copy against its key, record it
  kExportHistory,      // headless: the history as CSV to a file or standard output
  kUsageError,         // print `error` and UsageText on standard error, status 2
};

struct CommandLine {
  CommandAction action = CommandAction::kRunProgram;
  std::string error;  // one line, for kUsageError
  PracticeFileOptions practice;
  ScoreCopyOptions scoreCopy;
  // `--serial-key DEVICE`, for kRunProgram: the serial port whose modem
  // lines key the keying exercise. Empty: no serial port is touched.
  std::string serialKey;
  // `--export-history FILE`, for kExportHistory: the CSV file, "-" for
  // standard output.
  std::string exportHistory;
  // `--keyer MODE[:WPM]`, for kRunProgram: the keyer of this run, over the
  // settings file's.
  std::optional<KeyerOption> keyer;
  // `--lessons`, for kRunProgram: the "Dovrik Lessons" window opens beside
  // the main dialog.
  bool lessons = false;
};

// The exit status of a command line that cannot be understood.
inline constexpr int kUsageErrorStatus = 2;

// Reads the arguments after the program's name. Options may take their value
// as the next argument or after "=" (--groups=50). --help and --version act
// as soon as they are met; the first argument that cannot be understood
// makes the whole line a usage error.
CommandLine ParseCommandLine(int argc, const char* const* argv);

// The help text, ending with a line end.
std::string UsageText();

// "Dovrik 1.5.2".
std::string VersionText();

}  // namespace dovrik
