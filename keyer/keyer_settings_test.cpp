#include "keyer/keyer_settings.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "settings/settings_file.h"

namespace dovrik {
namespace {

struct FileCase {
  const char* name;
  const char* text;
  KeyerMode mode;
  int wpm;
  bool swap;
};

class KeyerSettingsFileTest : public ::testing::TestWithParam<FileCase> {};

TEST_P(KeyerSettingsFileTest, ReadsWhatMakesSenseAndDefaultsTheRest) {
  const FileCase& c = GetParam();
  const SettingsFile file = SettingsFile::Parse(c.text);
  const KeyerSettings settings = ReadKeyerSettings(file);
  EXPECT_EQ(settings.mode, c.mode);
  EXPECT_EQ(settings.wpm, c.wpm);
  EXPECT_EQ(settings.swapPaddles, c.swap);
  EXPECT_EQ(file.Text(), SettingsFile::Parse(c.text).Text()) << "reading changes nothing";
}

INSTANTIATE_TEST_SUITE_P(
    Files, KeyerSettingsFileTest,
    ::testing::Values(
        FileCase{"Empty", "", KeyerMode::kStraight, 20, false},
        FileCase{"All", "[keyer]\nmode = iambic-b\nwpm = 28\nswap = 1\n", KeyerMode::kIambicB, 28,
                 true},
        FileCase{"OtherSectionsIgnored", "[lessons]\nmode=bug\nwpm=30\n[keyer]\nswap=0\n",
                 KeyerMode::kStraight, 20, false},
        FileCase{"SlowClampedUp", "[keyer]\nmode=ultimatic\nwpm=2\n", KeyerMode::kUltimatic, 5,
                 false},
        FileCase{"FastClampedDown", "[keyer]\nmode=bug\nwpm=500\n", KeyerMode::kBug, 50, false},
        FileCase{"GarbageMeansDefaults", "[keyer]\nmode=Iambic-A\nwpm=fast\nswap=maybe\n",
                 KeyerMode::kStraight, 20, false},
        FileCase{"FirstLineOfAKeyCounts", "[keyer]\nmode=iambic-a\nmode=bug\n", KeyerMode::kIambicA,
                 20, false}),
    [](const auto& info) { return std::string(info.param.name); });

// The settings of a run from a real file, the command line over it, and a
// file written back keeping every line it had.
TEST(KeyerSettingsOnDisk, TheOptionOverridesTheFileAndWritingKeepsEveryLine) {
  char folder[] = "/tmp/dovrik-keyer-settings-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string path = std::string(folder) + "/dovrik/settings.ini";
  const std::string text =
      "# my keyer\n[keyer]\nwpm = 32\nmode = ultimatic\nnote = kept\n[lessons]\nlesson=4\n";
  const SettingsFile first = SettingsFile::Parse(text);
  ASSERT_TRUE(first.Save(path));

  const KeyerSettings fromFile = LoadKeyerSettings(path, std::nullopt);
  EXPECT_EQ(fromFile.mode, KeyerMode::kUltimatic);
  EXPECT_EQ(fromFile.wpm, 32);

  const KeyerSettings modeOnly = LoadKeyerSettings(path, KeyerOption{KeyerMode::kIambicB, {}});
  EXPECT_EQ(modeOnly.mode, KeyerMode::kIambicB);
  EXPECT_EQ(modeOnly.wpm, 32) << "the file's speed stays without one on the command line";
  const KeyerSettings both = LoadKeyerSettings(path, KeyerOption{KeyerMode::kBug, 12});
  EXPECT_EQ(both.mode, KeyerMode::kBug);
  EXPECT_EQ(both.wpm, 12);

  EXPECT_EQ(LoadKeyerSettings(std::string(folder) + "/none.ini", std::nullopt).wpm, 20);

  SettingsFile file = SettingsFile::Load(path);
  WriteKeyerSettings(KeyerSettings{KeyerMode::kIambicA, 25, true}, file);
  ASSERT_TRUE(file.Save(path));
  std::ifstream written(path);
  std::stringstream content;
  content << written.rdbuf();
  EXPECT_EQ(content.str(),
            "# my keyer\n[keyer]\nwpm=25\nmode=iambic-a\nnote = kept\nswap=1\n[lessons]\n"
            "lesson=4\n");
  const KeyerSettings again = LoadKeyerSettings(path, std::nullopt);
  EXPECT_EQ(again.mode, KeyerMode::kIambicA);
  EXPECT_EQ(again.wpm, 25);
  EXPECT_TRUE(again.swapPaddles);

  std::remove(path.c_str());
  rmdir((std::string(folder) + "/dovrik").c_str());
  rmdir(folder);
}

}  // namespace
}  // namespace dovrik
