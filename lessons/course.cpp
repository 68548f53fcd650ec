#include "lessons/course.h"

#include "tables/character_table.h"

namespace dovrik {

bool IsLesson(int lesson) {
  return lesson >= kFirstLesson && lesson <= kLastLesson;
}

const char* MorsePattern(char character) {
  for (const CharacterEntry* entry = CharacterTable; entry->character != '\0'; ++entry) {
    if (entry->character == character) return entry->pattern;
  }
  return nullptr;
}

std::optional<CharacterSet> LessonCharacterSet(int lesson) {
  if (!IsLesson(lesson)) return std::nullopt;
  CharacterSet set;
  set.characters = std::string(kKochOrder.substr(0, static_cast<size_t>(lesson) + 1));
  set.newest = set.characters.back();
  set.lesson = lesson;
  return set;
}

std::optional<CharacterSet> CustomCharacterSet(std::string_view text, std::string* error) {
  CharacterSet set;
  for (const char raw : text) {
    if (raw == ' ' || raw == '\t') continue;
    const char character = raw >= 'a' && raw <= 'z' ? static_cast<char>(raw - 'a' + 'A') : raw;
    if (MorsePattern(character) == nullptr) {
      if (error) {
        // Built by appending: GCC 12 at -O3 flags the concatenation (-Wrestrict).
        error->assign(1, '\'');
        error->push_back(raw);
        error->append("' has no Morse code in Dovrik");
      }
      return std::nullopt;
    }
    if (set.characters.find(character) == std::string::npos) set.characters += character;
  }
  if (set.characters.empty()) {
    if (error) *error = "the character set is empty";
    return std::nullopt;
  }
  set.newest = set.characters.back();
  return set;
}

}  // namespace dovrik
