#include "platform/thread_timer_service.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/steady_clock.h"

namespace dovrik {
namespace {

using std::chrono::milliseconds;

// Waits (generously) until `condition` holds; false on time-out.
template <typename Condition>
bool WaitFor(Condition condition, milliseconds limit = milliseconds(5000)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(milliseconds(1));
  }
  return true;
}

TEST(ThreadTimerServiceTest, RefusesPeriodsThatAreNotPositiveAndEmptyTicks) {
  ThreadTimerService service;
  EXPECT_EQ(service.StartPeriodic(0, [] {}), nullptr);
  EXPECT_EQ(service.StartPeriodic(-5, [] {}), nullptr);
  EXPECT_EQ(service.StartPeriodic(5, nullptr), nullptr);
}

TEST(ThreadTimerServiceTest, TicksRepeatedlyAtRoughlyThePeriod) {
  ThreadTimerService service;
  std::atomic<int> ticks{0};
  const auto start = std::chrono::steady_clock::now();
  auto timer = service.StartPeriodic(5, [&] { ticks.fetch_add(1); });
  ASSERT_NE(timer, nullptr);
  ASSERT_TRUE(WaitFor([&] { return ticks.load() >= 10; }));
  const auto elapsed = std::chrono::steady_clock::now() - start;
  timer.reset();
  // Ten ticks of 5 ms cannot come sooner than 50 ms (absolute deadlines).
  EXPECT_GE(elapsed, milliseconds(49));
}

// The ticks run with real-time scheduling where the system grants it (as
// root, or with a real-time limit), and as an ordinary thread where it does not.
TEST(ThreadTimerServiceTest, TicksRunWithRealTimeSchedulingWhereAllowed) {
  rlimit limit{};
  getrlimit(RLIMIT_RTPRIO, &limit);
  const bool allowed = geteuid() == 0 || limit.rlim_cur >= 3;
  ThreadTimerService service;
  std::atomic<int> policy{-1};
  auto timer = service.StartPeriodic(5, [&] { policy.store(sched_getscheduler(0)); });
  ASSERT_NE(timer, nullptr);
  ASSERT_TRUE(WaitFor([&] { return policy.load() != -1; }));
  timer.reset();
  EXPECT_EQ(policy.load() & ~SCHED_RESET_ON_FORK, allowed ? SCHED_FIFO : SCHED_OTHER);
}

TEST(ThreadTimerServiceTest, CancelReturnsOnlyAfterTheRunningTickHasFinished) {
  ThreadTimerService service;
  std::atomic<int> started{0};
  std::atomic<int> finished{0};
  auto timer = service.StartPeriodic(5, [&] {
    started.fetch_add(1);
    std::this_thread::sleep_for(milliseconds(60));
    finished.fetch_add(1);
  });
  ASSERT_NE(timer, nullptr);
  ASSERT_TRUE(WaitFor([&] { return started.load() >= 1; }));
  timer.reset();  // cancelled while the first tick sleeps
  const int startedAtCancel = started.load();
  EXPECT_EQ(finished.load(), startedAtCancel) << "a tick was still running after cancel";
  std::this_thread::sleep_for(milliseconds(30));
  EXPECT_EQ(started.load(), startedAtCancel) << "a tick ran after cancel";
}

TEST(ThreadTimerServiceTest, TicksLongerThanThePeriodNeverOverlap) {
  ThreadTimerService service;
  std::atomic<int> inside{0};
  std::atomic<int> mostInside{0};
  std::atomic<int> ticks{0};
  auto timer = service.StartPeriodic(2, [&] {
    const int now = inside.fetch_add(1) + 1;
    int seen = mostInside.load();
    while (now > seen && !mostInside.compare_exchange_weak(seen, now)) {
    }
    std::this_thread::sleep_for(milliseconds(5));
    inside.fetch_sub(1);
    ticks.fetch_add(1);
  });
  ASSERT_NE(timer, nullptr);
  ASSERT_TRUE(WaitFor([&] { return ticks.load() >= 8; }));
  timer.reset();
  EXPECT_EQ(mostInside.load(), 1);
  EXPECT_EQ(inside.load(), 0);
}

TEST(ThreadTimerServiceTest, CancelBeforeTheFirstTickRunsNoTick) {
  ThreadTimerService service;
  std::atomic<int> ticks{0};
  auto timer = service.StartPeriodic(1000, [&] { ticks.fetch_add(1); });
  ASSERT_NE(timer, nullptr);
  const auto start = std::chrono::steady_clock::now();
  timer.reset();
  // Cancelling wakes the waiting thread instead of sitting out the period.
  EXPECT_LT(std::chrono::steady_clock::now() - start, milliseconds(500));
  EXPECT_EQ(ticks.load(), 0);
}

TEST(SteadyClockTest, CountsMillisecondsForwards) {
  SteadyClock clock;
  const uint32_t first = clock.NowMs();
  std::this_thread::sleep_for(milliseconds(20));
  const int32_t elapsed = ClockDifference(clock.NowMs(), first);
  EXPECT_GE(elapsed, 20);
  EXPECT_LT(elapsed, 2000);
}

TEST(ClockDifferenceTest, IsSignedAcrossTheWrap) {
  EXPECT_EQ(ClockDifference(5u, 0xFFFFFFFBu), 10);
  EXPECT_EQ(ClockDifference(0xFFFFFFFBu, 5u), -10);
}

}  // namespace
}  // namespace dovrik
