#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dovrik {
namespace {

CommandLine Parse(std::vector<const char*> arguments) {
  return ParseCommandLine(static_cast<int>(arguments.size()), arguments.data());
}

struct AcceptedCase {
  std::vector<const char*> arguments;
  CommandAction action;
  std::string path;
  std::optional<int32_t> groups;
  std::optional<uint32_t> seed;
  std::string serialKey = "";
  bool lessons = false;
};

class CommandLineAccepts : public ::testing::TestWithParam<AcceptedCase> {};

TEST_P(CommandLineAccepts, TheOptionsAndTheirValues) {
  const AcceptedCase& c = GetParam();
  const CommandLine line = Parse(c.arguments);
  EXPECT_EQ(line.action, c.action);
  EXPECT_EQ(line.error, "");
  EXPECT_EQ(line.practice.path, c.path);
  EXPECT_EQ(line.practice.groups, c.groups);
  EXPECT_EQ(line.practice.seed, c.seed);
  EXPECT_EQ(line.serialKey, c.serialKey);
  EXPECT_EQ(line.lessons, c.lessons);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CommandLineAccepts,
    ::testing::Values(
        AcceptedCase{{}, CommandAction::kRunProgram, "", {}, {}},
        AcceptedCase{{"--help"}, CommandAction::kHelp, "", {}, {}},
        AcceptedCase{{"--version"}, CommandAction::kVersion, "", {}, {}},
        // Help and version act as soon as they are met.
        AcceptedCase{{"--help", "--bogus"}, CommandAction::kHelp, "", {}, {}},
        AcceptedCase{{"--groups", "5", "--version"}, CommandAction::kVersion, "", 5, {}},
        AcceptedCase{{"--practice-file", "lesson.wav"},
                     CommandAction::kWritePracticeFile,
                     "lesson.wav",
                     {},
                     {}},
        AcceptedCase{{"--seed", "0", "--groups=1000", "--practice-file=a b/c.flac"},
                     CommandAction::kWritePracticeFile,
                     "a b/c.flac",
                     1000,
                     0u},
        AcceptedCase{{"--practice-file", "-x.wav", "--groups", "1", "--seed=4294967295"},
                     CommandAction::kWritePracticeFile,
                     "-x.wav",
                     1,
                     4294967295u},
        // The serial key opens the window as always, with one more key.
        AcceptedCase{{"--serial-key", "/dev/ttyUSB0"},
                     CommandAction::kRunProgram,
                     "",
                     {},
                     {},
                     "/dev/ttyUSB0"},
        AcceptedCase{{"--serial-key=/dev/ttyS0", "--serial-key", "/dev/ttyACM1"},
                     CommandAction::kRunProgram,
                     "",
                     {},
                     {},
                     "/dev/ttyACM1"},
        // The lessons window opens beside the main dialog, keys and all.
        AcceptedCase{{"--lessons", "--serial-key", "/dev/ttyS0"},
                     CommandAction::kRunProgram,
                     "",
                     {},
                     {},
                     "/dev/ttyS0",
                     true},
        // A later value replaces an earlier one.
        AcceptedCase{{"--practice-file", "a.wav", "--groups", "7", "--groups", "8",
                      "--practice-file", "b.wav"},
                     CommandAction::kWritePracticeFile,
                     "b.wav",
                     8,
                     {}}));

struct RejectedCase {
  std::vector<const char*> arguments;
  std::string error;
};

class CommandLineRejects : public ::testing::TestWithParam<RejectedCase> {};

TEST_P(CommandLineRejects, WithOneClearLine) {
  const CommandLine line = Parse(GetParam().arguments);
  EXPECT_EQ(line.action, CommandAction::kUsageError);
  EXPECT_EQ(line.error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CommandLineRejects,
    ::testing::Values(
        RejectedCase{{"--bogus"}, "unknown option '--bogus'"},
        RejectedCase{{"--bogus", "--help"}, "unknown option '--bogus'"},
        RejectedCase{{"-platform", "xcb"}, "unknown option '-platform'"},
        RejectedCase{{"--practice"}, "unknown option '--practice'"},
        RejectedCase{{"--help=yes"}, "option '--help' takes no value"},
        RejectedCase{{"lesson.wav"}, "unexpected argument 'lesson.wav'"},
        RejectedCase{{"-"}, "unexpected argument '-'"},
        RejectedCase{{"--practice-file"}, "option '--practice-file' needs a value"},
        RejectedCase{{"--practice-file="}, "option '--practice-file' needs a file name"},
        RejectedCase{{"--practice-file", "a.wav", "--seed"}, "option '--seed' needs a value"},
        RejectedCase{{"--groups", "5"}, "option '--groups' needs '--practice-file FILE'"},
        RejectedCase{{"--seed", "5"}, "option '--seed' needs '--practice-file FILE'"},
        RejectedCase{{"--serial-key"}, "option '--serial-key' needs a value"},
        RejectedCase{{"--serial-key="}, "option '--serial-key' needs a device name"},
        RejectedCase{{"--serial", "/dev/ttyS0"}, "unknown option '--serial'"},
        RejectedCase{{"--serial-key", "/dev/ttyS0", "--practice-file", "a.wav"},
                     "option '--serial-key' is for the keying exercise, not '--practice-file'"},
        RejectedCase{{"--lessons=yes"}, "option '--lessons' takes no value"},
        RejectedCase{{"--lessons", "--score-copy", "a.txt", "b.txt"},
                     "option '--score-copy' takes only '--lesson N' and '--json'"},
        RejectedCase{{"--lessons", "--practice-file", "a.wav"},
                     "option '--lessons' opens a window, not '--practice-file'"},
        RejectedCase{{"--practice-file", "a.wav", "--groups", "0"},
                     "option '--groups' takes a whole number from 1 to 1000, not '0'"},
        RejectedCase{{"--practice-file", "a.wav", "--groups", "1001"},
                     "option '--groups' takes a whole number from 1 to 1000, not '1001'"},
        RejectedCase{{"--practice-file", "a.wav", "--groups=+5"},
                     "option '--groups' takes a whole number from 1 to 1000, not '+5'"},
        RejectedCase{{"--practice-file", "a.wav", "--groups", "5x"},
                     "option '--groups' takes a whole number from 1 to 1000, not '5x'"},
        RejectedCase{{"--practice-file", "a.wav", "--groups", "99999999999"},
                     "option '--groups' takes a whole number from 1 to 1000, not '99999999999'"},
        RejectedCase{{"--practice-file", "a.wav", "--seed", "-1"},
                     "option '--seed' takes a whole number from 0 to 4294967295, not '-1'"},
        RejectedCase{{"--practice-file", "a.wav", "--seed", "4294967296"},
                     "option '--seed' takes a whole number from 0 to 4294967295, not '4294967296'"},
        RejectedCase{{"--export-history"}, "option '--export-history' needs a value"},
        RejectedCase{{"--export-history="},
                     "option '--export-history' needs a file name, or - for standard output"},
        RejectedCase{{"--export-history", "h.csv", "--practice-file", "a.wav"},
                     "option '--export-history' is used on its own"},
        RejectedCase{{"--seed", "3", "--export-history", "-"},
                     "option '--export-history' is used on its own"},
        RejectedCase{{"--export-history", "-", "--serial-key", "/dev/ttyS0"},
                     "option '--export-history' is used on its own"}));

// "-" is standard output, taken as the option's value and not as a stray
// argument.
TEST(CommandLineExportHistory, TakesAFileOrStandardOutput) {
  for (const auto& [arguments, file] :
       std::vector<std::pair<std::vector<const char*>, std::string>>{
           {{"--export-history", "-"}, "-"},
           {{"--export-history=-"}, "-"},
           {{"--export-history", "--help.csv"}, "--help.csv"},
           {{"--export-history=a.csv", "--export-history", "b,c.csv"}, "b,c.csv"}}) {
    const CommandLine line = Parse(arguments);
    EXPECT_EQ(line.action, CommandAction::kExportHistory) << line.error;
    EXPECT_EQ(line.exportHistory, file);
  }
}

// `--keyer MODE[:WPM]` opens the window as always, with the keyer of the run.
TEST(CommandLineKeyer, TakesAModeAndAnOptionalSpeed) {
  struct Case {
    std::vector<const char*> arguments;
    KeyerMode mode;
    std::optional<int> wpm;
  };
  for (const Case& c :
       {Case{{"--keyer", "iambic-b"}, KeyerMode::kIambicB, {}},
        Case{{"--keyer=ultimatic:35"}, KeyerMode::kUltimatic, 35},
        Case{{"--keyer", "bug:5"}, KeyerMode::kBug, 5},
        Case{{"--keyer", "straight:50"}, KeyerMode::kStraight, 50},
        Case{{"--keyer", "bug", "--serial-key", "/dev/ttyS0", "--keyer", "iambic-a:20"},
             KeyerMode::kIambicA,
             20}}) {
    const CommandLine line = Parse(c.arguments);
    SCOPED_TRACE(c.arguments.back());
    EXPECT_EQ(line.action, CommandAction::kRunProgram) << line.error;
    ASSERT_TRUE(line.keyer.has_value());
    EXPECT_EQ(line.keyer->mode, c.mode);
    EXPECT_EQ(line.keyer->wpm, c.wpm);
  }
  EXPECT_FALSE(Parse({}).keyer.has_value()) << "no option: the settings file decides";
}

INSTANTIATE_TEST_SUITE_P(
    Keyer, CommandLineRejects,
    ::testing::Values(
        RejectedCase{{"--keyer"}, "option '--keyer' needs a value"},
        RejectedCase{{"--keyer="},
                     "option '--keyer': unknown keyer mode '' (straight, bug, iambic-a, iambic-b "
                     "or ultimatic)"},
        RejectedCase{{"--keyer", "iambic"},
                     "option '--keyer': unknown keyer mode 'iambic' (straight, bug, iambic-a, "
                     "iambic-b or ultimatic)"},
        RejectedCase{{"--keyer", "iambic-a:4"},
                     "option '--keyer': keyer speed '4' is not a whole number of words per "
                     "minute from 5 to 50"},
        RejectedCase{{"--keyer", "bug:"},
                     "option '--keyer': keyer speed '' is not a whole number of words per "
                     "minute from 5 to 50"},
        RejectedCase{{"--keyer", "bug:20:3"},
                     "option '--keyer': keyer speed '20:3' is not a whole number of words per "
                     "minute from 5 to 50"},
        RejectedCase{{"--keyer", "iambic-b", "--practice-file", "a.wav"},
                     "option '--keyer' is for the keying exercise, not '--practice-file'"}));

TEST(CommandLineLessons, LessonFileAndScoredCopy) {
  const CommandLine lesson = Parse({"--practice-file", "l.wav", "--lesson", "38", "--char-wpm=50",
                                    "--effective-wpm", "5", "--minutes", "10", "--seed", "3"});
  EXPECT_EQ(lesson.action, CommandAction::kWritePracticeFile);
  EXPECT_EQ(lesson.practice.lesson, 38);
  EXPECT_EQ(lesson.practice.charWpm, 50);
  EXPECT_EQ(lesson.practice.effectiveWpm, 5);
  EXPECT_EQ(lesson.practice.minutes, 10);
  EXPECT_EQ(lesson.practice.seed, 3u);

  const CommandLine plain = Parse({"--practice-file", "l.wav"});
  EXPECT_FALSE(plain.practice.lesson);  // the sending exercise's file, as always

  const CommandLine score = Parse({"--json", "--score-copy", "key.txt", "copy.txt", "--lesson=1"});
  EXPECT_EQ(score.action, CommandAction::kScoreCopy);
  EXPECT_EQ(score.scoreCopy.keyPath, "key.txt");
  EXPECT_EQ(score.scoreCopy.copyPath, "copy.txt");
  EXPECT_EQ(score.scoreCopy.lesson, 1);
  EXPECT_TRUE(score.scoreCopy.json);
  const CommandLine equals = Parse({"--score-copy=key.txt", "copy.txt"});
  EXPECT_EQ(equals.action, CommandAction::kScoreCopy);
  EXPECT_EQ(equals.scoreCopy.copyPath, "copy.txt");
  EXPECT_FALSE(equals.scoreCopy.json);
}

INSTANTIATE_TEST_SUITE_P(
    Lessons, CommandLineRejects,
    ::testing::Values(
        RejectedCase{{"--practice-file", "a.wav", "--lesson", "0"},
                     "option '--lesson' takes a lesson from 1 to 38, not '0'"},
        RejectedCase{{"--practice-file", "a.wav", "--lesson", "39"},
                     "option '--lesson' takes a lesson from 1 to 38, not '39'"},
        RejectedCase{{"--practice-file", "a.wav", "--lesson", "2", "--char-wpm", "4"},
                     "option '--char-wpm' takes a speed from 5 to 50 WPM, not '4'"},
        RejectedCase{{"--practice-file", "a.wav", "--lesson", "2", "--minutes", "0"},
                     "option '--minutes' takes a whole number of minutes from 1 to 10, not '0'"},
        RejectedCase{{"--practice-file", "a.wav", "--lesson", "2", "--char-wpm", "15",
                      "--effective-wpm", "16"},
                     "the effective speed (16 WPM) may not be above the character speed (15 WPM)"},
        RejectedCase{{"--practice-file", "a.wav", "--minutes", "3"},
                     "the lesson's speeds and minutes need '--lesson N'"},
        RejectedCase{{"--practice-file", "a.wav", "--lesson", "2", "--groups", "3"},
                     "a lesson lasts '--minutes M', it takes no '--groups'"},
        RejectedCase{{"--lesson", "2"},
                     "option '--lesson' needs '--practice-file FILE' or '--score-copy'"},
        RejectedCase{{"--score-copy", "key.txt"}, "option '--score-copy' needs KEY and COPY files"},
        RejectedCase{{"--score-copy", "key.txt", "copy.txt", "--seed", "1"},
                     "option '--score-copy' takes only '--lesson N' and '--json'"},
        RejectedCase{{"--score-copy", "k", "c", "--practice-file", "a.wav"},
                     "options '--score-copy' and '--practice-file' go on separate runs"},
        RejectedCase{{"--json"}, "option '--json' needs '--score-copy KEY COPY'"},
        RejectedCase{{"--score-copy", "k", "c", "--json=yes"}, "option '--json' takes no value"},
        RejectedCase{{"--export-history", "-", "--lesson", "3"},
                     "option '--export-history' is used on its own"},
        RejectedCase{{"--score-copy", "k", "c", "--export-history", "-"},
                     "option '--export-history' is used on its own"}));

TEST(CommandLineTexts, VersionAndUsage) {
  EXPECT_EQ(VersionText(), "Dovrik 1.5.2");
  const std::string usage = UsageText();
  EXPECT_TRUE(usage.starts_with("Usage: dovrik"));
  EXPECT_TRUE(usage.ends_with("\n"));
  for (const char* option : {"--lessons", "--serial-key DEVICE", "--keyer MODE[:WPM]",
                             "--practice-file FILE", "--groups N", "--seed N", "--help",
                             "--version", "--lesson N", "--char-wpm C", "--effective-wpm E",
                             "--minutes M", "--score-copy KEY COPY", "--json",
                             "--export-history FILE"}) {
    EXPECT_NE(usage.find(option), std::string::npos) << option;
  }
  // Every line fits a terminal of 80 columns.
  size_t start = 0;
  for (size_t end = usage.find('\n'); end != std::string::npos; end = usage.find('\n', start)) {
    EXPECT_LE(end - start, 80u) << usage.substr(start, end - start);
    start = end + 1;
  }
}

}  // namespace
}  // namespace dovrik
