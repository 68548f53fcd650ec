#include "config/config_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>

#include "tests/support/slider_start_values_guard.h"
#include "tables/character_table.h"
#include "tables/slider_table.h"
#include "tests/support/fake_dialog.h"

namespace dovrik {
namespace {

namespace fs = std::filesystem;
using testing::FakeDialog;

// The file a save writes with the built-in defaults and nothing ticked.
const char kDefaultFile[] = R"(# Dovrik configuration file

[SPEED]
12

[GROUPS]
25

[RATIO]
3

[GROUPSPACE]
1

[CHARSPACE]
1

[VOLUME]
100

[NOISE]
0

[TONE]
900

[ATTACK]
5

[JITTER]
0

[VVV=]
0

[A]
0

[B]
0

[C]
0

[D]
0

[E]
0

[F]
0

[G]
0

[H]
0

[I]
0

[J]
0

[K]
0

[L]
0

[M]
0

[N]
0

[O]
0

[P]
0

[Q]
0

[R]
0

[S]
0

[T]
0

[U]
0

[V]
0

[W]
0

[X]
0

[Y]
0

[Z]
0

[0]
0

[1]
0

[2]
0

[3]
0

[4]
0

[5]
0

[6]
0

[7]
0

[8]
0

[9]
0

[!]
0

[?]
0

[=]
0

[/]
0

)";

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

std::set<std::string> Listing(const fs::path& directory) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(directory)) {
    names.insert(entry.path().filename());
  }
  return names;
}

// Runs `body` in a forked child and returns its exit status, so that limits
// and identities set there do not touch the test process.
int RunInChild(const std::function<int()>& body) {
  const pid_t child = fork();
  if (child == 0) _exit(body());
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

class ConfigFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/dovrik-config-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    directory_ = name;
    fs::permissions(directory_, fs::perms(0755));
    path_ = (directory_ / "Dovrik.ini").string();
  }
  void TearDown() override {
    std::error_code ignored;
    for (const auto& entry : fs::recursive_directory_iterator(directory_, ignored)) {
      if (entry.is_directory(ignored)) fs::permissions(entry.path(), fs::perms(0755), ignored);
    }
    fs::remove_all(directory_, ignored);
  }

  // A dialog whose controls hold the built-in defaults, as at start-up.
  void ResetToDefaults(FakeDialog& dialog) {
    const int defaults[] = {12, 25, 3, 1, 1, 100, 0, 900, 5, 0};
    for (int i = 0; i < kSliderCount; ++i) SliderTable[i].startValue = defaults[i];
    InitSliders(dialog);
  }

  SliderStartValuesGuard guard_;
  fs::path directory_;
  std::string path_;
};

TEST_F(ConfigFileTest, DefaultSaveIsExactlyTheHundredFiftyFiveLines) {
  FakeDialog dialog;
  ResetToDefaults(dialog);
  ASSERT_TRUE(SaveConfigFile(dialog, path_));
  const std::string text = ReadFile(path_);
  EXPECT_EQ(text, kDefaultFile);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 155);
  EXPECT_EQ(text.substr(text.size() - 2), "\n\n");
  EXPECT_EQ(Listing(directory_), std::set<std::string>{"Dovrik.ini"});
}

TEST_F(ConfigFileTest, SaveWritesControlsAsTheyStandNotStartValues) {
  FakeDialog dialog;
  ResetToDefaults(dialog);
  dialog.SetScroll(kSpeedScrollBarId, 30);
  dialog.SetTicked(kPreambleButtonId, true);
  dialog.SetTicked(1081, true);  // "/", the last row
  ASSERT_TRUE(SaveConfigFile(dialog, path_));
  std::string expected = kDefaultFile;
  expected.replace(expected.find("[SPEED]\n12\n"), 11, "[SPEED]\n30\n");
  expected.replace(expected.find("[VVV=]\n0\n"), 9, "[VVV=]\n1\n");
  expected.replace(expected.find("[/]\n0\n"), 6, "[/]\n1\n");
  EXPECT_EQ(ReadFile(path_), expected);
}

