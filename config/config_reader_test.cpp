#include "config/config_reader.h"

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "tests/support/slider_start_values_guard.h"
#include "tables/character_table.h"
#include "tables/slider_table.h"
#include "tests/support/fake_dialog.h"

namespace dovrik {
namespace {

using testing::FakeDialog;

constexpr int kA = 1042;
constexpr int kZ = 1054;
constexpr int kSpeed = kSpeedScrollBarId;
constexpr int kGroups = kGroupsScrollBarId;
constexpr int kRatio = kRatioScrollBarId;
constexpr int kTone = kToneScrollBarId;

struct ReadCase {
  const char* name;
  std::string text;
  std::map<int, int> startValues;  // rows whose start value must differ from the default
  std::set<int> ticked;            // buttons ticked afterwards; every other one unticked
  std::set<int> tickedBefore = {};
};

void PrintTo(const ReadCase& c, std::ostream* os) {
  *os << c.name;
}

std::string Repeat(char c, size_t count) {
  return std::string(count, c);
}

const ReadCase kReadCases[] = {
    {"UppercaseKey", "[SPEED]\n20\n", {{kSpeed, 20}}, {}},
    {"LowercaseKey", "[speed]\n20\n", {{kSpeed, 20}}, {}},
    {"MixedCaseKey", "[Speed]\n21\n[gRoUpS]\n7\n", {{kSpeed, 21}, {kGroups, 7}}, {}},
    {"LowercaseCharacterKey", "[a]\n1\n", {}, {kA}},
    {"ToneAboveRangeKeepsDefault", "[TONE]\n2000\n", {}, {}},
    {"ToneMaximumTaken", "[TONE]\n1500\n", {{kTone, 1500}}, {}},
    {"ToneMinimumTaken", "[TONE]\n600\n", {{kTone, 600}}, {}},
    {"ToneBelowRangeKeepsDefault", "[TONE]\n599\n", {}, {}},
    {"RatioFiveTaken", "[RATIO]\n5\n", {{kRatio, 5}}, {}},
    {"RatioSixKeepsPreviousValue", "[RATIO]\n4\n[RATIO]\n6\n", {{kRatio, 4}}, {}},
    {"NegativeVolumeKeepsDefault", "[VOLUME]\n-1\n", {}, {}},
    {"DigitsThenLettersTakeTheDigits",
     "[RATIO]\n4xyz\n[SPEED]\n20\n",
     {{kRatio, 4}, {kSpeed, 20}},
     {}},
    {"NoNumberDropsKeyAndReadsOn", "[RATIO]\nxyz\n[SPEED]\n20\n", {{kSpeed, 20}}, {}},
    {"ValueOnKeyLineIsDiscarded", "[SPEED] 20\n30\n", {{kSpeed, 30}}, {}},
    {"ValueOnKeyLineThenNoNumberLosesThatLine",
     "[SPEED] 20\nxyz\n[GROUPS]\n50\n",
     {{kGroups, 50}},
     {}},
    // The next key stands where the value was expected: that line is lost,
    // and the number after it is no key.
    {"ValueOnKeyLineThenNextKeyLosesTheNextKey", "[SPEED] 20\n[GROUPS]\n50\n", {}, {}},
    {"SignedValues", "[SPEED]\n+20\n[A]\n-3\n", {{kSpeed, 20}}, {kA}},
    {"ZeroUnticks", "[A]\n0\n[Z]\n0\n", {}, {}, {kA, kZ}},
    {"LoneSignIsNoNumber", "[SPEED]\n-\n[GROUPS]\n5\n", {{kGroups, 5}}, {}},
    {"HugeValueStillTicks", "[A]\n99999999999999999999\n", {}, {kA}},
    {"HugeValueOutOfSliderRange", "[TONE]\n4294967896\n[SPEED]\n-4294967284\n", {}, {}},
    {"EmptyLinesAreHarmless",
     "\n\n[SPEED]\n\n\n20\n\n\n\n[GROUPS]\n\n7\n",
     {{kSpeed, 20}, {kGroups, 7}},
     {}},
    {"TabsAreWhiteSpace", "\t[SPEED]\t\n\t 20\t\n", {{kSpeed, 20}}, {}},
    {"HeaderAndCommentLinesIgnored",
     "# Dovrik configuration file\n\n# [SPEED] 30\n[SPEED]\n20\n",
     {{kSpeed, 20}},
     {}},
    {"LongCommentLineIgnoredWhole",
     "#" + Repeat('x', 200) + " [SPEED]\n30\n" + Repeat('y', 15) + "\n[GROUPS]\n8\n",
     {{kGroups, 8}},
     {}},
    {"LongTextAfterKeyAndValueIgnored",
     "[SPEED] " + Repeat('k', 100) + "\n20 " + Repeat('v', 100) + " 30\n[GROUPS]\n9\n",
     {{kSpeed, 20}, {kGroups, 9}},
     {}},
    // The rest of the key's line is exactly one 15-character piece, then the
    // line feed in a piece of its own.
    {"RestOfLineFillsOnePiece", "[SPEED]" + Repeat(' ', 15) + "\n20\n", {{kSpeed, 20}}, {}},
    {"WordOverThirtyTwoCharactersIsNoKey",
     "[" + Repeat('A', 40) + "]\n1\n[SPEED]\n20\n",
     {{kSpeed, 20}},
     {}},
    // The first 32 characters end with "]": a key that names nothing. It takes
    // the next line as its value, so "[SPEED]" is lost and 20 is no key.
    {"WordCutAtThirtyTwoCharacters", "[" + Repeat('A', 30) + "]XYZ\n[SPEED]\n20\n", {}, {}},
    {"KeyAndValueWithoutWhiteSpaceIsNoKey", "[SPEED]20\n[GROUPS]\n5\n", {{kGroups, 5}}, {}},
    {"TooShortKeyIsNoKey", "[]\n5\n[SPEED]\n20\n", {{kSpeed, 20}}, {}},
    {"UnknownKeyIgnored", "[FOO]\n3\n[SPEED]\n20\n", {{kSpeed, 20}}, {}},
    {"CrLfLineEnds",
     "[SPEED]\r\n20\r\n\r\n[a]\r\n1\r\n[RATIO] 2\r\n4\r\n",
     {{kSpeed, 20}, {kRatio, 4}},
     {kA}},
    {"LastValueWithoutLineEnd", "[SPEED]\n20", {{kSpeed, 20}}, {}},
    {"LastCharacterValueWithoutLineEnd", "[Z]\n1", {}, {kZ}},
    {"KeyAtEndWithoutValue", "[GROUPS]\n5\n[SPEED]", {{kGroups, 5}}, {}},
    {"KeyAtEndFollowedOnlyByWhiteSpace", "[GROUPS]\n5\n[SPEED]\n \n\n", {{kGroups, 5}}, {}},
    {"RepeatedKeyTakesLaterValue", "[SPEED]\n20\n[SPEED]\n30\n", {{kSpeed, 30}}, {}},
    {"RepeatedKeyKeepsLastAcceptedValue", "[SPEED]\n20\n[SPEED]\n99\n", {{kSpeed, 20}}, {}},
    {"RepeatedCharacterKeyTakesLaterValue", "[A]\n1\n[a]\n0\n", {}, {}},
    {"PreambleOnly", "[VVV=]\n1\n", {}, {kPreambleButtonId}},
    {"PreambleLowercaseAndAnyNonZero", "[vvv=]\n5\n", {}, {kPreambleButtonId}},
    {"PreambleZeroUnticks", "[VVV=]\n0\n", {}, {}, {kPreambleButtonId}},
    {"EmptyText", "", {}, {kA}, {kA}},
    {"OnlyWhiteSpace", " \n\r\n\t\n", {}, {kA}, {kA}},
    // A NUL byte is no white space; it ends the word as far as the comparison
    // goes, so "[A]" is the key.
    {"NulByteEndsTheKey", std::string("[A]\0junk\n1\n", 11), {}, {kA}},
};

class ConfigReaderTest : public ::testing::TestWithParam<ReadCase> {
 protected:
  SliderStartValuesGuard guard_;
};

TEST_P(ConfigReaderTest, AppliesExactlyTheAcceptedRecords) {
  const ReadCase& c = GetParam();
  // Every slider starts from its default, whatever ran before.
  std::map<int, int> defaults = {{kSpeed, 12}, {kGroups, 25}, {kRatio, 3},  {1011, 1}, {1013, 1},
                                 {1015, 100},  {1017, 0},     {kTone, 900}, {1021, 5}, {1023, 0}};
  for (SliderSpec* row = SliderTable; row->controlId != 0; ++row) {
    row->startValue = defaults.at(row->controlId);
  }
  FakeDialog dialog;
  for (int id : c.tickedBefore) dialog.SetTicked(id, true);

  LoadConfigFromMemory(c.text, dialog);

  for (const SliderSpec* row = SliderTable; row->controlId != 0; ++row) {
    auto expected = c.startValues.find(row->controlId);
    EXPECT_EQ(row->startValue,
              expected == c.startValues.end() ? defaults[row->controlId] : expected->second)
        << row->key;
  }
  for (const CharacterEntry* row = CharacterTable; row->buttonId != 0; ++row) {
    EXPECT_EQ(dialog.IsTicked(row->buttonId), c.ticked.count(row->buttonId) == 1) << row->character;
  }
  EXPECT_EQ(dialog.IsTicked(kPreambleButtonId), c.ticked.count(kPreambleButtonId) == 1);
  // Loading never moves a scroll bar: that is InitSliders' work.
  EXPECT_TRUE(dialog.ScrollReads().empty());
}

INSTANTIATE_TEST_SUITE_P(Records, ConfigReaderTest, ::testing::ValuesIn(kReadCases),
                         [](const ::testing::TestParamInfo<ReadCase>& info) {
                           return std::string(info.param.name);
                         });

// Every character key in upper and lower case reaches its own button.
TEST(ConfigReaderCharacterTest, EveryCharacterKeyTicksItsButton) {
  SliderStartValuesGuard guard;
  for (const CharacterEntry* row = CharacterTable; row->buttonId != 0; ++row) {
    for (char c : {row->character, static_cast<char>(std::tolower(row->character))}) {
      FakeDialog dialog;
      const std::string text = std::string("[") + c + "]\n1\n";
      LoadConfigFromMemory(text, dialog);
      for (const CharacterEntry* other = CharacterTable; other->buttonId != 0; ++other) {
        EXPECT_EQ(dialog.IsTicked(other->buttonId), other == row) << text;
      }
    }
  }
}

}  // namespace
}  // namespace dovrik
