#include "tables/decode_tree.h"

namespace dovrik {

namespace {
// Index of the sentinel in DecodeTree; every child not named by a code goes there.
constexpr int kSentinel = kDecodeTreeNodeCount - 1;
}  // namespace

// Rows in breadth order of their paths from the root. The five "~" nodes
// that are not the sentinel ("..--", "---.", "----", "..--.", "--..-") are
// inner nodes that exist only to reach a longer code.
// clang-format off
const MorseTreeNode DecodeTree[kDecodeTreeNodeCount + 1] = {
    {'@', &DecodeTree[1], &DecodeTree[2]},  // 0: root
    {'E', &DecodeTree[3], &DecodeTree[4]},  // 1: "."
    {'T', &DecodeTree[5], &DecodeTree[6]},  // 2: "-"
    {'I', &DecodeTree[7], &DecodeTree[8]},  // 3: ".."
    {'A', &DecodeTree[9], &DecodeTree[10]},  // 4: ".-"
    {'N', &DecodeTree[11], &DecodeTree[12]},  // 5: "-."
    {'M', &DecodeTree[13], &DecodeTree[14]},  // 6: "--"
    {'S', &DecodeTree[15], &DecodeTree[16]},  // 7: "..."
    {'U', &DecodeTree[17], &DecodeTree[18]},  // 8: "..-"
    {'R', &DecodeTree[19], &DecodeTree[kSentinel]},  // 9: ".-."
    {'W', &DecodeTree[20], &DecodeTree[21]},  // 10: ".--"
    {'D', &DecodeTree[22], &DecodeTree[23]},  // 11: "-.."
    {'K', &DecodeTree[24], &DecodeTree[25]},  // 12: "-.-"
    {'G', &DecodeTree[26], &DecodeTree[27]},  // 13: "--."
    {'O', &DecodeTree[28], &DecodeTree[29]},  // 14: "---"
    {'H', &DecodeTree[30], &DecodeTree[31]},  // 15: "...."
    {'V', &DecodeTree[kSentinel], &DecodeTree[32]},  // 16: "...-"
    {'F', &DecodeTree[kSentinel], &DecodeTree[kSentinel]},  // 17: "..-."
    {'~', &DecodeTree[33], &DecodeTree[34]},  // 18: "..--"
    {'L', &DecodeTree[kSentinel], &DecodeTree[kSentinel]},  // 19: ".-.."
    {'P', &DecodeTree[kSentinel], &DecodeTree[kSentinel]},  // 20: ".--."
    {'J', &DecodeTree[kSentinel], &DecodeTree[35]},  // 21: ".---"
    {'B', &DecodeTree[36], &DecodeTree[37]},  // 22: "-..."
    {'X', &DecodeTree[38], &DecodeTree[kSentinel]},  // 23: "-..-"
    {'C', &DecodeTree[kSentinel], &DecodeTree[kSentinel]},  // 24: "-.-."
    {'Y', &DecodeTree[kSentinel], &DecodeTree[kSentinel]},  // 25: "-.--"
    {'Z', &DecodeTree[39], &DecodeTree[40]},  // 26: "--.."
    {'Q', &DecodeTree[kSentinel], &DecodeTree[kSentinel]},  // 27: "--.-"
    {'~', &DecodeTree[41], &DecodeTree[kSentinel]},  // 28: "---."
    {'~', &DecodeTree[42], &DecodeTree[43]},  // 29: "----"
    {'5', &DecodeTree[kSentinel], &DecodeTree[kSentinel]},  // 30: "....."
    {'4', &DecodeTree[kSentinel], &DecodeTree[kSentinel]},  // 31: "....-"
    {'3', &DecodeTree[kSentinel], &DecodeTree[kSentinel]},  // 32: "...--"
    {'~', &DecodeTree[44], &DecodeTree[kSentinel]},  // 33: "..--."
    {'2', &DecodeTree[kSentinel], &DecodeTree[kSentinel]},  // 34: "..---"
    {'1', &DecodeTree[kSentinel], &DecodeTree[kSentinel]},  // 35: ".----"
    {'6', &DecodeTree[kSentinel], &DecodeTree[kSentinel]},  // 36: "-...."
    {'=', &DecodeTree[kSentinel], &DecodeTree[kSentinel]},  // 37: "-...-"
    {'/', &DecodeTree[kSentinel], &DecodeTree[kSentinel]},  // 38: "-..-."
    {'7', &DecodeTree[kSentinel], &DecodeTree[kSentinel]},  // 39: "--..."
    {'~', &DecodeTree[kSentinel], &DecodeTree[45]},  // 40: "--..-"
    {'8', &DecodeTree[kSentinel], &DecodeTree[kSentinel]},  // 41: "---.."
    {'9', &DecodeTree[kSentinel], &DecodeTree[kSentinel]},  // 42: "----."
    {'0', &DecodeTree[kSentinel], &DecodeTree[kSentinel]},  // 43: "-----"
    {'?', &DecodeTree[kSentinel], &DecodeTree[kSentinel]},  // 44: "..--.."
    {'!', &DecodeTree[kSentinel], &DecodeTree[kSentinel]},  // 45: "--..--"
    {'~', &DecodeTree[kSentinel], &DecodeTree[kSentinel]},  // 46: the sentinel
    {'\0', &DecodeTree[kSentinel], &DecodeTree[kSentinel]},  // zero row, no node of the tree
};
// clang-format on

const MorseTreeNode* WalkDecodeTree(const MorseTreeNode* node, const char* pattern) {
  for (; *pattern != '\0'; ++pattern) node = StepDecodeTree(node, *pattern == '-');
  return node;
}

}  // namespace dovrik
