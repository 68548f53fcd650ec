#include "tables/decode_tree.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string>

#include "tables/character_table.h"

namespace dovrik {
namespace {

class CharacterPatternTest : public ::testing::TestWithParam<int> {};

TEST_P(CharacterPatternTest, PatternWalksToItsOwnCharacter) {
  const CharacterEntry& row = CharacterTable[GetParam()];
  EXPECT_EQ(WalkDecodeTree(DecodeTreeRoot(), row.pattern)->character, row.character)
      << "pattern " << row.pattern;
}

INSTANTIATE_TEST_SUITE_P(EveryRow, CharacterPatternTest, ::testing::Range(0, kCharacterCount));

struct Walk {
  const char* pattern;
  char expected;
};

class EdgeWalkTest : public ::testing::TestWithParam<Walk> {};

TEST_P(EdgeWalkTest, YieldsCharacter) {
  EXPECT_EQ(WalkDecodeTree(DecodeTreeRoot(), GetParam().pattern)->character, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Edges, EdgeWalkTest,
                         ::testing::Values(Walk{"--..--", '!'}, Walk{"..--..", '?'},
                                           Walk{"-...-", '='}, Walk{"-..-.", '/'},
                                           Walk{"..--", '~'}, Walk{"..--.", '~'},
                                           Walk{"--..-", '~'}, Walk{"---.", '~'}, Walk{"----", '~'},
                                           Walk{"......", '~'}, Walk{".-.-.-", '~'},
                                           Walk{"-.-.--", '~'}, Walk{"", '@'}));

TEST(DecodeTreeTest, SentinelAbsorbsEveryFurtherElement) {
  const MorseTreeNode* node = WalkDecodeTree(DecodeTreeRoot(), "......");
  ASSERT_EQ(node, DecodeTreeSentinel());
  for (const char* tail : {".", "-", "-.-.-.-", "..........--"}) {
    EXPECT_EQ(WalkDecodeTree(node, tail), DecodeTreeSentinel()) << tail;
  }
  EXPECT_EQ(StepDecodeTree(DecodeTreeSentinel(), false), DecodeTreeSentinel());
  EXPECT_EQ(StepDecodeTree(DecodeTreeSentinel(), true), DecodeTreeSentinel());
}

// Visits every node reachable from the root along with its path, stopping
// at the sentinel; the characters found (other than "@" and "~") must be
// exactly the forty table characters, each under its table pattern.
TEST(DecodeTreeTest, ReachableCharactersAreExactlyTheCharacterTable) {
  std::map<std::string, char> found;
  std::set<const MorseTreeNode*> visited;
  std::function<void(const MorseTreeNode*, std::string)> visit = [&](const MorseTreeNode* node,
                                                                     std::string path) {
    ASSERT_NE(node, nullptr) << path;
    if (node == DecodeTreeSentinel()) return;
    ASSERT_TRUE(visited.insert(node).second) << "node reached twice at " << path;
    ASSERT_LE(path.size(), 6u) << "a path longer than six elements: " << path;
    if (node->character != '~' && node->character != '@') found[path] = node->character;
    visit(node->dotChild, path + ".");
    visit(node->dashChild, path + "-");
  };
  visit(DecodeTreeRoot(), "");

  std::map<std::string, char> expected;
  for (const CharacterEntry* row = CharacterTable; row->buttonId != 0; ++row) {
    expected[row->pattern] = row->character;
  }
  EXPECT_EQ(found, expected);
  // Root, 45 coded nodes; the sentinel is not counted by the walk.
  EXPECT_EQ(visited.size(), 46u);
}

TEST(DecodeTreeTest, ArrayEndsWithZeroRowAndNoRowHasNullChildren) {
  int rows = 0;
  for (const MorseTreeNode* node = DecodeTree; node->character != '\0'; ++node, ++rows) {
    EXPECT_NE(node->dotChild, nullptr) << rows;
    EXPECT_NE(node->dashChild, nullptr) << rows;
    // No child refers to the zero row.
    EXPECT_NE(node->dotChild, &DecodeTree[kDecodeTreeNodeCount]) << rows;
    EXPECT_NE(node->dashChild, &DecodeTree[kDecodeTreeNodeCount]) << rows;
  }
  EXPECT_EQ(rows, kDecodeTreeNodeCount);
  EXPECT_EQ(DecodeTreeRoot()->character, '@');
  EXPECT_EQ(DecodeTreeSentinel()->character, '~');
}

}  // namespace
}  // namespace dovrik
