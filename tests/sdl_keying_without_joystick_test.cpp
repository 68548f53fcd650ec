// A keying exercise on a machine without any joystick: the real straight
// key over SDL reads as up, the exercise starts without a message, samples
// the key on its timer, draws the chart, takes the Ctrl keys as the key, and
// ends on the stop request.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>

#include "keyer/keying_exercise.h"
#include "platform/exercise_context.h"
#include "platform/messages.h"
#include "platform/sdl/sdl_audio_system.h"
#include "platform/sdl/sdl_test_support.h"
#include "platform/sdl/straight_key.h"
#include "platform/steady_clock.h"
#include "platform/thread_queue.h"
#include "platform/thread_timer_service.h"
#include "sender/random_source.h"
#include "tests/support/fake_dialog.h"
#include "tests/support/fake_strip_chart.h"

namespace dovrik {
namespace {

// The real key, with its readings counted for the test.
class CountingKey : public KeyInput {
 public:
  explicit CountingKey(StraightKeyInput& key) : key_(key) {}
  bool IsDown() override {
    const bool down = key_.IsDown();
    (down ? downReads : upReads).fetch_add(1);
    return down;
  }
  std::atomic<int> upReads{0};
  std::atomic<int> downReads{0};

 private:
  StraightKeyInput& key_;
};

// The recording chart, safe to count from the test thread while the
// exercise draws on it.
class CountingChart : public StripChartSurface {
 public:
  bool BeginDrawing() override {
    std::lock_guard lock(mutex_);
    passes.fetch_add(1);
    return chart_.BeginDrawing();
  }
  void ClientSize(int& width, int& height) override {
    std::lock_guard lock(mutex_);
    chart_.ClientSize(width, height);
  }
  void Scroll(const ChartRect& strip, int dx) override {
    std::lock_guard lock(mutex_);
    chart_.Scroll(strip, dx);
  }
  void FillWindowColour(const ChartRect& rect) override {
    std::lock_guard lock(mutex_);
    chart_.FillWindowColour(rect);
  }
  void MoveTo(int x, int y) override {
    std::lock_guard lock(mutex_);
    chart_.MoveTo(x, y);
  }
  void LineTo(int x, int y) override {
    std::lock_guard lock(mutex_);
    lines.fetch_add(1);
    chart_.LineTo(x, y);
  }
  void EndDrawing() override {
    std::lock_guard lock(mutex_);
    chart_.EndDrawing();
  }
  std::atomic<int> passes{0};
  std::atomic<int> lines{0};

 private:
  std::mutex mutex_;
  testing::FakeStripChart chart_{470, 12};
};

// Waits for progress, however slow the machine; false after a minute.
bool WaitFor(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

TEST(SdlKeyingWithoutJoystickTest, StartsRunsAndTakesTheCtrlKeys) {
  StraightKeyInput straightKey;
  if (SDL_NumJoysticks() > 0) GTEST_SKIP() << "a joystick is attached to this machine";
  ScopedAudioDriver driver("dummy");
  ASSERT_TRUE(driver.ok()) << SDL_GetError();

  CountingKey key(straightKey);
  CountingChart chart;
  SdlAudioSystem audio;
  ThreadTimerService timers;
  SteadyClock clock;
  ThreadQueue queue;
  testing::FakeDialog dialog;
  testing::FakePoster poster;
  RandomSource random(1);
  dialog.SetScroll(1019, 900);
  dialog.SetScroll(1021, 5);
  dialog.SetScroll(1005, 12);
  dialog.SetScroll(1009, 3);
  dialog.SetStripChart(&chart);
  ExerciseContext context{queue, dialog, poster, audio, timers, clock, key, random};

  std::atomic<bool> ended{false};
  std::thread worker([&] {
    RunKeyingExercise(context);
    ended = true;
  });
  // Without a joystick the key reads as up, tick after tick, and the chart
  // passes run.
  EXPECT_TRUE(WaitFor([&] { return key.upReads >= 40 && chart.passes >= 3; }));
  EXPECT_EQ(key.downReads.load(), 0);
  EXPECT_FALSE(ended.load()) << "the exercise ended before the stop";

  // Ctrl held in a Dovrik window keys it all the same; the chart draws the
  // key-down line.
  straightKey.SetKeyboardKeyDown(true);
  EXPECT_TRUE(WaitFor([&] { return chart.lines > 0; }));
  straightKey.SetKeyboardKeyDown(false);
  const int upBefore = key.upReads.load();
  EXPECT_TRUE(WaitFor([&] { return key.upReads >= upBefore + 10; }));

  queue.Post(MSG_STOP_EXERCISE);
  worker.join();
  EXPECT_GT(key.downReads.load(), 0);
  EXPECT_TRUE(dialog.Warnings().empty());
  QueuedMessage left;
  EXPECT_FALSE(queue.Peek(left)) << "the stop request was taken";
}

}  // namespace
}  // namespace dovrik
