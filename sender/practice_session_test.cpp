#include "sender/practice_session.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/messages.h"
#include "sender/sending_exercise.h"
#include "tables/character_table.h"
#include "tables/slider_table.h"
#include "tests/support/fake_worker_context.h"

namespace dovrik {
namespace {

constexpr uint32_t kForeignMessage = 0x0113;

struct SessionCase {
  const char* name;
  const char* ticked;
  bool preamble;
  SendingSliders sliders;
  int32_t groups;
  uint32_t seed;
  uint32_t tickCountMs;
};

PracticeSettings SettingsOf(const SessionCase& c) {
  PracticeSettings settings;
  settings.sending.preamble = c.preamble;
  settings.sending.groups = c.groups;
  settings.sending.volume = 50;
  settings.sending.sliders = c.sliders;
  for (const char* character = c.ticked; *character != '\0'; ++character) {
    for (int row = 0; CharacterTable[row].buttonId != 0; ++row) {
      if (CharacterTable[row].character == *character)
        settings.ticked.rows[static_cast<size_t>(settings.ticked.count++)] =
            static_cast<uint8_t>(row);
    }
  }
  return settings;
}

class VectorSink : public SampleSink {
 public:
  int failAtWrite = -1;  // 0-based
  bool Write(std::span<const int16_t> samples) override {
    if (writes++ == failAtWrite) return false;
    this->samples.insert(this->samples.end(), samples.begin(), samples.end());
    return true;
  }
  int writes = 0;
  std::vector<int16_t> samples;
};

// What the real sending exercise hands to the wave-out device, and what its
// output box shows at the end, for the same settings. The fake device
// finishes each buffer as soon as the next one has been written, so the
// exercise runs through to its natural end.
struct Played {
  std::vector<int16_t> samples;
  std::string outputBox;
  std::vector<std::string> warnings;
};

Played PlayTheExercise(const SessionCase& c) {
  testing::WorkerTestContext parts(c.seed);
  parts.clock.now = c.tickCountMs;
  const SendingSliders& s = c.sliders;
  const std::pair<int, int> positions[] = {{kSpeedScrollBarId, s.speed},
                                           {kGroupsScrollBarId, c.groups},
                                           {kRatioScrollBarId, s.ratio},
                                           {kCharSpaceScrollBarId, s.characterSpace},
                                           {kGroupSpaceScrollBarId, s.groupSpace},
                                           {kToneScrollBarId, s.tone},
                                           {kJitterScrollBarId, s.jitter},
                                           {kAttackScrollBarId, s.attack},
                                           {kVolumeScrollBarId, 50},
                                           {kNoiseScrollBarId, s.noise}};
  for (auto [id, position] : positions) parts.dialog.SetScroll(id, position);
  parts.dialog.SetTicked(kPreambleButtonId, c.preamble);
  const PracticeSettings settings = SettingsOf(c);
  for (int i = 0; i < settings.ticked.count; ++i)
    parts.dialog.SetTicked(CharacterTable[settings.ticked.rows[static_cast<size_t>(i)]].buttonId,
                           true);

  std::thread worker([&] { RunSendingExercise(parts.context); });
  const size_t writes = 2 + (c.preamble ? 1 : 0) + static_cast<size_t>(c.groups);
  for (size_t n = 2; n <= writes; ++n) {
    EXPECT_TRUE(parts.device.WaitForWrites(n));
    // The foreign message goes first so that the overrun check right after
    // a write can never take the notice.
    parts.queue.Post(kForeignMessage);
    parts.device.FinishOldest();
  }
  parts.device.FinishOldest();  // the last group has played
  worker.join();

  Played played;
  for (const testing::WrittenBuffer& written : parts.device.Writes())
    played.samples.insert(played.samples.end(), written.samples.begin(), written.samples.end());
  played.outputBox = parts.dialog.OutputBox();
  played.warnings = parts.dialog.Warnings();
  return played;
}

class PracticeSessionMatchesTheExercise : public ::testing::TestWithParam<SessionCase> {};

TEST_P(PracticeSessionMatchesTheExercise, SampleForSampleAndTextForText) {
  const SessionCase& c = GetParam();
  const Played played = PlayTheExercise(c);
  ASSERT_TRUE(played.warnings.empty());

  RandomSource random(c.seed);
  VectorSink sink;
  const PracticeRecording recording =
      RecordPracticeSession(SettingsOf(c), random, c.tickCountMs, sink);

  EXPECT_EQ(recording.outcome, PracticeOutcome::kRecorded);
  EXPECT_EQ(sink.writes, static_cast<int>(2 + (c.preamble ? 1 : 0) + c.groups));
  EXPECT_EQ(recording.samples, static_cast<int64_t>(sink.samples.size()));
  ASSERT_EQ(sink.samples.size(), played.samples.size());
  EXPECT_TRUE(sink.samples == played.samples);
  EXPECT_EQ(recording.answerKey, played.outputBox);
  EXPECT_EQ(recording.answerKey.size(), static_cast<size_t>(6 * c.groups));
}

INSTANTIATE_TEST_SUITE_P(
    Settings, PracticeSessionMatchesTheExercise,
    ::testing::Values(
        SessionCase{"FastWithNoiseAndJitter",
                    "ABC0?/",
                    false,
                    {36, 2, 1, 1, 700, 20, 30, 40},
                    4,
                    77,
                    123456},
        SessionCase{
            "PreambleAndOneCharacter", "K", true, {30, 3, 2, 1, 1500, 0, 0, 10}, 2, 5, 19999},
        SessionCase{"EveryCharacterWideSpacing",
                    "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789!?=/",
                    true,
                    {36, 5, 1, 2, 600, 75, 50, 100},
                    3,
                    0xFFFFFFFFu,
                    4000000000u}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PracticeSession, NothingTickedMakesNoSample) {
  SessionCase c{"", "", true, {}, 3, 1, 1};
  RandomSource random(1);
  VectorSink sink;
  const PracticeRecording recording = RecordPracticeSession(SettingsOf(c), random, 1, sink);
  EXPECT_EQ(recording.outcome, PracticeOutcome::kNothingTicked);
  EXPECT_EQ(sink.writes, 0);
  EXPECT_EQ(random.State(), 1u);
}

// A refusing sink stops the recording at once: nothing after it is made.
TEST(PracticeSession, StopsAtTheFirstRefusedBuffer) {
  SessionCase c{"", "EM", false, {36, 2, 1, 1, 900, 5, 0, 0}, 5, 9, 0};
  for (int failAt : {0, 1, 2, 4}) {
    RandomSource random(9);
    VectorSink sink;
    sink.failAtWrite = failAt;
    const PracticeRecording recording = RecordPracticeSession(SettingsOf(c), random, 0, sink);
    EXPECT_EQ(recording.outcome, PracticeOutcome::kSinkFailed) << failAt;
    EXPECT_EQ(sink.writes, failAt + 1) << failAt;
    EXPECT_EQ(recording.samples, static_cast<int64_t>(sink.samples.size())) << failAt;
  }
}

// Below the ratio's range "!" outgrows the buffer; the recording ends with
// the overflow, as the exercise does, and keeps no text of that group.
TEST(PracticeSession, GroupLongerThanTheBufferIsAnOverflow) {
  SessionCase c{"", "!", false, {36, 1, 1, 1, 900, 5, 0, 0}, 2, 9, 0};
  RandomSource random(9);
  VectorSink sink;
  const PracticeRecording recording = RecordPracticeSession(SettingsOf(c), random, 0, sink);
  EXPECT_EQ(recording.outcome, PracticeOutcome::kBufferOverflow);
  EXPECT_EQ(sink.writes, 2);
  EXPECT_EQ(recording.answerKey, "");
}

TEST(PracticeSession, ReportsProgressOncePerGroup) {
  SessionCase c{"", "T", true, {36, 2, 1, 1, 900, 5, 0, 0}, 3, 9, 0};
  RandomSource random(9);
  VectorSink sink;
  std::vector<std::pair<int32_t, int32_t>> calls;
  RecordPracticeSession(SettingsOf(c), random, 0, sink,
                        [&](int32_t done, int32_t total) { calls.emplace_back(done, total); });
  EXPECT_EQ(calls, (std::vector<std::pair<int32_t, int32_t>>{{1, 3}, {2, 3}, {3, 3}}));
}

}  // namespace
}  // namespace dovrik
