#pragma once

#include <optional>
#include <string_view>

namespace dovrik {

// How the paddles (or the key) turn into the side-tone's elements.
enum class KeyerMode {
  kStraight,   // the key is down while a paddle (or the straight key) is held
  kBug,        // the dit paddle makes automatic dots, the dah paddle is a straight key
  kIambicA,    // both held: dits and dahs alternate; release ends after the element
  kIambicB,    // as A, and a squeeze adds one more, opposite element after release
  kUltimatic,  // both held: the paddle pressed last repeats its own element
};

// The names of the command line and the settings file: "straight", "bug",
// "iambic-a", "iambic-b" and "ultimatic", matched exactly (lower case).
std::optional<KeyerMode> ParseKeyerMode(std::string_view name);
std::string_view KeyerModeName(KeyerMode mode);

// The keyer's speed, in words per minute of PARIS.
inline constexpr int kSlowestKeyerWpm = 5;
inline constexpr int kFastestKeyerWpm = 50;
inline constexpr int kDefaultKeyerWpm = 20;

// Element lengths in samples of the side-tone stream (22,050 a second). The
// ramps lie inside an element's length, so a dot sounds for exactly
// dotSamples and is followed by exactly spaceSamples of silence.
struct KeyerTiming {
  int dotSamples = 0;
  int dashSamples = 0;
  int spaceSamples = 0;
};

// A dot of 1.2 / wpm seconds, rounded once to whole samples (a half rounds
// up); a dash of three dots and a space of one, in those whole samples, so
// that no rounding error builds up along a character. 20 WPM gives 1323,
// 3969 and 1323. A speed outside 5..50 is brought to the nearer end.
KeyerTiming KeyerTimingForWpm(int wpm);

}  // namespace dovrik
