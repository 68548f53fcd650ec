#include "platform/steady_clock.h"

#include <chrono>

namespace dovrik {

uint32_t SteadyClock::NowMs() {
  const auto sinceEpoch = std::chrono::steady_clock::now().time_since_epoch();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count();
  // Keeping the low 32 bits is the wrap-around: differences of two readings
  // stay right as long as they are taken through ClockDifference.
  return static_cast<uint32_t>(ms);
}

}  // namespace dovrik
