#include "keyer/keying_exercise.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/audio_format.h"
#include "platform/dialog_controls.h"
#include "platform/exercise_context.h"
#include "platform/messages.h"
#include "platform/thread_queue.h"
#include "sender/random_source.h"
#include "tests/support/fake_call_log.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_dialog.h"
#include "tests/support/fake_key.h"
#include "tests/support/fake_looping_buffer.h"
#include "tests/support/fake_sound_device.h"
#include "tests/support/fake_strip_chart.h"
#include "tests/support/fake_timer_service.h"
#include "worker/worker_thread.h"

namespace dovrik {
namespace {

using testing::CallLog;
using testing::FakeDialog;
using testing::FakeKey;
using testing::FakeLoopingBuffer;
using testing::FakePoster;
using testing::FakeSideToneAudio;
using testing::FakeStripChart;
using testing::FakeTimerService;
using testing::ManualClock;
using Log = std::vector<std::string>;

// The side-tone's buffer holds one second of sound.
const std::string kOneSecondBufferCreate =
    std::string("buffer create ").append(std::to_string(kBytesPerSecond));

// The dialog's warning box, in the same log as the audio objects and the
// timer, so that the order of releases and message is visible.
class LoggingDialog : public FakeDialog {
 public:
  explicit LoggingDialog(CallLog& log) : log_(log) {}
  void ShowWarning(const std::string& text) override {
    log_.Add("warning " + text);
    FakeDialog::ShowWarning(text);
  }

 private:
  CallLog& log_;
};

class KeyingExerciseTest : public ::testing::Test {
 protected:
  KeyingExerciseTest() {
    dialog_.SetScroll(1019, 900);  // tone, Hz
    dialog_.SetScroll(1021, 5);    // attack
    dialog_.SetScroll(1005, 12);   // speed
    dialog_.SetScroll(1009, 3);    // ratio
    dialog_.SetStripChart(&chart_);
    dialog_.SetItemText(kOutputBoxId, "left over from before");
  }

  // Keys one 100 ms dot through the running sampler, as the timer's thread
  // would, with the buffer playing at real pace, then stays silent until
  // `silenceMs` after the tone stop.
  void KeyOneDotThenSilence(int silenceMs) {
    auto tick = [&] {
      clock_.Advance(5);
      buffer_.AdvanceWriteCursor(220);
      EXPECT_TRUE(timers_.Tick());
    };
    key_.Set(true);
    for (int ms = 0; ms < 100; ms += 5) tick();
    key_.Set(false);
    tick();  // the stop is taken at this tick
    for (int ms = 0; ms < silenceMs; ms += 5) tick();
  }

  CallLog log_;
  LoggingDialog dialog_{log_};
  FakePoster poster_;
  FakeStripChart chart_{470, 20};
  ThreadQueue queue_;
  FakeLoopingBuffer buffer_{&log_};
  FakeSideToneAudio audio_{buffer_, log_};
  FakeTimerService timers_{log_};
  ManualClock clock_{50000};
  FakeKey key_{&log_};
  RandomSource random_{1};
  ExerciseContext context_{queue_, dialog_, poster_, audio_, timers_, clock_, key_, random_};
};

struct FailureCase {
  const char* name;
  bool deviceFails;
  bool bufferFails;
  bool timerFails;
  Log log;
};

class KeyingExerciseFailureTest : public KeyingExerciseTest,
                                  public ::testing::WithParamInterface<FailureCase> {};

TEST_P(KeyingExerciseFailureTest, ReleasesWhatExistsThenShowsTheMessage) {
  const FailureCase& c = GetParam();
  audio_.SetDeviceFails(c.deviceFails);
  audio_.SetBufferFails(c.bufferFails);
  timers_.SetFails(c.timerFails);

  RunKeyingExercise(context_);

  EXPECT_EQ(log_.Entries(), c.log);
  EXPECT_EQ(dialog_.OutputBox(), "");
  const Log events = dialog_.Events();
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[1], std::string("set ").append(std::to_string(kOutputBoxId)).append(" \"\""));
  EXPECT_EQ(events[2], "warning \"" + c.log.back().substr(8) + "\"");
  EXPECT_FALSE(buffer_.Playing());
  EXPECT_FALSE(timers_.Running());
  EXPECT_TRUE(poster_.Posted().empty()) << "the worker, not the exercise, reports the end";
}

// The worker's reply, in the same log as the releases and the message.
class LoggingPoster : public DialogPoster {
 public:
  explicit LoggingPoster(CallLog& log) : log_(log) {}
  void PostToDialog(uint32_t message) override {
    log_.Add(message == MSG_EXERCISE_ENDED ? "post exercise ended"
             : message == MSG_APP_QUIT     ? "post app quit"
                                           : "post " + std::to_string(message));
  }

