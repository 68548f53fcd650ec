#pragma once

namespace dovrik {

// One node of the tree through which the keying decoder walks a character,
// one element at a time. A node never has a null child: every path that
// leaves the known codes ends at the sentinel, whose children are itself.
struct MorseTreeNode {
  char character;                  // the result when a character ends here
  const MorseTreeNode* dotChild;   // the node reached by a dot
  const MorseTreeNode* dashChild;  // the node reached by a dash
};

// The 47 nodes of the tree (the root "@", 45 coded nodes, the sentinel "~"),
// followed by a zero row whose character is NUL. The zero row is no node of
// the tree: no child refers to it. Statically initialised, read-only, shared
// by every thread.
inline constexpr int kDecodeTreeNodeCount = 47;
extern const MorseTreeNode DecodeTree[kDecodeTreeNodeCount + 1];

// The node at which every character starts; it carries "@", the result of a
// character with no elements.
inline const MorseTreeNode* DecodeTreeRoot() {
  return &DecodeTree[0];
}

// The node that absorbs every path outside the known codes; it carries "~".
inline const MorseTreeNode* DecodeTreeSentinel() {
  return &DecodeTree[kDecodeTreeNodeCount - 1];
}

// One element: a dot (false) or a dash (true). Never fails.
inline const MorseTreeNode* StepDecodeTree(const MorseTreeNode* node, bool dash) {
  return dash ? node->dashChild : node->dotChild;
}

// Walks a pattern of "." and "-" from `node`; any other character counts
// as a dot. Used by tests and by anything that decodes a whole pattern.
const MorseTreeNode* WalkDecodeTree(const MorseTreeNode* node, const char* pattern);

}  // namespace dovrik
