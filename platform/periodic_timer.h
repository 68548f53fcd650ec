#pragma once

#include <functional>
#include <memory>

namespace dovrik {

// A running periodic timer. Destroying it cancels it synchronously: once the
// destructor returns no tick runs and none will.
class PeriodicTimer {
 public:
  virtual ~PeriodicTimer() = default;
};

// Starts periodic timers. The tick runs on the timer's own thread; ticks
// never overlap.
class TimerService {
 public:
  virtual ~TimerService() = default;
  // Returns null when no timer can be made.
  virtual std::unique_ptr<PeriodicTimer> StartPeriodic(int periodMs, std::function<void()> tick) = 0;
};

}  // namespace dovrik
