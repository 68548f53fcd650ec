#include "practice/practice_file.h"

#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/practice_command.h"
#include "platform/audio_format.h"
#include "sender/group_synthesis.h"
#include "sender/noise_cursor.h"
#include "sender/sending_parameters.h"
#include "tables/character_table.h"
#include "tests/support/slider_start_values_guard.h"

namespace dovrik {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kClockMs = 31337;

class FixedClock : public Clock {
 public:
  uint32_t NowMs() override { return kClockMs; }
};

struct Ini {
  std::map<std::string, int> sliders;  // key without brackets -> value
  std::string ticked;
  bool preamble = false;
};

struct SoundFile {
  bool opened = false;
  SF_INFO info{};
  std::vector<int16_t> samples;
};

SoundFile ReadSoundFile(const fs::path& path) {
  SoundFile file;
  SNDFILE* sound = sf_open(path.c_str(), SFM_READ, &file.info);
  if (sound == nullptr) return file;
  file.opened = true;
  file.samples.resize(static_cast<size_t>(file.info.frames * file.info.channels));
  file.samples.resize(static_cast<size_t>(
      sf_read_short(sound, file.samples.data(), static_cast<sf_count_t>(file.samples.size()))));
  sf_close(sound);
  return file;
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

const char* PatternOf(char character) {
  for (const CharacterEntry* row = CharacterTable; row->buttonId != 0; ++row) {
    if (row->character == character) return row->pattern;
  }
  return nullptr;
}

// Each test works in a folder of its own, which holds its Dovrik.ini.
class PracticeFileTest : public ::testing::Test {
 protected:
  PracticeFileTest() {
    char name[] = "/tmp/dovrik-practice-XXXXXX";
    folder_ = mkdtemp(name);
    previous_ = fs::current_path();
    fs::current_path(folder_);
  }
  ~PracticeFileTest() override {
    fs::current_path(previous_);
    fs::remove_all(folder_);
  }

  void WriteIni(const Ini& ini) {
    std::ofstream out("Dovrik.ini");
    out << "# Dovrik configuration file\n\n";
    for (const auto& [key, value] : ini.sliders) out << "[" << key << "]\n" << value << "\n\n";
    out << "[VVV=]\n" << (ini.preamble ? 1 : 0) << "\n\n";
    for (char c : ini.ticked) out << "[" << c << "]\n1\n\n";
  }

  // Runs the command as `dovrik --practice-file path ...` would.
  int Run(const std::string& path, std::optional<int32_t> groups = {},
          std::optional<uint32_t> seed = {}) {
    std::FILE* out = std::tmpfile();
    std::FILE* errors = std::tmpfile();
    FixedClock clock;
    PracticeFileOptions options;
    options.path = path;
    options.groups = groups;
    options.seed = seed;
    const int status = RunPracticeFileCommand(options, clock, out, errors);
    out_ = Contents(out);
    errors_ = Contents(errors);
    return status;
  }

  std::set<std::string> FolderEntries() const {
    std::set<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(folder_))
      names.insert(fs::relative(entry.path(), folder_).string());
    return names;
  }

  static std::string Contents(std::FILE* file) {
    std::string text;
    std::rewind(file);
    for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
    std::fclose(file);
    return text;
  }

  fs::path folder_;
  fs::path previous_;
  std::string out_;
  std::string errors_;
  SliderStartValuesGuard startValues_;  // the reader writes them process-wide
};

// The WAV holds exactly what the synthesis gives for the same settings: the
// two lead-in seconds, the preamble, then the groups of the key, all through
// one noise cursor started from the seed; and the key holds the groups that
// the generator seeded with it draws from the ticked characters.
TEST_F(PracticeFileTest, WavHoldsExactlyTheSynthesisForTheSettingsAndSeed) {
  const SendingSliders sliders{20, 4, 2, 3, 1100, 30, 15, 25};
  WriteIni({{{"SPEED", 20},
             {"RATIO", 4},
             {"CHARSPACE", 2},
             {"GROUPSPACE", 3},
             {"TONE", 1100},
             {"ATTACK", 30},
             {"JITTER", 15},
             {"NOISE", 25},
             {"GROUPS", 7},
             {"VOLUME", 10}},
            "KM5/",
            true});
  constexpr uint32_t kSeed = 987654;
  ASSERT_EQ(Run("lesson.wav", {}, kSeed), 0) << errors_;
  EXPECT_EQ(errors_, "");
  EXPECT_EQ(out_, "Wrote lesson.wav (7 groups, " + out_.substr(out_.find(", ") + 2));

  std::string expectedKey;
  RandomSource random(kSeed);
  const std::string ticked = "KM5/";  // in CharacterTable order
  for (int group = 0; group < 7; ++group) {
    for (int i = 0; i < 5; ++i) expectedKey += ticked[static_cast<size_t>(random.Next() % 4)];
    expectedKey += ' ';
  }
  EXPECT_EQ(ReadText("lesson.txt"), expectedKey + "\n");

  NoiseCursor cursor;
  const SendingParameters parameters = DeriveSendingParameters(sliders, kSeed, cursor);
  std::vector<int16_t> expected;
  std::vector<int16_t> buffer(static_cast<size_t>(parameters.capacity));
  for (bool ramp : {true, false}) {
    FillLeadIn(buffer, kSampleRate, ramp, parameters, cursor);
    expected.insert(expected.end(), buffer.begin(), buffer.begin() + kSampleRate);
  }
  auto synthesize = [&](std::vector<const char*> patterns) {
    const std::optional<int32_t> count = SynthesizeGroup(patterns, buffer, parameters, cursor);
    ASSERT_TRUE(count);
    expected.insert(expected.end(), buffer.begin(), buffer.begin() + *count);
  };
  synthesize({PreamblePattern});
  for (size_t group = 0; group < 7; ++group) {
    std::vector<const char*> patterns;
    for (size_t i = 0; i < 5; ++i) patterns.push_back(PatternOf(expectedKey[group * 6 + i]));
    synthesize(patterns);
  }

  const SoundFile wav = ReadSoundFile("lesson.wav");
  ASSERT_TRUE(wav.opened);
  EXPECT_EQ(wav.info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  EXPECT_EQ(wav.info.samplerate, kSampleRate);
  EXPECT_EQ(wav.info.channels, kChannels);
  ASSERT_EQ(wav.samples.size(), expected.size());
  EXPECT_TRUE(wav.samples == expected);
  EXPECT_EQ(FolderEntries(), (std::set<std::string>{"Dovrik.ini", "lesson.wav", "lesson.txt"}));
}

// Reads Morse back from silence and tone at noise 0 and no jitter: a run of
// 50 or more zero samples is silence (a 600 Hz tone crosses zero within a
// few samples). Gives each group as its characters' patterns; `dot` in
// samples sets the thresholds: a tone over two dots is a dash, a silence
// under two dots an element gap, under `groupGap` dots a character gap.
std::vector<std::vector<std::string>> DecodeMorse(const std::vector<int16_t>& samples, double dot,
                                                  double groupGap) {
  std::vector<std::pair<bool, size_t>> runs;  // tone?, length
  size_t i = 0;
  while (i < samples.size()) {
    size_t zeros = 0;
    while (i + zeros < samples.size() && samples[i + zeros] == 0) ++zeros;
    const bool silence = zeros >= 50 || i + zeros == samples.size();
    const size_t length = zeros > 0 ? zeros : 1;
    if (!runs.empty() && runs.back().first == !silence) {
      runs.back().second += length;
    } else {
      runs.emplace_back(!silence, length);
    }
    i += length;
  }
  std::vector<std::vector<std::string>> groups(1);
  std::string pattern;
  for (const auto& [tone, length] : runs) {
    if (tone) {
      pattern += static_cast<double>(length) > 2 * dot ? '-' : '.';
      continue;
    }
    if (pattern.empty() || static_cast<double>(length) < 2 * dot) continue;
    groups.back().push_back(pattern);
    pattern.clear();
    if (static_cast<double>(length) > groupGap * dot) groups.emplace_back();
  }
  if (!pattern.empty()) groups.back().push_back(pattern);
  if (groups.back().empty()) groups.pop_back();
  return groups;
}

struct DecodeCase {
  const char* name;
  bool preamble;
};

class PracticeFileDecodes : public PracticeFileTest,
                            public ::testing::WithParamInterface<DecodeCase> {};

// The key can be heard in the audio, group by group; the preamble sounds
// first when it is ticked and only then, and adds nothing to the key.
TEST_P(PracticeFileDecodes, TheAnswerKeyFromTheAudio) {
  WriteIni({{{"GROUPS", 50}}, "AEIMNOT05?=", GetParam().preamble});
  ASSERT_EQ(Run("lesson.wav", 4, 2024), 0) << errors_;
  const std::string key = ReadText("lesson.txt");
  ASSERT_EQ(key.size(), 4u * 6 + 1);

  std::vector<std::vector<std::string>> expected;
  if (GetParam().preamble) expected.push_back({PreamblePattern});
  for (size_t group = 0; group < 4; ++group) {
    expected.emplace_back();
    for (size_t i = 0; i < 5; ++i) expected.back().push_back(PatternOf(key[group * 6 + i]));
  }
  // Speed 12: a dot is 60 / (41 x 12) s; character gaps last 3 dots, gaps
  // after a group 4.33.
  const double dot = 60.0 / (41 * 12) * kSampleRate;
  const SoundFile wav = ReadSoundFile("lesson.wav");
  EXPECT_EQ(DecodeMorse(wav.samples, dot, 3.67), expected);
}

INSTANTIATE_TEST_SUITE_P(Preamble, PracticeFileDecodes,
                         ::testing::Values(DecodeCase{"Ticked", true},
                                           DecodeCase{"Unticked", false}),
                         [](const auto& info) { return std::string(info.param.name); });

// At the default settings the preamble is 127,312 samples long, and it
// changes neither the groups drawn nor their lengths.
TEST_F(PracticeFileTest, PreambleAddsItsSamplesAndNoText) {
  WriteIni({{}, "XYZ", false});
  ASSERT_EQ(Run("plain.wav", 3, 5), 0) << errors_;
  WriteIni({{}, "XYZ", true});
  ASSERT_EQ(Run("preamble.wav", 3, 5), 0) << errors_;
  EXPECT_EQ(ReadText("plain.txt"), ReadText("preamble.txt"));
  EXPECT_EQ(ReadSoundFile("preamble.wav").samples.size(),
            ReadSoundFile("plain.wav").samples.size() + 127312);
}

// The same seed writes the same bytes; another seed draws other groups.
// Without --seed the clock seeds the generator and starts the noise.
TEST_F(PracticeFileTest, SeedMakesTheFileRepeatable) {
  WriteIni({{{"NOISE", 40}, {"JITTER", 20}}, "ABCDEFGHIJKLMNOPQRSTUVWXYZ", true});
  ASSERT_EQ(Run("one.flac", 6, 12345), 0) << errors_;
  ASSERT_EQ(Run("two.flac", 6, 12345), 0) << errors_;
  ASSERT_EQ(Run("other.flac", 6, 12346), 0) << errors_;
  ASSERT_EQ(Run("clock.flac", 6), 0) << errors_;
  ASSERT_EQ(Run("clock-seed.flac", 6, kClockMs), 0) << errors_;

  EXPECT_EQ(ReadText("one.flac"), ReadText("two.flac"));
  EXPECT_EQ(ReadText("one.txt"), ReadText("two.txt"));
  EXPECT_NE(ReadText("one.txt"), ReadText("other.txt"));
  EXPECT_EQ(ReadText("clock.flac"), ReadText("clock-seed.flac"));
}

// FLAC is lossless: the same samples as the WAV. The lossy formats, where
// the library can write them, still make a file of one channel at 22,050 Hz
// that a reader opens.
TEST_F(PracticeFileTest, FormatFollowsTheExtension) {
  WriteIni({{}, "QRS", false});
  ASSERT_EQ(Run("lesson.wav", 1, 3), 0) << errors_;
  ASSERT_EQ(Run("lesson.FLAC", 1, 3), 0) << errors_;
  const SoundFile wav = ReadSoundFile("lesson.wav");
  const SoundFile flac = ReadSoundFile("lesson.FLAC");
  EXPECT_EQ(flac.info.format, SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
  EXPECT_TRUE(flac.samples == wav.samples);

  for (const char* name : {"lesson.ogg", "lesson.mp3"}) {
    SF_INFO probe{kSampleRate, kChannels, 0, 0, 0, 0};
    probe.format = std::string(name).ends_with("ogg") ? (SF_FORMAT_OGG | SF_FORMAT_VORBIS)
                                                      : (SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III);
    if (!sf_format_check(&probe)) continue;
    ASSERT_EQ(Run(name, 1, 3), 0) << errors_;
    const SoundFile lossy = ReadSoundFile(name);
    ASSERT_TRUE(lossy.opened) << name;
    EXPECT_EQ(lossy.info.samplerate, kSampleRate) << name;
    EXPECT_EQ(lossy.info.channels, kChannels) << name;
    EXPECT_GT(lossy.samples.size(), wav.samples.size() * 9 / 10) << name;
  }
}

struct FailureCase {
  const char* name;
  const char* ticked;
  const char* path;
  const char* message;
  bool wholeLine =
      true;  // else the line starts with `message` and goes on with the library's reason
};

class PracticeFileFails : public PracticeFileTest,
                          public ::testing::WithParamInterface<FailureCase> {};

// One line on the error stream, status 1, and nothing left behind: no sound
// file, no key, no temporary file.
TEST_P(PracticeFileFails, WithOneLineAndNothingLeftBehind) {
  const FailureCase& c = GetParam();
  WriteIni({{}, c.ticked, false});
  fs::create_directory("taken.wav");
  fs::create_directory("keyed.txt");
  const std::set<std::string> before = FolderEntries();

  EXPECT_EQ(Run(c.path, 2, 1), 1);
  if (c.wholeLine) {
    EXPECT_EQ(errors_, std::string(c.message) + "\n");
  } else {
    EXPECT_TRUE(errors_.starts_with(c.message)) << errors_;
    EXPECT_GT(errors_.size(), std::string(c.message).size() + 1);
    EXPECT_EQ(errors_.find('\n'), errors_.size() - 1) << errors_;
  }
  EXPECT_EQ(out_, "");
  EXPECT_EQ(FolderEntries(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PracticeFileFails,
    ::testing::Values(
        FailureCase{"NothingTicked", "", "lesson.wav",
                    "dovrik: no character is ticked in Dovrik.ini, so there is nothing to "
                    "practise"},
        FailureCase{"UnknownExtension", "AB", "lesson.xyz",
                    "dovrik: cannot write \"lesson.xyz\": the name must end in .wav, .flac, "
                    ".ogg, .opus or .mp3"},
        FailureCase{"NoExtension", "AB", "lesson",
                    "dovrik: cannot write \"lesson\": the name must end in .wav, .flac, .ogg, "
                    ".opus or .mp3"},
        // Ogg Opus takes no 22,050 Hz; libsndfile says so when the file is opened.
        FailureCase{"FormatTheLibraryCannotWrite", "AB", "lesson.opus",
                    "dovrik: cannot write \"lesson.opus\": ", false},
        FailureCase{"MissingFolder", "AB", "missing/lesson.wav",
                    "dovrik: cannot write \"missing/lesson.wav\": No such file or directory"},
        FailureCase{"FolderIsAFile", "AB", "Dovrik.ini/lesson.wav",
                    "dovrik: cannot write \"Dovrik.ini/lesson.wav\": Not a directory"},
        FailureCase{"TargetIsAFolder", "AB", "taken.wav",
                    "dovrik: cannot write \"taken.wav\": Is a directory"},
        FailureCase{"AnswerKeyIsAFolder", "AB", "keyed.wav",
                    "dovrik: cannot write \"keyed.txt\": the answer key could not be written"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AnswerKeyPath, ReplacesTheExtension) {
  EXPECT_EQ(AnswerKeyPath("lesson.wav"), "lesson.txt");
  EXPECT_EQ(AnswerKeyPath("a.b/lesson.final.flac"), "a.b/lesson.final.txt");
  EXPECT_EQ(AnswerKeyPath("a.b/lesson"), "a.b/lesson.txt");
  EXPECT_EQ(AnswerKeyPath(".hidden"), ".hidden.txt");
}

}  // namespace
}  // namespace dovrik
