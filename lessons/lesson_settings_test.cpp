#include "lessons/lesson_settings.h"

#include <gtest/gtest.h>

namespace dovrik {
namespace {

TEST(LessonSettings, DefaultsRangesAndTheRestOfTheFileKept) {
  const LessonSettings defaults = ReadLessonSettings(SettingsFile());
  EXPECT_EQ(defaults.pitch, 600);
  EXPECT_EQ(defaults.charWpm, 20);
  EXPECT_EQ(defaults.effectiveWpm, 10);
  EXPECT_EQ(defaults.minutes, 2);
  EXPECT_EQ(defaults.groups, GroupMode::kFive);

  SettingsFile file = SettingsFile::Parse(
      "# mine\n[keyer]\nmode=iambic-b\n[lessons]\npitch=2000\nchar_wpm=15\neffective_wpm=40\n"
      "minutes=0\ngroups=variable\nattack_ms=soft\n");
  const LessonSettings read = ReadLessonSettings(file);
  EXPECT_EQ(read.pitch, 1500);
  EXPECT_EQ(read.charWpm, 15);
  EXPECT_EQ(read.effectiveWpm, 15);  // never above the character speed
  EXPECT_EQ(read.minutes, 1);
  EXPECT_EQ(read.groups, GroupMode::kVariable);
  EXPECT_EQ(read.attack, 5);

  LessonSettings changed = read;
  changed.noise = 30;
  changed.groups = GroupMode::kFive;
  WriteLessonSettings(changed, file);
  const SettingsFile again = SettingsFile::Parse(file.Text());
  EXPECT_EQ(ReadLessonSettings(again).noise, 30);
  EXPECT_EQ(ReadLessonSettings(again).groups, GroupMode::kFive);
  EXPECT_EQ(again.Get("keyer", "mode"), "iambic-b");
  EXPECT_EQ(file.Text().rfind("# mine\n", 0), 0u);
}

}  // namespace
}  // namespace dovrik
