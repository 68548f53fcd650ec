#include "sender/sending_exercise.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/audio_format.h"
#include "platform/dialog_controls.h"
#include "platform/messages.h"
#include "sender/group_synthesis.h"
#include "sender/random_source.h"
#include "sender/sending_parameters.h"
#include "tables/character_table.h"
#include "tables/slider_table.h"
#include "tests/support/fake_worker_context.h"
#include "worker/worker_thread.h"

namespace dovrik {
namespace {

using testing::FakeDialog;
using testing::FakeWaveOutDevice;
using testing::WorkerTestContext;

constexpr uint32_t kForeignMessage = 0x0113;
constexpr uint32_t kSeed = 4711;
constexpr uint32_t kClockMs = 123456;  // the noise cursor starts at 3,456

const std::vector<int> kScrollReadOrder = {
    kSpeedScrollBarId,      kGroupsScrollBarId, kRatioScrollBarId,  kCharSpaceScrollBarId,
    kGroupSpaceScrollBarId, kToneScrollBarId,   kJitterScrollBarId, kAttackScrollBarId,
    kVolumeScrollBarId,     kNoiseScrollBarId};

bool WaitFor(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return true;
}

// The fake dialog, also noting how many wave-out calls had been made when
// each scroll bar was read and each warning shown, and running a hook while
// a warning "is showing".
class RecordingDialog : public FakeDialog {
 public:
  explicit RecordingDialog(FakeWaveOutDevice& device) : device_(device) {}
  int GetScrollPos(int id) override {
    {
      std::lock_guard lock(mutex_);
      callsAtRead_[id] = device_.Calls().size();
    }
    return FakeDialog::GetScrollPos(id);
  }
  void ShowWarning(const std::string& text) override {
    {
      std::lock_guard lock(mutex_);
      callsAtWarning_.push_back(device_.Calls().size());
    }
    FakeDialog::ShowWarning(text);
    if (whileWarning) whileWarning();
  }
  size_t CallsAtRead(int id) {
    std::lock_guard lock(mutex_);
    return callsAtRead_[id];
  }
  std::vector<size_t> CallsAtWarning() {
    std::lock_guard lock(mutex_);
    return callsAtWarning_;
  }
  std::function<void()> whileWarning;

 private:
  FakeWaveOutDevice& device_;
  std::mutex mutex_;
  std::map<int, size_t> callsAtRead_;
  std::vector<size_t> callsAtWarning_;
};

// Gives heap memory, or null for the chosen allocation; counts both ways.
class CountingAllocator : public SampleAllocator {
 public:
  int failAllocation = -1;  // 0-based
  int16_t* Allocate(size_t samples) override {
    if (allocations++ == failAllocation) return nullptr;
    return heap_.Allocate(samples);
  }
  void Free(int16_t* block) override {
    ++frees;
    heap_.Free(block);
  }
  int allocations = 0;
  int frees = 0;

 private:
  HeapSampleAllocator heap_;
};

struct Settings {
  int speed = 36;
  int groups = 3;
  int ratio = 2;
  int characterSpace = 1;
  int groupSpace = 1;
  int tone = 900;
  int jitter = 0;
  int attack = 5;
  int volume = 100;
  int noise = 30;
};

class SendingExerciseTest : public ::testing::Test {
 protected:
  SendingExerciseTest()
      : parts(kSeed), dialog(parts.device), context{parts.queue, dialog,       parts.poster,
                                                    parts.audio, parts.timers, parts.clock,
                                                    parts.key,   parts.random} {
    parts.clock.now = kClockMs;
  }
  ~SendingExerciseTest() override {
    if (thread_.joinable()) {
      parts.queue.Post(MSG_STOP_EXERCISE);  // never leave the exercise waiting
      thread_.join();
    }
  }

