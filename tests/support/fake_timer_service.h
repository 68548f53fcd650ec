#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "platform/periodic_timer.h"
#include "tests/support/fake_call_log.h"

namespace dovrik::testing {

// A timer service whose one timer ticks only when the test calls Tick, and
// that fails on demand. Cancelling (destroying the timer) waits for a tick
// that is running, as the real one does. Logs "timer start <period>" and
// "timer cancel".
class FakeTimerService : public TimerService {
 public:
  explicit FakeTimerService(CallLog& log) : log_(log) {}

  std::unique_ptr<PeriodicTimer> StartPeriodic(int periodMs, std::function<void()> tick) override {
    log_.Add("timer start " + std::to_string(periodMs));
    std::function<void()> onStart;
    {
      std::lock_guard lock(mutex_);
      if (fails_) return nullptr;
      tick_ = std::move(tick);
      onStart = onStart_;
    }
    auto timer = std::make_unique<Timer>(*this);
    // Runs on the starter's thread while the timer already runs, like a
    // first tick that comes at once.
    if (onStart) onStart();
    return timer;
  }

  // Runs the tick once, as the timer's thread would. False when no timer runs.
  bool Tick() {
    std::lock_guard lock(mutex_);
    if (!tick_) return false;
    tick_();
    return true;
  }
  bool Running() {
    std::lock_guard lock(mutex_);
    return static_cast<bool>(tick_);
  }
  void SetFails(bool fails) {
    std::lock_guard lock(mutex_);
    fails_ = fails;
  }
  void OnStart(std::function<void()> onStart) {
    std::lock_guard lock(mutex_);
    onStart_ = std::move(onStart);
  }

 private:
  class Timer : public PeriodicTimer {
   public:
    explicit Timer(FakeTimerService& service) : service_(service) {}
    ~Timer() override { service_.Cancel(); }

   private:
    FakeTimerService& service_;
  };

  void Cancel() {
    std::lock_guard lock(mutex_);
    tick_ = nullptr;
    log_.Add("timer cancel");
  }

  CallLog& log_;
  std::mutex mutex_;
  std::function<void()> tick_;
  std::function<void()> onStart_;
  bool fails_ = false;
};

}  // namespace dovrik::testing