TEST_F(ConfigFileTest, SaveReplacesALongerOldFileWhole) {
  WriteFile(path_, std::string(20000, 'x'));
  FakeDialog dialog;
  ResetToDefaults(dialog);
  ASSERT_TRUE(SaveConfigFile(dialog, path_));
  EXPECT_EQ(ReadFile(path_), kDefaultFile);
}

struct Settings {
  const char* name;
  int positions[kSliderCount];
  std::set<int> ticked;
};

void PrintTo(const Settings& settings, std::ostream* os) {
  *os << settings.name;
}

class ConfigRoundTripTest : public ConfigFileTest,
                            public ::testing::WithParamInterface<Settings> {};

// load(save(x)) == x: a fresh dialog ends with the same positions and ticks.
TEST_P(ConfigRoundTripTest, LoadOfSaveGivesTheSettingsBack) {
  const Settings& settings = GetParam();
  FakeDialog before;
  ResetToDefaults(before);
  for (int i = 0; i < kSliderCount; ++i) {
    before.SetScroll(SliderTable[i].controlId, settings.positions[i]);
  }
  for (int id : settings.ticked) before.SetTicked(id, true);
  ASSERT_TRUE(SaveConfigFile(before, path_));

  FakeDialog after;
  ResetToDefaults(after);
  LoadConfigFile(after, path_);
  InitSliders(after);
  for (int i = 0; i < kSliderCount; ++i) {
    EXPECT_EQ(after.GetScrollPos(SliderTable[i].controlId), settings.positions[i])
        << SliderTable[i].key;
  }
  for (const CharacterEntry* row = CharacterTable; row->buttonId != 0; ++row) {
    EXPECT_EQ(after.IsTicked(row->buttonId), settings.ticked.count(row->buttonId) == 1)
        << row->character;
  }
  EXPECT_EQ(after.IsTicked(kPreambleButtonId), settings.ticked.count(kPreambleButtonId) == 1);
}

std::set<int> EveryButton() {
  std::set<int> ids = {kPreambleButtonId};
  for (const CharacterEntry* row = CharacterTable; row->buttonId != 0; ++row) {
    ids.insert(row->buttonId);
  }
  return ids;
}

INSTANTIATE_TEST_SUITE_P(
    Settings, ConfigRoundTripTest,
    ::testing::Values(
        Settings{"Minimums", {6, 1, 2, 1, 1, 0, 0, 600, 0, 0}, {}},
        Settings{"Maximums", {36, 100, 5, 4, 4, 100, 100, 1500, 75, 50}, EveryButton()},
        Settings{"Mixed", {20, 7, 4, 2, 3, 55, 10, 1234, 33, 17}, {1042, 1078, 1080, 1081}}),
    [](const ::testing::TestParamInfo<Settings>& info) { return std::string(info.param.name); });

TEST_F(ConfigFileTest, InitSlidersMovesEveryScrollBarToItsStartValue) {
  WriteFile(path_, "[TONE]\n1500\n[ATTACK]\n76\n[jitter]\n50\n");
  FakeDialog dialog;
  LoadConfigFile(dialog, path_);
  InitSliders(dialog);
  const int expected[] = {12, 25, 3, 1, 1, 100, 0, 1500, 5, 50};
  for (int i = 0; i < kSliderCount; ++i) {
    const SliderSpec& row = SliderTable[i];
    EXPECT_EQ(dialog.Range(row.controlId), std::make_pair(row.minimum, row.maximum)) << row.key;
    EXPECT_EQ(dialog.GetScrollPos(row.controlId), expected[i]) << row.key;
  }
}

