#include "keyer/keyer_mode.h"

#include <algorithm>
#include <array>
#include <utility>

#include "platform/audio_format.h"

namespace dovrik {
namespace {

constexpr std::array<std::pair<KeyerMode, std::string_view>, 5> kModeNames = {{
    {KeyerMode::kStraight, "straight"},
    {KeyerMode::kBug, "bug"},
    {KeyerMode::kIambicA, "iambic-a"},
    {KeyerMode::kIambicB, "iambic-b"},
    {KeyerMode::kUltimatic, "ultimatic"},
}};

}  // namespace

std::optional<KeyerMode> ParseKeyerMode(std::string_view name) {
  for (const auto& [mode, modeName] : kModeNames) {
    if (modeName == name) return mode;
  }
  return std::nullopt;
}

std::string_view KeyerModeName(KeyerMode mode) {
  for (const auto& [known, modeName] : kModeNames) {
    if (known == mode) return modeName;
  }
  return "straight";
}

KeyerTiming KeyerTimingForWpm(int wpm) {
  const int speed = std::clamp(wpm, kSlowestKeyerWpm, kFastestKeyerWpm);
  // 1.2 / speed seconds is 1.2 x 22,050 / speed = 26,460 / speed samples;
  // in whole numbers, (2 x 26,460 + speed) / (2 x speed) rounds a half up.
  constexpr int kSamplesTimesWpm = kSampleRate * 12 / 10;
  const int dot = (2 * kSamplesTimesWpm + speed) / (2 * speed);
  return KeyerTiming{dot, 3 * dot, dot};
}

}  // namespace dovrik
