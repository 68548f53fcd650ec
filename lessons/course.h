#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace dovrik {

// Koch's method over Dovrik's characters: the learner starts with two
// characters and adds one per lesson. "!" is left out: its code here is the
// one other trainers teach for the comma.
inline constexpr std::string_view kKochOrder = "KMURESNAPTLWIJZ=FOYVG5/Q92H38B?47C1D60X";
inline constexpr int kFirstLesson = 1;
inline constexpr int kLastLesson = 38;  // trains all 39 characters

// The characters one attempt trains, in course order, and the one that is
// new to the learner (the one promotion watches).
struct CharacterSet {
  std::string characters;
  char newest = '\0';
  int lesson = 0;  // 1 .. 38, 0 for a custom set
};

bool IsLesson(int lesson);

// Lesson n trains the first n + 1 characters of the order; its newest is the
// (n + 1)th. std::nullopt outside 1 .. 38.
std::optional<CharacterSet> LessonCharacterSet(int lesson);

// A set of the learner's own: letters in either case, each character once
// (repeats are dropped), spaces ignored. Every character must have a code in
// Dovrik's character table; the newest is the last one given. std::nullopt
// with `*error` (may be null) naming the first character that cannot be
// trained, or saying the set is empty.
std::optional<CharacterSet> CustomCharacterSet(std::string_view text, std::string* error);

// The element pattern ("-.-") of `character` (upper case) in Dovrik's
// character table, or nullptr when it has none.
const char* MorsePattern(char character);

}  // namespace dovrik