  void Apply(const Settings& s) {
    settings = s;
    const std::pair<int, int> values[] = {
        {kSpeedScrollBarId, s.speed},           {kGroupsScrollBarId, s.groups},
        {kRatioScrollBarId, s.ratio},           {kCharSpaceScrollBarId, s.characterSpace},
        {kGroupSpaceScrollBarId, s.groupSpace}, {kToneScrollBarId, s.tone},
        {kJitterScrollBarId, s.jitter},         {kAttackScrollBarId, s.attack},
        {kVolumeScrollBarId, s.volume},         {kNoiseScrollBarId, s.noise}};
    for (auto [id, value] : values) dialog.SetScroll(id, value);
  }
  void Tick(const std::string& characters) {
    for (char c : characters) {
      for (int row = 0; CharacterTable[row].buttonId != 0; ++row) {
        if (CharacterTable[row].character == c)
          dialog.SetTicked(CharacterTable[row].buttonId, true);
      }
    }
  }
  void Start() {
    thread_ = std::thread([this] {
      RunSendingExercise(context, allocator);
      ended_.store(true);
    });
  }
  // Finishes the oldest playing buffer. Called after the exercise's latest
  // write has been seen; the foreign message goes first, so that the check
  // for an overrun that follows that write, if it has not happened yet, takes
  // it instead of the notice: without it the test could fake an overrun by
  // racing.
  void Finish() {
    parts.queue.Post(kForeignMessage);
    ASSERT_TRUE(parts.device.FinishOldest());
  }
  void AwaitWrites(size_t count) { ASSERT_TRUE(parts.device.WaitForWrites(count)); }
  void AwaitAppends(size_t count) {
    ASSERT_TRUE(WaitFor([&] { return dialog.Appends().size() >= count; }));
  }
  void AwaitEnd() {
    ASSERT_TRUE(WaitFor([&] { return ended_.load(); }));
    thread_.join();
  }
  bool Ended() const { return ended_.load(); }

  // What the exercise must play and show, computed independently: the
  // groups the generator draws from the ticked rows, the lead-in and each
  // buffer synthesised in playing order through one cursor.
  std::vector<std::string> ExpectedTexts(const std::string& ticked, int groups) {
    RandomSource random(kSeed);
    std::vector<std::string> texts;
    for (int g = 0; g < groups; ++g) {
      std::string text;
      for (int i = 0; i < 5; ++i)
        text += ticked[static_cast<size_t>(random.Next()) % ticked.size()];
      texts.push_back(text + " ");
    }
    return texts;
  }
  SendingSliders Sliders() const {
    SendingSliders s;
    s.speed = settings.speed;
    s.ratio = settings.ratio;
    s.characterSpace = settings.characterSpace;
    s.groupSpace = settings.groupSpace;
    s.tone = settings.tone;
    s.attack = settings.attack;
    s.jitter = settings.jitter;
    s.noise = settings.noise;
    return s;
  }
  static const char* PatternOf(char c) {
    for (int row = 0; CharacterTable[row].buttonId != 0; ++row) {
      if (CharacterTable[row].character == c) return CharacterTable[row].pattern;
    }
    return nullptr;
  }
  // The samples of every buffer in playing order: two lead-ins, the preamble
  // if any, then the groups of `texts`.
  std::vector<std::vector<int16_t>> ExpectedBuffers(bool preamble,
                                                    const std::vector<std::string>& texts) {
    NoiseCursor cursor;
    const SendingParameters p = DeriveSendingParameters(Sliders(), kClockMs, cursor);
    std::vector<std::vector<int16_t>> buffers;
    for (bool ramp : {true, false}) {
      std::vector<int16_t> leadIn(kSampleRate);
      FillLeadIn(leadIn, kSampleRate, ramp, p, cursor);
      buffers.push_back(leadIn);
    }
    auto synthesize = [&](std::vector<const char*> patterns) {
      std::vector<int16_t> samples(static_cast<size_t>(p.capacity));
      const auto count = SynthesizeGroup(patterns, samples, p, cursor);
      samples.resize(static_cast<size_t>(count.value_or(0)));
      buffers.push_back(samples);
    };
    if (preamble) synthesize({PreamblePattern});
    for (const std::string& text : texts) {
      std::vector<const char*> patterns;
      for (int i = 0; i < 5; ++i) patterns.push_back(PatternOf(text[static_cast<size_t>(i)]));
      synthesize(patterns);
    }
    return buffers;
  }

  WorkerTestContext parts;
  RecordingDialog dialog;
  ExerciseContext context;
  CountingAllocator allocator;
  Settings settings;

