#pragma once

#include "platform/periodic_timer.h"

namespace dovrik {

// Periodic timers, each ticking on a thread of its own at a period of whole
// milliseconds. Each timer ticks on absolute deadlines of steady_clock, so a
// late tick does not push the later ones back; a deadline that has already
// passed when the previous tick ends is skipped rather than run in a burst.
// Ticks of one timer never overlap, because one thread runs them all.
class ThreadTimerService : public TimerService {
 public:
  // Returns null when periodMs is not positive or no thread can be started.
  // The returned timer must not be destroyed from inside its own tick.
  std::unique_ptr<PeriodicTimer> StartPeriodic(int periodMs, std::function<void()> tick) override;
};

}  // namespace dovrik
