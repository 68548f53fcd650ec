#include "cli/command_line.h"

#include <charconv>
#include <string_view>

#ifndef DOVRIK_VERSION_TEXT
#error "DOVRIK_VERSION_TEXT must be defined by the build"
#endif

namespace dovrik {

namespace {

constexpr int32_t kMostGroups = 1000;

// The ranges of the lesson options, in the words of their messages.
struct NumberOption {
  std::string_view name;
  int32_t lowest;
  int32_t highest;
  const char* what;
};
constexpr NumberOption kLessonOptions[] = {
    {"--lesson", 1, 38, "a lesson from 1 to 38"},
    {"--char-wpm", 5, 50, "a speed from 5 to 50 WPM"},
    {"--effective-wpm", 5, 50, "a speed from 5 to 50 WPM"},
    {"--minutes", 1, 10, "a whole number of minutes from 1 to 10"},
};

// A whole decimal number, digits only, within [minimum, maximum].
template <typename Number>
std::optional<Number> ParseNumber(std::string_view text, Number minimum, Number maximum) {
  if (text.empty() || text.front() < '0' || text.front() > '9') return std::nullopt;
  Number value{};
  const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (problem != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (value < minimum || value > maximum) return std::nullopt;
  return value;
}

CommandLine UsageError(std::string error) {
  CommandLine line;
  line.action = CommandAction::kUsageError;
  line.error = std::move(error);
  return line;
}

}  // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv) {
  CommandLine line;
  bool practiceFile = false;
  bool scoreCopy = false;
  bool json = false;
  bool exportHistory = false;
  for (int i = 0; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--help") {
      line.action = CommandAction::kHelp;
      return line;
    }
    if (argument == "--version") {
      line.action = CommandAction::kVersion;
      return line;
    }
    if (!argument.starts_with("-") || argument == "-") {
      return UsageError("unexpected argument '" + std::string(argument) + "'");
    }

    std::string_view name = argument;
    std::optional<std::string_view> value;
    if (const size_t equals = argument.find('='); equals != std::string_view::npos) {
      name = argument.substr(0, equals);
      value = argument.substr(equals + 1);
    }
    if (argument == "--lessons") {
      line.lessons = true;
      continue;
    }
    if (name == "--help" || name == "--version" || name == "--lessons" ||
        (name == "--json" && value)) {
      return UsageError("option '" + std::string(name) + "' takes no value");
    }
    if (name == "--json") {
      json = true;
      continue;
    }
    const NumberOption* lessonOption = nullptr;
    for (const NumberOption& option : kLessonOptions) {
      if (name == option.name) lessonOption = &option;
    }
    const bool takesValue = name == "--practice-file" || name == "--groups" || name == "--seed" ||
                            name == "--serial-key" || name == "--score-copy" ||
                            name == "--export-history" || name == "--keyer" || lessonOption;
    if (!takesValue) return UsageError("unknown option '" + std::string(name) + "'");
    if (!value) {
      if (i + 1 == argc) return UsageError("option '" + std::string(name) + "' needs a value");
      value = argv[++i];
    }

