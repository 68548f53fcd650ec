#pragma once

#include <chrono>
#include <cstdint>

#include "platform/clock.h"

namespace dovrik {

// The millisecond clock of the platform: steady_clock in whole milliseconds,
// cut to 32 bits so that it wraps like timeGetTime. Any thread.
class SteadyClock : public Clock {
 public:
  uint32_t NowMs() override;
};

// steady_clock in nanoseconds, for timestamps kept in atomics or compared on
// the audio thread. Any thread; never blocks.
inline int64_t SteadyNanoseconds() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace dovrik
