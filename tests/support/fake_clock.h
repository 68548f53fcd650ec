#pragma once

#include <atomic>
#include <cstdint>

#include "platform/clock.h"

namespace dovrik::testing {

// A millisecond clock that moves only when the test moves it. Any thread.
class ManualClock : public Clock {
 public:
  explicit ManualClock(uint32_t startMs = 1000) : now_(startMs) {}
  uint32_t NowMs() override { return now_.load(); }
  void Set(uint32_t ms) { now_.store(ms); }
  void Advance(uint32_t ms) { now_.fetch_add(ms); }

 private:
  std::atomic<uint32_t> now_;
};

}  // namespace dovrik::testing
