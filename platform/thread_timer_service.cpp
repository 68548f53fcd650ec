#include "platform/thread_timer_service.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/real_time.h"

namespace dovrik {
namespace {

class ThreadPeriodicTimer : public PeriodicTimer {
 public:
  ThreadPeriodicTimer(std::chrono::milliseconds period, std::function<void()> tick)
      : period_(period), tick_(std::move(tick)) {}

  // Starts the thread; false when the system has none to give.
  bool Start() {
    try {
      thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
      return false;
    }
    return true;
  }

  // Caller's thread. Wakes the timer thread out of its wait and joins it, so
  // a tick that is running finishes first and no tick runs afterwards.
  ~ThreadPeriodicTimer() override {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable()) thread_.join();
  }

 private:
  // Timer thread.
  void Run() {
    // A busy desktop must not make the ticks late.
    AskForRealTimeScheduling();
    using Clock = std::chrono::steady_clock;
    Clock::time_point deadline = Clock::now() + period_;
    for (;;) {
      {
        std::unique_lock lock(mutex_);
        if (wake_.wait_until(lock, deadline, [this] { return stopping_; })) return;
      }
      // The lock is not held during the tick: cancelling only has to wait
      // for the tick to end, never the other way round.
      tick_();
      deadline += period_;
      const Clock::time_point now = Clock::now();
      if (deadline <= now) {
        // Fell behind by a whole period or more: keep the grid of deadlines
        // but drop the ones already missed.
        const auto missed = (now - deadline) / period_ + 1;
        deadline += missed * period_;
      }
    }
  }

  const std::chrono::milliseconds period_;
  const std::function<void()> tick_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;  // guarded by mutex_
  std::thread thread_;
};

}  // namespace

std::unique_ptr<PeriodicTimer> ThreadTimerService::StartPeriodic(int periodMs,
                                                                 std::function<void()> tick) {
  if (periodMs <= 0 || !tick) return nullptr;
  auto timer =
      std::make_unique<ThreadPeriodicTimer>(std::chrono::milliseconds(periodMs), std::move(tick));
  if (!timer->Start()) return nullptr;
  return timer;
}

}  // namespace dovrik