TEST_F(ConfigFileTest, MissingFileChangesNothing) {
  FakeDialog dialog;
  dialog.SetTicked(1042, true);
  SliderTable[0].startValue = 20;
  LoadConfigFile(dialog, (directory_ / "absent.ini").string());
  EXPECT_TRUE(dialog.IsTicked(1042));
  EXPECT_EQ(SliderTable[0].startValue, 20);
}

// The program calls all three without a path: the file is "Dovrik.ini" in
// the current working directory.
TEST_F(ConfigFileTest, DefaultPathIsDovrikIniInTheWorkingDirectory) {
  const fs::path previous = fs::current_path();
  fs::current_path(directory_);
  FakeDialog dialog;
  ResetToDefaults(dialog);
  dialog.SetTicked(1043, true);
  const bool saved = SaveConfigFile(dialog);
  FakeDialog reloaded;
  LoadConfigFile(reloaded);
  fs::current_path(previous);
  ASSERT_TRUE(saved);
  EXPECT_TRUE(fs::is_regular_file(directory_ / "Dovrik.ini"));
  EXPECT_TRUE(reloaded.IsTicked(1043));
}

TEST_F(ConfigFileTest, ExistingFileKeepsItsPermissions) {
  WriteFile(path_, "old\n");
  fs::permissions(path_, fs::perms(0640));
  FakeDialog dialog;
  ResetToDefaults(dialog);
  ASSERT_TRUE(SaveConfigFile(dialog, path_));
  EXPECT_EQ(fs::status(path_).permissions() & fs::perms::mask, fs::perms(0640));
}

TEST_F(ConfigFileTest, NewFileGetsTheUmaskNarrowedMode) {
  const mode_t mask = umask(022);
  FakeDialog dialog;
  ResetToDefaults(dialog);
  const bool saved = SaveConfigFile(dialog, path_);
  umask(mask);
  ASSERT_TRUE(saved);
  EXPECT_EQ(fs::status(path_).permissions() & fs::perms::mask, fs::perms(0644));
}

TEST_F(ConfigFileTest, SymbolicLinkStaysAndItsTargetIsReplaced) {
  fs::create_directory(directory_ / "data");
  WriteFile(directory_ / "data" / "real.ini", "old\n");
  // Dovrik.ini -> chain.ini -> data/real.ini, the first link absolute.
  fs::create_symlink("data/real.ini", directory_ / "chain.ini");
  fs::create_symlink(directory_ / "chain.ini", path_);
  FakeDialog dialog;
  ResetToDefaults(dialog);
  ASSERT_TRUE(SaveConfigFile(dialog, path_));
  EXPECT_TRUE(fs::is_symlink(path_));
  EXPECT_EQ(fs::read_symlink(path_), directory_ / "chain.ini");
  EXPECT_TRUE(fs::is_symlink(directory_ / "chain.ini"));
  EXPECT_EQ(ReadFile(directory_ / "data" / "real.ini"), kDefaultFile);
  EXPECT_EQ(Listing(directory_ / "data"), std::set<std::string>{"real.ini"});
}

TEST_F(ConfigFileTest, DanglingSymbolicLinkCreatesItsTarget) {
  fs::create_symlink("real.ini", path_);
  FakeDialog dialog;
  ResetToDefaults(dialog);
  ASSERT_TRUE(SaveConfigFile(dialog, path_));
  EXPECT_TRUE(fs::is_symlink(path_));
  EXPECT_EQ(ReadFile(directory_ / "real.ini"), kDefaultFile);
}

TEST_F(ConfigFileTest, LoopOfSymbolicLinksSavesNothing) {
  fs::create_symlink("other.ini", path_);
  fs::create_symlink("Dovrik.ini", directory_ / "other.ini");
  FakeDialog dialog;
  ResetToDefaults(dialog);
  EXPECT_FALSE(SaveConfigFile(dialog, path_));
  EXPECT_TRUE(fs::is_symlink(path_));
  EXPECT_EQ(Listing(directory_), (std::set<std::string>{"Dovrik.ini", "other.ini"}));
}

