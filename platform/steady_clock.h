#pragma once

#include "platform/clock.h"

namespace dovrik {

// The millisecond clock of the platform: steady_clock in whole milliseconds,
// cut to 32 bits so that it wraps like timeGetTime. Any thread.
class SteadyClock : public Clock {
 public:
  uint32_t NowMs() override;
};

}  // namespace dovrik