    if (name == "--keyer") {
      std::string problem;
      line.keyer = ParseKeyerOption(*value, problem);
      if (!line.keyer) return UsageError("option '--keyer': " + problem);
    } else if (name == "--export-history") {
      if (value->empty()) {
        return UsageError("option '--export-history' needs a file name, or - for standard output");
      }
      exportHistory = true;
      line.exportHistory = std::string(*value);
    } else if (lessonOption) {
      const std::optional<int32_t> number =
          ParseNumber<int32_t>(*value, lessonOption->lowest, lessonOption->highest);
      if (!number) {
        return UsageError("option '" + std::string(name) + "' takes " + lessonOption->what +
                          ", not '" + std::string(*value) + "'");
      }
      std::optional<int32_t>& field =
          name == "--lesson"     ? line.practice.lesson
          : name == "--char-wpm" ? line.practice.charWpm
          : name == "--minutes"  ? line.practice.minutes
                                 : line.practice.effectiveWpm;
      field = number;
    } else if (name == "--score-copy") {
      // Two values: the answer key, then the copy.
      if (value->empty()) return UsageError("option '--score-copy' needs an answer key file");
      if (i + 1 == argc) return UsageError("option '--score-copy' needs KEY and COPY files");
      const std::string_view copy = argv[++i];
      if (copy.empty()) return UsageError("option '--score-copy' needs a copy file");
      scoreCopy = true;
      line.scoreCopy.keyPath = std::string(*value);
      line.scoreCopy.copyPath = std::string(copy);
    } else if (name == "--serial-key") {
      if (value->empty()) return UsageError("option '--serial-key' needs a device name");
      line.serialKey = std::string(*value);
    } else if (name == "--practice-file") {
      if (value->empty()) return UsageError("option '--practice-file' needs a file name");
      practiceFile = true;
      line.practice.path = std::string(*value);
    } else if (name == "--groups") {
      line.practice.groups = ParseNumber<int32_t>(*value, 1, kMostGroups);
      if (!line.practice.groups) {
        return UsageError("option '--groups' takes a whole number from 1 to 1000, not '" +
                          std::string(*value) + "'");
      }
    } else {
      line.practice.seed = ParseNumber<uint32_t>(*value, 0, UINT32_MAX);
      if (!line.practice.seed) {
        return UsageError("option '--seed' takes a whole number from 0 to 4294967295, not '" +
                          std::string(*value) + "'");
      }
    }
  }

  if (exportHistory) {
    if (practiceFile || scoreCopy || json || line.practice.groups || line.practice.seed ||
        line.practice.lesson || line.practice.charWpm || line.practice.effectiveWpm ||
        line.practice.minutes || !line.serialKey.empty() || line.keyer || line.lessons) {
      return UsageError("option '--export-history' is used on its own");
    }
    line.action = CommandAction::kExportHistory;
    return line;
  }
  const PracticeFileOptions& practice = line.practice;
  const bool lessonTiming = practice.charWpm || practice.effectiveWpm || practice.minutes;
  if (practice.charWpm && practice.effectiveWpm && *practice.effectiveWpm > *practice.charWpm) {
    return UsageError("the effective speed (" + std::to_string(*practice.effectiveWpm) +
                      " WPM) may not be above the character speed (" +
                      std::to_string(*practice.charWpm) + " WPM)");
  }
  if (json && !scoreCopy) return UsageError("option '--json' needs '--score-copy KEY COPY'");
  if (scoreCopy) {
    if (practiceFile) {
      return UsageError("options '--score-copy' and '--practice-file' go on separate runs");
    }
    if (lessonTiming || practice.groups || practice.seed || !line.serialKey.empty() ||
        line.keyer || line.lessons) {
      return UsageError("option '--score-copy' takes only '--lesson N' and '--json'");
    }
    line.scoreCopy.lesson = practice.lesson;
    line.scoreCopy.json = json;
    line.action = CommandAction::kScoreCopy;
    return line;
  }
  if (!practiceFile) {
    if (practice.lesson) {
      return UsageError("option '--lesson' needs '--practice-file FILE' or '--score-copy'");
    }
    if (lessonTiming) return UsageError("the lesson's speeds and minutes need '--lesson N'");
    if (practice.groups) return UsageError("option '--groups' needs '--practice-file FILE'");
    if (practice.seed) return UsageError("option '--seed' needs '--practice-file FILE'");
    return line;
  }
  if (!line.serialKey.empty()) {
    return UsageError("option '--serial-key' is for the keying exercise, not '--practice-file'");
  }
  if (line.keyer) {
    return UsageError("option '--keyer' is for the keying exercise, not '--practice-file'");
  }
  if (line.lessons) return UsageError("option '--lessons' opens a window, not '--practice-file'");
  if (practice.lesson && practice.groups) {
    return UsageError("a lesson lasts '--minutes M', it takes no '--groups'");
  }
  if (!practice.lesson && lessonTiming) {
    return UsageError("the lesson's speeds and minutes need '--lesson N'");
  }
  line.action = CommandAction::kWritePracticeFile;
  return line;
}

