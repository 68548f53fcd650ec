#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace dovrik {

// Speeds in words per minute (PARIS, 50 dot lengths a word).
inline constexpr int kLowestWpm = 5;
inline constexpr int kHighestWpm = 50;
inline constexpr int kDefaultCharWpm = 20;
inline constexpr int kDefaultEffectiveWpm = 10;

// The lengths of one lesson's sound, in whole samples at 22,050 a second.
// The characters are sent at the character speed C: dot 1.2 / C s, dash
// three dots, the space between the elements of a character one dot. The
// spaces between characters and words are stretched so that the text comes
// at the effective speed E (Farnsworth): the time added per PARIS word is
// t_a = (60 C - 37.2 E) / (C E) s, of which the character space takes
// t_c = 3 t_a / 19 and the word space t_w = 7 t_a / 19. Each is the whole
// gap (not an addition to the standard one), rounded once to whole samples.
struct LessonTiming {
  int32_t dot = 0;
  int32_t dash = 0;
  int32_t elementSpace = 0;
  int32_t characterSpace = 0;
  int32_t wordSpace = 0;
};

// The timing at C and E; std::nullopt with `*error` (may be null) unless
// 5 <= E <= C <= 50. With E = C the gaps are exactly three and seven dots.
std::optional<LessonTiming> FarnsworthTiming(int charWpm, int effectiveWpm, std::string* error);

// The samples `text` takes at `timing`: each character's elements and
// element spaces, a character space between the characters of a word, and
// a word space after each word (a run of spaces is one word break).
// Characters without a code are skipped.
int64_t TextSamples(const std::string& text, const LessonTiming& timing);

}  // namespace dovrik