// The failures below are real ones that hold even for root, which the tests
// may run as: permission bits alone would not stop it.
const char kOldText[] = "# an older file\n[SPEED]\n20\n";

TEST_F(ConfigFileTest, FailedWriteLeavesTheOldFileUntouched) {
  WriteFile(path_, kOldText);
  // A file-size limit makes the write of the new text fail part-way
  // (EFBIG) for every user.
  const int status = RunInChild([&] {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit = {100, 100};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 2;
    FakeDialog dialog;
    ResetToDefaults(dialog);
    return SaveConfigFile(dialog, path_) ? 1 : 0;
  });
  EXPECT_EQ(status, 0) << "the save must report the failure";
  EXPECT_EQ(ReadFile(path_), kOldText);
  EXPECT_EQ(Listing(directory_), std::set<std::string>{"Dovrik.ini"});
}

TEST_F(ConfigFileTest, FailedRenameRemovesTheTemporaryFile) {
  // A non-empty directory named Dovrik.ini cannot be replaced by a file.
  fs::create_directory(path_);
  WriteFile(fs::path(path_) / "inside.txt", kOldText);
  FakeDialog dialog;
  ResetToDefaults(dialog);
  EXPECT_FALSE(SaveConfigFile(dialog, path_));
  EXPECT_EQ(ReadFile(fs::path(path_) / "inside.txt"), kOldText);
  EXPECT_EQ(Listing(directory_), std::set<std::string>{"Dovrik.ini"});
}

TEST_F(ConfigFileTest, VanishedDirectoryLeavesTheOldFileUntouched) {
  const fs::path gone = directory_ / "gone";
  fs::create_directory(gone);
  WriteFile(gone / "Dovrik.ini", kOldText);
  // The old file lives on through a second name once its directory is gone.
  fs::create_hard_link(gone / "Dovrik.ini", directory_ / "kept.ini");
  fs::remove_all(gone);
  FakeDialog dialog;
  ResetToDefaults(dialog);
  EXPECT_FALSE(SaveConfigFile(dialog, (gone / "Dovrik.ini").string()));
  EXPECT_FALSE(fs::exists(gone));
  EXPECT_EQ(ReadFile(directory_ / "kept.ini"), kOldText);
}

TEST_F(ConfigFileTest, ReadOnlyDirectoryLeavesTheOldFileUntouched) {
  const fs::path locked = directory_ / "locked";
  fs::create_directory(locked);
  WriteFile(locked / "Dovrik.ini", kOldText);
  fs::permissions(locked / "Dovrik.ini", fs::perms(0644));
  fs::permissions(locked, fs::perms(0555));
  // Root writes anywhere, so the save runs as an unprivileged user when the
  // test runs as root.
  const int status = RunInChild([&] {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return 77;
    FakeDialog dialog;
    ResetToDefaults(dialog);
    return SaveConfigFile(dialog, (locked / "Dovrik.ini").string()) ? 1 : 0;
  });
  if (status == 77) GTEST_SKIP() << "cannot drop root privileges here";
  EXPECT_EQ(status, 0) << "the save must report the failure";
  EXPECT_EQ(ReadFile(locked / "Dovrik.ini"), kOldText);
  EXPECT_EQ(Listing(locked), std::set<std::string>{"Dovrik.ini"});
}

// Runs `body` in a child as an unprivileged user: as itself when it is not
// root, as nobody (65534) when it is. Returns the body's status, or 77 when
// root cannot drop its privileges here.
int RunUnprivileged(const std::function<int()>& body) {
  return RunInChild([&] {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return 77;
    return body();
  });
}

