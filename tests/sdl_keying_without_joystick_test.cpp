// A keying exercise on a machine without any joystick: the real straight
// key over SDL reads as up, the exercise starts without a message, samples
// the key on its timer, draws the chart, takes the Ctrl keys as the key, and
// ends on the stop request.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "keyer/keying_exercise.h"
#include "platform/exercise_context.h"
#include "platform/messages.h"
#include "platform/sdl/sdl_audio_system.h"
#include "tests/support/sdl_test_support.h"
#include "platform/sdl/straight_key.h"
#include "platform/steady_clock.h"
#include "platform/thread_queue.h"
#include "platform/thread_timer_service.h"
#include "sender/random_source.h"
#include "tests/support/fake_dialog.h"
#include "tests/support/keying_rig.h"
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
  testing::FakeStripChart chart(470, 12);  // the worker alone draws; read after the join
  SdlAudioSystem audio;
  SteadyClock clock;
  testing::KeyingRig rig(900, 5);  // tone, attack: ramps of 11 samples
  rig.dialog.SetStripChart(&chart);
  ExerciseContext context = rig.Context(audio, clock, key);

  std::atomic<bool> ended{false};
  std::thread worker([&] {
    RunKeyingExercise(context);
    ended = true;
  });
  // Without a joystick the key reads as up, tick after tick.
  EXPECT_TRUE(WaitFor([&] { return key.upReads >= 40; }));
  EXPECT_EQ(key.downReads.load(), 0);
  EXPECT_FALSE(ended.load()) << "the exercise ended before the stop";

  // Ctrl held in a Dovrik window keys it all the same.
  straightKey.SetKeyboardKeyDown(true);
  EXPECT_TRUE(WaitFor([&] { return key.downReads >= 1; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  straightKey.SetKeyboardKeyDown(false);
  const int upBefore = key.upReads.load();
  EXPECT_TRUE(WaitFor([&] { return key.upReads >= upBefore + 40; }));

  rig.queue.Post(MSG_STOP_EXERCISE);
  worker.join();
  // The chart passes ran and drew the key-down line on the trace row.
  EXPECT_GE(std::count(chart.Calls().begin(), chart.Calls().end(), "begin"), 3);
  EXPECT_NE(chart.Row(6).find('#'), std::string::npos) << chart.Row(6);
  EXPECT_TRUE(rig.dialog.Warnings().empty());
  QueuedMessage left;
  EXPECT_FALSE(rig.queue.Peek(left)) << "the stop request was taken";
}

}  // namespace
}  // namespace dovrik