std::string UsageText() {
  return "Usage: dovrik [--lessons] [--serial-key DEVICE] [--keyer MODE[:WPM]]\n"
         "       dovrik --practice-file FILE [--groups N] [--seed N]\n"
         "       dovrik --practice-file FILE --lesson N [--char-wpm C] [--effective-wpm E]\n"
         "              [--minutes M] [--seed N]\n"
         "       dovrik --score-copy KEY COPY [--lesson N] [--json]\n"
         "       dovrik --export-history FILE\n"
         "       dovrik --help | --version\n"
         "\n"
         "Without options Dovrik opens its window: the sending and keying exercises.\n"
         "\n"
         "  --lessons             open the Dovrik Lessons window too: a Koch course\n"
         "                        that plays lessons, scores what you copy and\n"
         "                        shows your progress\n"
         "  --serial-key DEVICE   also key with a straight key on the modem lines of\n"
         "                        the serial port DEVICE (/dev/ttyUSB0, say): opened\n"
         "                        while a keying exercise runs, with DTR and RTS\n"
         "                        raised; the key is down while CTS, DSR or DCD is\n"
         "                        active (for a keyer: dit on DSR, dah on CTS,\n"
         "                        DCD a straight key beside them)\n"
         "  --keyer MODE[:WPM]    how the keying exercise keys, for this run only,\n"
         "                        in place of the [keyer] settings of\n"
         "                        $XDG_CONFIG_HOME/dovrik/settings.ini (by default\n"
         "                        ~/.config/dovrik/settings.ini): MODE is straight\n"
         "                        (the default), bug, iambic-a, iambic-b or\n"
         "                        ultimatic, WPM the speed, 5 to 50 words a minute\n"
         "                        (default 20). Left Ctrl, joystick button 1 and\n"
         "                        MIDI note 1 or 20 are the dit paddle; Right Ctrl,\n"
         "                        button 2 and note 2 or 21 the dah paddle\n"
         "  --practice-file FILE  write the sending exercise that Dovrik.ini in the\n"
         "                        working folder describes to FILE, without a window,\n"
         "                        and its answer key beside it (FILE with .txt in\n"
         "                        place of its extension); the format follows the\n"
         "                        extension: .wav, .flac, .ogg, .opus or .mp3\n"
         "  --groups N            with --practice-file: N groups (1 to 1000) in place\n"
         "                        of the groups setting\n"
         "  --seed N              with --practice-file: draw the groups (and start the\n"
         "                        noise) from N (0 to 4294967295), so the same N\n"
         "                        writes the same file; without it the clock decides\n"
         "  --lesson N            with --practice-file: write lesson N (1 to 38) of the\n"
         "                        Koch course instead: groups of its characters for\n"
         "                        the lesson's minutes, with the lessons' settings of\n"
         "                        $XDG_CONFIG_HOME/dovrik/settings.ini; with\n"
         "                        --score-copy: also say whether the copy passes it\n"
         "  --char-wpm C          with --lesson: characters at C WPM (5 to 50)\n"
         "  --effective-wpm E     with --lesson: spaces stretched for E WPM overall\n"
         "                        (5 to C)\n"
         "  --minutes M           with --lesson: M minutes of sound (1 to 10)\n"
         "  --score-copy KEY COPY score the copy in the text file COPY against the\n"
         "                        answer key KEY, print the result and record it in\n"
         "                        the history ($XDG_DATA_HOME/dovrik/history.sqlite3);\n"
         "                        status 1 when the history could not be written\n"
         "  --json                with --score-copy: print the result as one JSON\n"
         "                        object\n"
         "  --export-history FILE write the lessons' history as CSV to FILE (- for\n"
         "                        standard output), one row per character per\n"
         "                        attempt: time,exercise,lesson,char_wpm,\n"
         "                        effective_wpm,character,sent,right\n"
         "  --help                show this help and exit\n"
         "  --version             show the version and exit\n";
}

std::string VersionText() {
  return std::string("Dovrik ") + DOVRIK_VERSION_TEXT;
}

}  // namespace dovrik