TEST_F(ConfigFileTest, AReadOnlyFileInAWritableDirectoryIsLeftAlone) {
  // The user's own folder and file, the file made read-only (0444).
  const fs::path home = directory_ / "home";
  fs::create_directory(home);
  const fs::path file = home / "Dovrik.ini";
  WriteFile(file, kOldText);
  if (geteuid() == 0) {
    ASSERT_EQ(chown(home.c_str(), 65534, 65534), 0);
    ASSERT_EQ(chown(file.c_str(), 65534, 65534), 0);
  }
  fs::permissions(file, fs::perms(0444));
  const int status = RunUnprivileged([&] {
    FakeDialog dialog;
    ResetToDefaults(dialog);
    return SaveConfigFile(dialog, file.string()) ? 1 : 0;
  });
  if (status == 77) GTEST_SKIP() << "cannot drop root privileges here";
  EXPECT_EQ(status, 0) << "nothing may be saved";
  EXPECT_EQ(ReadFile(file), kOldText);
  EXPECT_EQ(fs::status(file).permissions() & fs::perms::mask, fs::perms(0444));
  EXPECT_EQ(Listing(home), std::set<std::string>{"Dovrik.ini"});
}

struct SpecialFileCase {
  const char* name;
  // Makes "Dovrik.ini" (or what it links to) in the directory; false when
  // this machine does not allow it.
  std::function<bool(const fs::path& directory)> make;
  fs::file_type kind;  // of the file the name finally leads to
};

void PrintTo(const SpecialFileCase& c, std::ostream* os) {
  *os << c.name;
}

class ConfigSpecialFileTest : public ConfigFileTest,
                              public ::testing::WithParamInterface<SpecialFileCase> {};

TEST_P(ConfigSpecialFileTest, IsNeverReplacedByARegularFile) {
  if (!GetParam().make(directory_)) GTEST_SKIP() << "cannot make one here";
  const std::set<std::string> before = Listing(directory_);
  FakeDialog dialog;
  ResetToDefaults(dialog);
  EXPECT_FALSE(SaveConfigFile(dialog, path_));
  EXPECT_EQ(fs::status(path_).type(), GetParam().kind);
  EXPECT_EQ(Listing(directory_), before);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ConfigSpecialFileTest,
    ::testing::Values(
        SpecialFileCase{
            "Fifo", [](const fs::path& d) { return mkfifo((d / "Dovrik.ini").c_str(), 0644) == 0; },
            fs::file_type::fifo},
        SpecialFileCase{"LinkToFifo",
                        [](const fs::path& d) {
                          fs::create_symlink("pipe", d / "Dovrik.ini");
                          return mkfifo((d / "pipe").c_str(), 0644) == 0;
                        },
                        fs::file_type::fifo},
        // A null device of the test's own, so that no system file is at stake.
        SpecialFileCase{"CharacterDevice",
                        [](const fs::path& d) {
                          return mknod((d / "Dovrik.ini").c_str(), S_IFCHR | 0666, makedev(1, 3)) ==
                                 0;
                        },
                        fs::file_type::character},
        SpecialFileCase{"EmptyDirectory",
                        [](const fs::path& d) { return fs::create_directory(d / "Dovrik.ini"); },
                        fs::file_type::directory}),
    [](const ::testing::TestParamInfo<SpecialFileCase>& info) {
      return std::string(info.param.name);
    });

// The id of a process that has ended.
pid_t EndedProcess() {
  const pid_t child = fork();
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);
  return child;
}

TEST_F(ConfigFileTest, TheNextSaveRemovesTheLeftoversOfAKilledSave) {
  const std::string ended = std::to_string(EndedProcess());
  const std::string running = std::to_string(getppid());
  WriteFile(path_, kOldText);
  const std::string leftovers[] = {"Dovrik.ini.tmp-" + ended + "-0",
                                   "Dovrik.ini.tmp-" + ended + "-17"};
  // Not leftovers: a save still running elsewhere, other names alike.
  const std::set<std::string> kept = {"Dovrik.ini",
                                      "Dovrik.ini.tmp-" + running + "-0",
                                      "Dovrik.ini.tmp-" + ended,
                                      "Dovrik.ini.tmp-" + ended + "-0.bak",
                                      "Dovrik.ini.tmp-x" + ended + "-0",
                                      "Other.ini.tmp-" + ended + "-0"};
  for (const std::string& name : leftovers) WriteFile(directory_ / name, "half a file");
  for (const std::string& name : kept) {
    if (name != "Dovrik.ini") WriteFile(directory_ / name, "someone else's");
  }
  FakeDialog dialog;
  ResetToDefaults(dialog);
  ASSERT_TRUE(SaveConfigFile(dialog, path_));
  EXPECT_EQ(Listing(directory_), kept);
  EXPECT_EQ(ReadFile(path_), kDefaultFile);
}

