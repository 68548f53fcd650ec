#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "tables/character_table.h"
#include "tables/slider_table.h"

namespace dovrik {
namespace {

TEST(SliderTableTest, TenRowsInFileOrderThenZeroRow) {
  const char* keys[] = {"[SPEED]",  "[GROUPS]", "[RATIO]", "[GROUPSPACE]", "[CHARSPACE]",
                        "[VOLUME]", "[NOISE]",  "[TONE]",  "[ATTACK]",     "[JITTER]"};
  int rows = 0;
  for (const SliderSpec* row = SliderTable; row->controlId != 0; ++row, ++rows) {
    ASSERT_LT(rows, kSliderCount);
    EXPECT_STREQ(row->key, keys[rows]);
    EXPECT_LE(row->minimum, row->startValue) << row->key;
    EXPECT_LE(row->startValue, row->maximum) << row->key;
    // The start value travels in the high 16 bits of a scroll notification.
    EXPECT_GE(row->minimum, 0) << row->key;
    EXPECT_LE(row->maximum, 0xFFFF) << row->key;
  }
  EXPECT_EQ(rows, kSliderCount);
}

TEST(SliderTableTest, RangesAndDefaultsOfTheRowsTheExercisesRead) {
  struct Expected {
    int32_t id, minimum, maximum, defaultValue;
  };
  const Expected expected[] = {{1005, 6, 36, 12}, {1006, 1, 100, 25},     {1009, 2, 5, 3},
                               {1011, 1, 4, 1},   {1013, 1, 4, 1},        {1015, 0, 100, 100},
                               {1017, 0, 100, 0}, {1019, 600, 1500, 900}, {1021, 0, 75, 5},
                               {1023, 0, 50, 0}};
  for (int i = 0; i < kSliderCount; ++i) {
    EXPECT_EQ(SliderTable[i].controlId, expected[i].id) << i;
    EXPECT_EQ(SliderTable[i].minimum, expected[i].minimum) << i;
    EXPECT_EQ(SliderTable[i].maximum, expected[i].maximum) << i;
    EXPECT_EQ(SliderTable[i].startValue, expected[i].defaultValue) << i;
  }
}

TEST(CharacterTableTest, FortyDistinctRowsThenZeroRow) {
  std::set<int32_t> buttons;
  std::string characters;
  for (const CharacterEntry* row = CharacterTable; row->buttonId != 0; ++row) {
    buttons.insert(row->buttonId);
    characters += row->character;
    const size_t length = std::strlen(row->pattern);
    EXPECT_GE(length, 1u) << row->character;
    EXPECT_LE(length, 6u) << row->character;
    EXPECT_EQ(std::strspn(row->pattern, ".-"), length) << row->character;
    EXPECT_GE(row->buttonId, 1042) << row->character;
    EXPECT_LE(row->buttonId, 1082) << row->character;
  }
  EXPECT_EQ(characters, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789!?=/");
  EXPECT_EQ(buttons.size(), 40u);
  // The preamble button shares the range of ids but is no row.
  EXPECT_EQ(buttons.count(kPreambleButtonId), 0u);
  EXPECT_EQ(CharacterTable[kCharacterCount].character, '\0');
}

}  // namespace
}  // namespace dovrik