 private:
  std::thread thread_;
  std::atomic<bool> ended_{false};
};

// The whole protocol of three groups, step by step: lead-in, A/B alternation,
// each group's text appended exactly when its buffer starts to sound, the
// last text on the next-to-last notice and the end on the last.
TEST_F(SendingExerciseTest, PlaysLeadInThenGroupsAlternatingAndEchoesEachAsItSounds) {
  Apply(Settings{});
  Tick("KM");
  dialog.SetItemText(kOutputBoxId, "old text");
  Start();
  const std::vector<std::string> texts = ExpectedTexts("KM", 3);

  AwaitWrites(2);
  EXPECT_EQ(dialog.OutputBox(), "");  // cleared before the lead-in
  Finish();                           // lead-in A done: B (lead-in) sounds
  AwaitWrites(3);
  EXPECT_EQ(dialog.Appends(), std::vector<std::string>{""});
  Finish();  // B done: group 1 in A sounds
  AwaitWrites(4);
  EXPECT_EQ(dialog.Appends(), (std::vector<std::string>{"", texts[0]}));
  Finish();  // group 2 in B sounds; group 3 goes into A
  AwaitWrites(5);
  EXPECT_EQ(dialog.Appends(), (std::vector<std::string>{"", texts[0], texts[1]}));
  Finish();  // the next-to-last notice: group 3 sounds
  AwaitAppends(4);
  EXPECT_EQ(dialog.Appends().back(), texts[2]);
  EXPECT_FALSE(Ended());
  Finish();  // group 3 has played
  AwaitEnd();

  EXPECT_EQ(dialog.OutputBox(), texts[0] + texts[1] + texts[2]);
  EXPECT_EQ(parts.device.CallNames(),
            (std::vector<std::string>{"Open", "SetVolume 0xFFFFFFFF", "Prepare A", "Prepare B",
                                      "Write A", "Write B", "Write A", "Write B", "Write A",
                                      "Reset", "Unprepare A", "Unprepare B", "Close"}));
  const auto writes = parts.device.Writes();
  const auto expected = ExpectedBuffers(false, texts);
  ASSERT_EQ(writes.size(), expected.size());
  for (size_t i = 0; i < writes.size(); ++i) {
    SCOPED_TRACE("write " + std::to_string(i));
    EXPECT_EQ(writes[i].bytes, kBytesPerSample * expected[i].size());
    EXPECT_EQ(writes[i].samples, expected[i]);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(writes[i].data), writes[i].user);
  }
  EXPECT_EQ(writes[0].bytes, static_cast<uint32_t>(kBytesPerSecond));
  EXPECT_EQ(writes[1].bytes, static_cast<uint32_t>(kBytesPerSecond));
  // One second fading in from silence, then one second at the full level.
  auto loudness = [](const std::vector<int16_t>& samples, size_t from) {
    double sum = 0;
    for (size_t i = from; i < from + 2000; ++i) sum += std::abs(samples[i]);
    return sum / 2000;
  };
  EXPECT_EQ(writes[0].samples[0], 0);
  EXPECT_LT(loudness(writes[0].samples, 0), loudness(writes[0].samples, 20050) / 5);
  EXPECT_NEAR(loudness(writes[1].samples, 0), loudness(writes[1].samples, 20050),
              loudness(writes[1].samples, 0) / 4);
  EXPECT_NE(writes[0].data, writes[1].data);
  EXPECT_EQ(dialog.ScrollReads(), kScrollReadOrder);
  EXPECT_TRUE(dialog.Warnings().empty());
  EXPECT_EQ(allocator.allocations, 2);
  EXPECT_EQ(allocator.frees, 2);
  EXPECT_TRUE(parts.poster.Posted().empty());  // the reply is the worker's
}

TEST_F(SendingExerciseTest, PreambleIsNeitherEchoedNorCounted) {
  Settings s;
  s.groups = 1;
  Apply(s);
  Tick("S");
  dialog.SetTicked(kPreambleButtonId, true);
  Start();
  AwaitWrites(2);
  Finish();  // preamble into A
  AwaitWrites(3);
  Finish();  // preamble sounds; the group goes into B
  AwaitWrites(4);
  Finish();  // the group sounds
  AwaitAppends(3);
  Finish();
  AwaitEnd();

  EXPECT_EQ(dialog.Appends(), (std::vector<std::string>{"", "", "SSSSS "}));
  const auto writes = parts.device.Writes();
  const auto expected = ExpectedBuffers(true, {"SSSSS "});
  ASSERT_EQ(writes.size(), 4u);
  EXPECT_EQ(writes[2].samples, expected[2]);  // the preamble
  EXPECT_EQ(writes[3].samples, expected[3]);
}

// One ticked character: every group is that character five times.
TEST_F(SendingExerciseTest, OneTickedCharacterFillsEveryGroup) {
  Settings s;
  s.groups = 4;
  Apply(s);
  Tick("0");
  Start();
  for (size_t writes = 2; writes <= 6; ++writes) {
    AwaitWrites(writes);
    Finish();
  }
  AwaitAppends(5);
  Finish();
  AwaitEnd();
  EXPECT_EQ(dialog.OutputBox(), "00000 00000 00000 00000 ");
}

TEST_F(SendingExerciseTest, NoTickedCharacterReturnsAtOnceWithoutTheDevice) {
  Apply(Settings{});
  dialog.SetItemText(kOutputBoxId, "kept");
  dialog.SetTicked(kPreambleButtonId, true);
  Start();
  AwaitEnd();
  EXPECT_EQ(parts.audio.WaveOutsCreated(), 0);
  EXPECT_TRUE(parts.device.Calls().empty());
  EXPECT_TRUE(dialog.Warnings().empty());
  EXPECT_EQ(dialog.OutputBox(), "kept");
  EXPECT_TRUE(dialog.ScrollReads().empty());
}

// A stop request is taken at every point where the exercise looks at its
// queue, and the text of a group that has not started to sound never shows.
struct StopCase {
  const char* name;
  int groups;
  int finishesBeforeStop;  // notices the exercise has fully acted on
  bool stopWithNotice;     // posted together with the next notice (step 11.7)
  size_t writes;
  std::vector<std::string> appends;
};

class SendingStop : public SendingExerciseTest, public ::testing::WithParamInterface<StopCase> {};

TEST_P(SendingStop, TearsDownAtOnceAndShowsNoUnsoundedText) {
  const StopCase& c = GetParam();
  Settings s;
  s.groups = c.groups;
  Apply(s);
  Tick("R");
  Start();
  AwaitWrites(2);
  for (int i = 0; i < c.finishesBeforeStop; ++i) {
    Finish();
    if (parts.device.WriteCount() < static_cast<size_t>(c.groups) + 2) {
      AwaitWrites(3 + static_cast<size_t>(i));
    } else {
      AwaitAppends(static_cast<size_t>(i) + 1);
    }
  }
  if (c.stopWithNotice) {
    Finish();                             // taken by the wait ...
    parts.queue.Post(MSG_STOP_EXERCISE);  // ... and this by the check after the write
  } else {
    parts.queue.Post(kForeignMessage);
    parts.queue.Post(MSG_STOP_EXERCISE);
  }
  AwaitEnd();

  EXPECT_EQ(parts.device.WriteCount(), c.writes);
  EXPECT_EQ(dialog.Appends(), c.appends);
  const auto names = parts.device.CallNames();
  ASSERT_GE(names.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(names.end() - 4, names.end()),
            (std::vector<std::string>{"Reset", "Unprepare A", "Unprepare B", "Close"}));
  EXPECT_EQ(std::count(names.begin(), names.end(), "Reset"), 1);
  EXPECT_TRUE(dialog.Warnings().empty());
  EXPECT_EQ(allocator.frees, 2);
}

INSTANTIATE_TEST_SUITE_P(
    AtEachRetrievalPoint, SendingStop,
    ::testing::Values(StopCase{"DuringLeadIn", 3, 0, false, 2, {}},
                      StopCase{"WaitingForABuffer", 3, 1, false, 3, {""}},
                      StopCase{"RightAfterQueueingAGroup", 3, 1, true, 4, {"", "RRRRR "}},
                      StopCase{"WaitingBeforeTheLastGroupSounds", 1, 1, false, 3, {""}},
                      StopCase{"WhileTheLastGroupSounds", 1, 2, false, 3, {"", "RRRRR "}}),
    [](const ::testing::TestParamInfo<StopCase>& info) { return std::string(info.param.name); });

// The other buffer finished before this one was queued: the output ran dry.
TEST_F(SendingExerciseTest, NoticeWaitingAfterAWriteIsAnOverrun) {
  Apply(Settings{});
  Tick("E");
  Start();
  AwaitWrites(2);
  ASSERT_TRUE(parts.device.FinishOldest());
  ASSERT_TRUE(parts.device.FinishOldest());
  AwaitEnd();

  EXPECT_EQ(dialog.Warnings(), std::vector<std::string>{"OverRun!\r\nSpeed is too high!"});
  EXPECT_EQ(dialog.Appends(), std::vector<std::string>{""});
  const auto names = parts.device.CallNames();
  EXPECT_EQ(std::vector<std::string>(names.begin() + 4, names.end()),
            (std::vector<std::string>{"Write A", "Write B", "Write A", "Reset", "Reset",
                                      "Unprepare A", "Unprepare B", "Close"}));
  EXPECT_EQ(dialog.CallsAtWarning(), std::vector<size_t>{8});  // after the first reset
}

// Within the sliders' ranges no group outgrows `capacity`, whatever the
// jitter (its margin grows with it); a dash-to-dot ratio below the range
// makes "!" longer than the budget of five dashes per character.
TEST_F(SendingExerciseTest, GroupLongerThanTheBufferIsABufferOverflow) {
  Settings s;
  s.ratio = 1;
  Apply(s);
  Tick("!");
  dialog.SetItemText(kOutputBoxId, "x");
  Start();
  AwaitWrites(2);
  Finish();
  AwaitEnd();

  EXPECT_EQ(dialog.Warnings(), std::vector<std::string>{"Buffer overflow!"});
  EXPECT_EQ(dialog.Appends(), std::vector<std::string>{""});
  const auto names = parts.device.CallNames();
  EXPECT_EQ(std::vector<std::string>(names.begin() + 4, names.end()),
            (std::vector<std::string>{"Write A", "Write B", "Reset", "Reset", "Unprepare A",
                                      "Unprepare B", "Close"}));
  EXPECT_EQ(dialog.CallsAtWarning(), std::vector<size_t>{7});
}

struct StartFailure {
  const char* name;
  bool openFails;
  int failAllocation;
  std::vector<std::string> calls;
  const char* warning;
};

class SendingStartFailure : public SendingExerciseTest,
                            public ::testing::WithParamInterface<StartFailure> {};

TEST_P(SendingStartFailure, ShowsItsMessageAndLeavesTheOutputBoxAlone) {
  const StartFailure& c = GetParam();
  Apply(Settings{});
  Tick("A");
  dialog.SetItemText(kOutputBoxId, "previous groups ");
  parts.device.openFails = c.openFails;
  allocator.failAllocation = c.failAllocation;
  Start();
  AwaitEnd();

  EXPECT_EQ(parts.device.CallNames(), c.calls);
  EXPECT_EQ(dialog.Warnings(), std::vector<std::string>{c.warning});
  EXPECT_EQ(dialog.CallsAtWarning(), std::vector<size_t>{c.calls.size()});  // closed before
  EXPECT_EQ(dialog.OutputBox(), "previous groups ");
  EXPECT_TRUE(dialog.Appends().empty());
  EXPECT_EQ(allocator.frees, allocator.allocations - (c.failAllocation >= 0 ? 1 : 0));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SendingStartFailure,
    ::testing::Values(StartFailure{"DeviceWillNotOpen", true, -1, {"Open"}, "No audio output"},
                      StartFailure{"FirstBufferMissing",
                                   false,
                                   0,
                                   {"Open", "SetVolume 0xFFFFFFFF", "Close"},
                                   "Out of memory!"},
                      StartFailure{"SecondBufferMissing",
                                   false,
                                   1,
                                   {"Open", "SetVolume 0xFFFFFFFF", "Close"},
                                   "Out of memory!"}),
    [](const ::testing::TestParamInfo<StartFailure>& info) {
      return std::string(info.param.name);
    });

// v = volume * 65535 / 100 in both halves, set right after the volume is
// read and before the noise is.
class SendingVolume : public SendingExerciseTest,
                      public ::testing::WithParamInterface<std::pair<int, uint32_t>> {};

TEST_P(SendingVolume, SetsBothHalvesOfTheDeviceVolume) {
  Settings s;
  s.volume = GetParam().first;
  Apply(s);
  Tick("T");
  Start();
  AwaitWrites(2);
  parts.queue.Post(MSG_STOP_EXERCISE);
  AwaitEnd();

  const auto calls = parts.device.Calls();
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls[1].name, "SetVolume");
  EXPECT_EQ(calls[1].value, GetParam().second);
  EXPECT_EQ(dialog.CallsAtRead(kVolumeScrollBarId), 1u);
  EXPECT_EQ(dialog.CallsAtRead(kNoiseScrollBarId), 2u);
}

