#pragma once

#include <cstdint>

namespace dovrik {

// Milliseconds as a wrapping 32-bit count (timeGetTime, GetTickCount).
// Compare two readings through their difference taken as a signed 32-bit number.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual uint32_t NowMs() = 0;
};

inline int32_t ClockDifference(uint32_t later, uint32_t earlier) {
  return static_cast<int32_t>(later - earlier);
}

}  // namespace dovrik
