#include "config/config_reader.h"

#include <cstdint>
#include <cstring>

#include "config/config_text_stream.h"
#include "tables/character_table.h"
#include "tables/slider_table.h"

namespace dovrik {

namespace {

// Discards everything up to and including the next line feed, however long
// the line is, by reading it in pieces of at most 15 characters. A piece
// that is empty (it starts with a NUL byte) also ends the skip.
void SkipLine(ConfigTextStream& stream) {
  if (stream.AtEnd()) return;
  char piece[ConfigTextStream::kLinePieceBuffer];
  do {
    if (!stream.ReadLinePiece(piece)) return;
    const size_t length = std::strlen(piece);
    if (length == 0 || piece[length - 1] == '\n') return;
  } while (!stream.AtEnd());
}

bool IsBracketedKey(const char* word) {
  const size_t length = std::strlen(word);
  return length >= 3 && word[0] == '[' && word[length - 1] == ']';
}

// Only "a" to "z" change; every other byte stays as it is.
void UppercaseLetters(char* word) {
  for (; *word != '\0'; ++word) {
    if (*word >= 'a' && *word <= 'z') *word = static_cast<char>(*word - 'a' + 'A');
  }
}

// Applies one record whose key has been uppercased. A key that names
// nothing, or a slider value out of its row's range, changes nothing.
void ApplyRecord(const char* key, int32_t value, DialogControls& dialog) {
  if (std::strcmp(key, "[VVV=]") == 0) {
    dialog.SetTicked(kPreambleButtonId, value != 0);
    return;
  }
  for (const CharacterEntry* row = CharacterTable; row->character != '\0'; ++row) {
    const char characterKey[] = {'[', row->character, ']', '\0'};
    if (std::strcmp(key, characterKey) == 0) {
      dialog.SetTicked(row->buttonId, value != 0);
      return;
    }
  }
  for (SliderSpec* row = SliderTable; row->controlId != 0; ++row) {
    if (std::strcmp(key, row->key) == 0) {
      if (value >= row->minimum && value <= row->maximum) row->startValue = value;
      return;
    }
  }
}

}  // namespace

void LoadConfigFromMemory(std::span<const char> text, DialogControls& dialog) {
  ConfigTextStream stream(text);
  if (stream.AtEnd()) return;
  do {
    // One byte more than the longest word, for its terminating NUL.
    char word[ConfigTextStream::kWordLength + 1];
    if (!stream.ReadWord(word)) return;
    // Anything after the key on its line goes, a value written there too.
    SkipLine(stream);
    // A line whose first word is no bracketed key (a comment, the header) is
    // passed over whole.
    if (!IsBracketedKey(word)) continue;

    int32_t value = 0;
    const ConfigTextStream::NumberResult result = stream.ReadNumber(value);
    if (result == ConfigTextStream::NumberResult::kEnd) return;
    // The rest of the value's line goes; when no number was there, the whole
    // line on which it was expected is lost with the key.
    SkipLine(stream);
    if (result == ConfigTextStream::NumberResult::kNoNumber) continue;

    UppercaseLetters(word);
    ApplyRecord(word, value, dialog);
  } while (!stream.AtEnd());
}

}  // namespace dovrik