INSTANTIATE_TEST_SUITE_P(Table, SendingVolume,
                         ::testing::Values(std::pair{100, 0xFFFFFFFFu}, std::pair{50, 0x7FFF7FFFu},
                                           std::pair{1, 0x028F028Fu}, std::pair{0, 0u}));

// A buffer the device would not take never comes back: the exercise stops
// the sound and says so instead of waiting for ever.
TEST_F(SendingExerciseTest, FailedWriteEndsTheExerciseWithNoAudioOutput) {
  for (int failing : {0, 1, 2}) {
    SCOPED_TRACE("failing write " + std::to_string(failing));
    WorkerTestContext local(kSeed);
    RecordingDialog localDialog(local.device);
    ExerciseContext localContext{local.queue,  localDialog, local.poster, local.audio,
                                 local.timers, local.clock, local.key,    local.random};
    for (int id : kScrollReadOrder) localDialog.SetScroll(id, 3);
    localDialog.SetScroll(kSpeedScrollBarId, 36);
    localDialog.SetScroll(kToneScrollBarId, 900);
    localDialog.SetTicked(CharacterTable[0].buttonId, true);
    local.device.failWriteNumber = failing;
    std::thread exercise([&] { RunSendingExercise(localContext); });
    if (failing == 2) {
      ASSERT_TRUE(local.device.WaitForWrites(2));
      local.queue.Post(kForeignMessage);
      local.device.FinishOldest();
    }
    exercise.join();
    EXPECT_EQ(localDialog.Warnings(), std::vector<std::string>{"No audio output"});
    const auto names = local.device.CallNames();
    EXPECT_EQ(std::vector<std::string>(names.end() - 5, names.end()),
              (std::vector<std::string>{"Reset", "Reset", "Unprepare A", "Unprepare B", "Close"}));
  }
}