 private:
  CallLog& log_;
};

// Run by the worker as the program runs it: however the set-up fails, the
// dialog hears that the exercise ended once the message has been closed,
// and the worker goes on to its next request.
TEST_P(KeyingExerciseFailureTest, TheWorkerReportsTheEndAfterTheMessage) {
  const FailureCase& c = GetParam();
  audio_.SetDeviceFails(c.deviceFails);
  audio_.SetBufferFails(c.bufferFails);
  timers_.SetFails(c.timerFails);
  LoggingPoster poster(log_);
  ExerciseContext context{queue_, dialog_, poster, audio_, timers_, clock_, key_, random_};
  queue_.Post(MSG_START_KEYING);
  queue_.Post(MSG_WORKER_QUIT);

  RunWorkerIdleLoop(context, {nullptr, RunKeyingExercise});

  Log expected = c.log;
  expected.push_back("post exercise ended");
  expected.push_back("post app quit");
  EXPECT_EQ(log_.Entries(), expected);
  EXPECT_EQ(dialog_.OutputBox(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Steps, KeyingExerciseFailureTest,
    ::testing::Values(
        FailureCase{
            "Device", true, false, false, {"device create", "warning Can not open DirectSound"}},
        FailureCase{"Buffer",
                    false,
                    true,
                    false,
                    {"device create", kOneSecondBufferCreate, "device release",
                     "warning Can not create sound buffer"}},
        FailureCase{
            "Timer",
            false,
            false,
            true,
            {"device create", kOneSecondBufferCreate, "key begin", "timer start 5", "key end",
             "buffer stop", "buffer release", "device release", "warning Can not create timer"}}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

// The key takes its devices only once the exercise can run, and gives them
// back only when no tick can read it any more.
const Log kNormalRun = {"device create",  kOneSecondBufferCreate, "key begin", "timer start 5",
                        "buffer play",    "timer cancel",         "key end",   "buffer stop",
                        "buffer release", "device release"};

TEST_F(KeyingExerciseTest, StopDuringThePlaybackDelayIsTakenByTheFirstPass) {
  buffer_.FillBytes(0x55);
  buffer_.SetWriteCursor(1000);
  timers_.OnStart([&] {
    // The sampler runs while the exercise waits for playback: the key is
    // pressed, the tone starts at the write cursor, and the stop comes.
    key_.Set(true);
    clock_.Advance(5);
    EXPECT_TRUE(timers_.Tick());
    queue_.Post(MSG_STOP_EXERCISE);
  });

  RunKeyingExercise(context_);

  EXPECT_EQ(log_.Entries(), kNormalRun);
  EXPECT_TRUE(chart_.Calls().empty()) << "no chart pass before the stop was taken";
  EXPECT_TRUE(dialog_.Appends().empty());
  EXPECT_EQ(dialog_.OutputBox(), "");
  EXPECT_TRUE(dialog_.Warnings().empty());
  QueuedMessage left;
  EXPECT_FALSE(queue_.Peek(left));

  // The whole buffer was cleared before the timer started, then the tone
  // at 900 Hz with attack 5 began at the write cursor.
  ASSERT_GE(buffer_.Locks().size(), 2u);
  EXPECT_EQ(buffer_.Locks()[0].offset, 0u);
  EXPECT_EQ(buffer_.Locks()[0].bytes, static_cast<uint32_t>(kBytesPerSecond));
  EXPECT_EQ(buffer_.ByteAt(0), 0);
  EXPECT_EQ(buffer_.ByteAt(static_cast<uint32_t>(kBytesPerSecond) - 1), 0);
  const int16_t expected[] = {0, 1511, 4385, 8289, 12736};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(buffer_.SampleAt(1000 + 2 * i), expected[i]);
}

TEST_F(KeyingExerciseTest, SettingsAreReadOnceInOrder) {
  timers_.OnStart([&] {
    dialog_.SetScroll(1019, 400);  // moved during the exercise: no effect
    queue_.Post(MSG_STOP_EXERCISE);
  });
  RunKeyingExercise(context_);
  EXPECT_EQ(dialog_.ScrollReads(), (std::vector<int>{1019, 1021, 1005, 1009}));
}

struct PassCase {
  int speed;
  int ratio;
  int silenceMs;       // after the tone stop, before the passes run
  const char* output;  // a pause marker comes after 2 x pauseLimit ms
};

class KeyingExercisePassTest : public KeyingExerciseTest,
                               public ::testing::WithParamInterface<PassCase> {};

// Messages other than the stop are taken one a pass and dropped: each pass
// still draws the chart and decodes, and the exercise runs on to the stop.
TEST_P(KeyingExercisePassTest, OtherMessagesAreDroppedAndEachPassDecodes) {
  const PassCase c = GetParam();
  dialog_.SetScroll(1005, c.speed);
  dialog_.SetScroll(1009, c.ratio);
  timers_.OnStart([&] {
    KeyOneDotThenSilence(c.silenceMs);
    queue_.Post(MSG_START_SENDING);
    queue_.Post(MSG_WORKER_QUIT);
    queue_.Post(MM_WOM_DONE);
    queue_.Post(MSG_STOP_EXERCISE);
  });

  RunKeyingExercise(context_);

  EXPECT_EQ(log_.Entries(), kNormalRun);
  EXPECT_EQ(dialog_.OutputBox(), c.output);
  QueuedMessage left;
  EXPECT_FALSE(queue_.Peek(left)) << "every message was taken";
  // The first pass found new key levels and took the chart's surface.
  ASSERT_FALSE(chart_.Calls().empty());
  EXPECT_EQ(chart_.Calls().front(), "begin");
  EXPECT_TRUE(dialog_.Warnings().empty());
}

INSTANTIATE_TEST_SUITE_P(Settings, KeyingExercisePassTest,
                         ::testing::Values(PassCase{12, 3, 1940, ""}, PassCase{12, 3, 1975, "E; "},
                                           PassCase{20, 4, 1550, ""},
                                           PassCase{20, 4, 1585, "E; "}));

}  // namespace
}  // namespace dovrik
