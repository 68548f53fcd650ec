#include "settings/settings_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "settings/xdg_paths.h"

namespace dovrik {
namespace {

TEST(SettingsFileTest, EveryLineSurvivesAndSetChangesOnlyItsKey) {
  const std::string text =
      "# kept\n"
      "orphan = 1\n"
      "[keyer]\n"
      "mode = iambic-b\n"
      "garbage line\n"
      "speed=25\n"
      "\n"
      "[other]\n"
      "unknown=kept too\n";
  SettingsFile file = SettingsFile::Parse(text);
  EXPECT_EQ(file.Text(), text);
  EXPECT_EQ(file.Get("keyer", "mode"), "iambic-b");
  EXPECT_EQ(file.Get("", "orphan"), "1");
  EXPECT_FALSE(file.Get("keyer", "garbage line"));
  EXPECT_FALSE(file.Get("other", "mode"));

  file.SetInt("keyer", "speed", 30);  // in place
  file.SetBool("keyer", "swap", true);  // after the section's last line
  file.Set("lessons", "lesson", "3\n4");  // a new section; no line break gets in
  EXPECT_EQ(file.Text(),
            "# kept\n"
            "orphan = 1\n"
            "[keyer]\n"
            "mode = iambic-b\n"
            "garbage line\n"
            "speed=30\n"
            "swap=true\n"
            "\n"
            "[other]\n"
            "unknown=kept too\n"
            "\n"
            "[lessons]\n"
            "lesson=3 4\n");
  EXPECT_EQ(SettingsFile::Parse(file.Text()).Text(), file.Text());
}

TEST(SettingsFileTest, NumbersAndSwitchesReadAsFarAsTheyMakeSense) {
  const SettingsFile file = SettingsFile::Parse(
      "[s]\nok=+12\nlow=-7\nhigh=999999999999999999999\nword=12x\nempty=\n"
      "yes=on\nno=0\nodd=maybe\r\n");
  EXPECT_EQ(file.GetInt("s", "ok", 5, 5, 50), 12);
  EXPECT_EQ(file.GetInt("s", "low", 20, 5, 50), 5);
  EXPECT_EQ(file.GetInt("s", "high", 20, 5, 50), 50);
  EXPECT_EQ(file.GetInt("s", "word", 20, 5, 50), 20);
  EXPECT_EQ(file.GetInt("s", "empty", 20, 5, 50), 20);
  EXPECT_EQ(file.GetInt("s", "missing", 20, 5, 50), 20);
  EXPECT_TRUE(file.GetBool("s", "yes", false));
  EXPECT_FALSE(file.GetBool("s", "no", true));
  EXPECT_TRUE(file.GetBool("s", "odd", true));
}

class SettingsPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = ::testing::TempDir() + "dovrik_settings_" + std::to_string(getpid());
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"}) {
      const char* value = std::getenv(name);
      saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
  }
  void TearDown() override {
    for (auto& [name, value] : saved_) {
      if (value) setenv(name, value->c_str(), 1); else unsetenv(name);
    }
    std::system(("rm -rf '" + root_ + "'").c_str());
  }
  std::string root_;
  std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

TEST_F(SettingsPathTest, FollowsTheXdgRulesAndSavesIntoNewFolders) {
  setenv("HOME", root_.c_str(), 1);
  unsetenv("XDG_CONFIG_HOME");
  setenv("XDG_DATA_HOME", "relative/is/ignored", 1);
  EXPECT_EQ(SettingsFilePath(), root_ + "/.config/dovrik/settings.ini");
  EXPECT_EQ(DovrikDataDirectory(), root_ + "/.local/share/dovrik");
  setenv("XDG_CONFIG_HOME", (root_ + "/cfg").c_str(), 1);
  const std::string path = SettingsFilePath();
  EXPECT_EQ(path, root_ + "/cfg/dovrik/settings.ini");

  SettingsFile file;
  file.SetInt("keyer", "speed", 25);
  ASSERT_TRUE(file.Save(path));
  struct stat status {};
  ASSERT_EQ(::stat((root_ + "/cfg/dovrik").c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0700u);
  EXPECT_EQ(SettingsFile::Load(path).GetInt("keyer", "speed", 0, 5, 50), 25);

  // Something that is not a regular file reads as empty and is not replaced.
  const std::string directory = root_ + "/cfg/dovrik/as-directory";
  ASSERT_TRUE(MakeDirectories(directory));
  EXPECT_EQ(SettingsFile::Load(directory).Text(), "");
  EXPECT_FALSE(file.Save(directory));
}

}  // namespace
}  // namespace dovrik