// The queue can deliver nothing more: the exercise tears down silently.
TEST_F(SendingExerciseTest, FailedRetrievalTearsDownWithoutAMessage) {
  Apply(Settings{});
  Tick("N");
  Start();
  AwaitWrites(2);
  parts.queue.Close();
  AwaitEnd();
  EXPECT_TRUE(dialog.Warnings().empty());
  const auto names = parts.device.CallNames();
  EXPECT_EQ(names.back(), "Close");
  EXPECT_EQ(allocator.frees, 2);
}

// Notices that name no buffer of this exercise (left from an earlier device)
// and foreign messages are discarded without effect.
TEST_F(SendingExerciseTest, StrayNoticesAreDiscarded) {
  Settings s;
  s.groups = 1;
  Apply(s);
  Tick("W");
  Start();
  AwaitWrites(2);
  WaveHeader stranger;
  parts.queue.Post(MM_WOM_DONE, 0, reinterpret_cast<intptr_t>(&stranger));
  parts.queue.Post(kForeignMessage);
  Finish();
  AwaitWrites(3);
  parts.queue.Post(MM_WOM_DONE, 0, reinterpret_cast<intptr_t>(&stranger));
  Finish();
  AwaitAppends(2);
  Finish();
  AwaitEnd();
  EXPECT_EQ(dialog.Appends(), (std::vector<std::string>{"", "WWWWW "}));
  EXPECT_TRUE(dialog.Warnings().empty());
}

// A close request (stop, then quit) made while an error box shows is kept
// in the queue and acted on once the box is dismissed.
TEST_F(SendingExerciseTest, CloseRequestDuringAnErrorBoxIsKept) {
  Apply(Settings{});
  Tick("E");
  dialog.whileWarning = [this] {
    parts.queue.Post(MSG_STOP_EXERCISE);
    parts.queue.Post(MSG_WORKER_QUIT);
  };
  std::thread worker([this] {
    RunWorkerIdleLoop(context, {[](ExerciseContext& c) { RunSendingExercise(c); }, nullptr});
  });
  parts.queue.Post(MSG_START_SENDING);
  AwaitWrites(2);
  ASSERT_TRUE(parts.device.FinishOldest());  // an overrun: the error box shows
  ASSERT_TRUE(parts.device.FinishOldest());
  worker.join();

  EXPECT_EQ(dialog.Warnings(), std::vector<std::string>{"OverRun!\r\nSpeed is too high!"});
  EXPECT_EQ(parts.poster.Posted(), (std::vector<uint32_t>{MSG_EXERCISE_ENDED, MSG_APP_QUIT}));
}

}  // namespace
}  // namespace dovrik
