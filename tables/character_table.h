#pragma once

#include <cstdint>

namespace dovrik {

// One character that can be trained: its push-like check button in the main
// dialog, the character itself (upper case for letters) and its code of "."
// (dot) and "-" (dash), one to six elements long.
struct CharacterEntry {
  int32_t buttonId;
  char character;
  const char* pattern;
};

// The forty characters in table order (A to Z, 0 to 9, "!", "?", "=", "/"),
// then a zero row (button id 0, character NUL). This order is the order of
// the configuration file and the order in which the sending exercise numbers
// the ticked characters. Read-only, shared by every thread.
inline constexpr int kCharacterCount = 40;
extern const CharacterEntry CharacterTable[kCharacterCount + 1];

// The preamble check button "VVV=". It is no row of the table: its pattern
// belongs to the sending exercise.
inline constexpr int32_t kPreambleButtonId = 1078;

}  // namespace dovrik