TEST_F(ConfigFileTest, LeftoversBesideALinksTargetAreRemovedThere) {
  fs::create_directory(directory_ / "data");
  WriteFile(directory_ / "data" / "real.ini", kOldText);
  fs::create_symlink("data/real.ini", path_);
  const std::string leftover = "real.ini.tmp-" + std::to_string(EndedProcess()) + "-3";
  WriteFile(directory_ / "data" / leftover, "half a file");
  FakeDialog dialog;
  ResetToDefaults(dialog);
  ASSERT_TRUE(SaveConfigFile(dialog, path_));
  EXPECT_EQ(Listing(directory_ / "data"), std::set<std::string>{"real.ini"});
  EXPECT_TRUE(fs::is_symlink(path_));
}

struct UnreadableCase {
  const char* name;
  std::function<void(const fs::path& file)> make;
  bool read;  // whether the "[A] 1" at its start ticks A
};

void PrintTo(const UnreadableCase& c, std::ostream* os) {
  *os << c.name;
}

class ConfigLoadLimitTest : public ConfigFileTest,
                            public ::testing::WithParamInterface<UnreadableCase> {};

// The load runs in a child with an alarm, so that a read that blocks or
// never ends fails the test instead of hanging it or eating the memory.
TEST_P(ConfigLoadLimitTest, ReadsOnlyARegularFileOfAtMostAMegabyte) {
  GetParam().make(path_);
  const int status = RunInChild([&] {
    alarm(2);
    FakeDialog dialog;
    LoadConfigFile(dialog, path_);
    return dialog.IsTicked(1042) ? 1 : 0;
  });
  EXPECT_EQ(status, GetParam().read ? 1 : 0);
}

// "[A]" and 1, padded with comment lines to `bytes` bytes in all.
std::string TickingFileOf(size_t bytes) {
  std::string text = "[A]\n1\n";
  const std::string comment = "# " + std::string(61, '-') + "\n";  // 64 bytes
  while (text.size() + comment.size() <= bytes) text += comment;
  text += std::string(bytes - text.size(), '\n');
  return text;
}

INSTANTIATE_TEST_SUITE_P(
    Files, ConfigLoadLimitTest,
    ::testing::Values(
        UnreadableCase{
            "OneMegabyte",
            [](const fs::path& f) { WriteFile(f, TickingFileOf(kLargestConfigFileBytes)); }, true},
        UnreadableCase{
            "OneByteMore",
            [](const fs::path& f) { WriteFile(f, TickingFileOf(kLargestConfigFileBytes + 1)); },
            false},
        UnreadableCase{"Huge",
                       [](const fs::path& f) {
                         WriteFile(f, "[A]\n1\n");
                         fs::resize_file(f, uint64_t{1} << 30);  // sparse, 1 GiB
                       },
                       false},
        UnreadableCase{"LinkToDevZero",
                       [](const fs::path& f) { fs::create_symlink("/dev/zero", f); }, false},
        UnreadableCase{"Fifo", [](const fs::path& f) { ASSERT_EQ(mkfifo(f.c_str(), 0644), 0); },
                       false},
        UnreadableCase{"Directory", [](const fs::path& f) { fs::create_directory(f); }, false}),
    [](const ::testing::TestParamInfo<UnreadableCase>& info) {
      return std::string(info.param.name);
    });

}  // namespace
}  // namespace dovrik
