#pragma once

#include <cstdint>

namespace dovrik {

// One numeric setting: its scroll bar in the main dialog, its inclusive
// range, its start value and its configuration-file key ("[SPEED]").
struct SliderSpec {
  int32_t controlId;
  int32_t minimum;
  int32_t maximum;
  int32_t startValue;
  const char* key;
};

// The ten settings in file order, then a zero row (control id 0); every loop
// over the table runs until that row. Only startValue is ever written, by the
// configuration reader on the UI thread at start-up and only inside the range.
inline constexpr int kSliderCount = 10;
extern SliderSpec SliderTable[kSliderCount + 1];

// Scroll bar ids of the main dialog, one per row, in table order.
inline constexpr int32_t kSpeedScrollBarId = 1005;       // groups per minute
inline constexpr int32_t kGroupsScrollBarId = 1006;      // groups per exercise
inline constexpr int32_t kRatioScrollBarId = 1009;       // dash length in dots
inline constexpr int32_t kGroupSpaceScrollBarId = 1011;  // multiplier
inline constexpr int32_t kCharSpaceScrollBarId = 1013;   // multiplier
inline constexpr int32_t kVolumeScrollBarId = 1015;      // percent
inline constexpr int32_t kNoiseScrollBarId = 1017;       // percent
inline constexpr int32_t kToneScrollBarId = 1019;        // hertz
inline constexpr int32_t kAttackScrollBarId = 1021;      // tenths of a millisecond
inline constexpr int32_t kJitterScrollBarId = 1023;      // percent

}  // namespace dovrik
