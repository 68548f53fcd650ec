#include "platform/audio_format.h"
#include "keyer/key_sampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <utility>
#include <vector>

#include "tests/support/fake_clock.h"
#include "tests/support/fake_key.h"
#include "tests/support/fake_looping_buffer.h"

namespace dovrik {
namespace {

using testing::FakeKey;
using testing::FakeLoopingBuffer;
using testing::ManualClock;

// The full-scale tone sample n samples after a phase of 0, worked out in
// double precision, independently of the sampler's single-precision steps.
double FullScale(int toneHz, int n) {
  return 32767.0 * std::sin(2.0 * M_PI * toneHz * n / double(kSampleRate));
}

std::vector<std::pair<uint32_t, int32_t>> Entries(const KeyEventRing& ring) {
  std::vector<std::pair<uint32_t, int32_t>> entries;
  for (int32_t i = 1; i <= ring.Head(); ++i) entries.emplace_back(ring.times[i], ring.values[i]);
  return entries;
}

class KeySamplerTest : public ::testing::Test {
 protected:
  void SetUp() override { Configure(900, 5); }

  void Configure(int toneHz, int attack) {
    toneHz_ = toneHz;
    state_ = std::make_unique<KeySamplerState>();
    state_->buffer = &buffer_;
    state_->clock = &clock_;
    state_->key = &key_;
    state_->phaseStep = PhaseStepForTone(toneHz);
    state_->rampLength = RampLengthForAttack(attack);
    state_->pauseTimeout = 1952;
  }

  // One tick `ms` later, the write cursor having moved on by `cursorBytes`.
  void Tick(uint32_t ms = 5, uint32_t cursorBytes = 0) {
    clock_.Advance(ms);
    buffer_.AdvanceWriteCursor(cursorBytes);
    KeySampler(*state_);
  }
  // About real time: 5 ms is 220.5 bytes of the buffer.
  void PlayingTick() { Tick(5, 220); }

  // Presses the key at the next tick, which then starts the tone at the
  // write cursor; returns that tick's time.
  uint32_t PressAtNextTick(uint32_t cursorBytes = 0) {
    key_.Set(true);
    Tick(5, cursorBytes);
    EXPECT_EQ(state_->toneState, Sounding);
    return clock_.NowMs();
  }

  KeySamplerState& State() { return *state_; }

  int toneHz_ = 0;
  ManualClock clock_{1000};
  FakeKey key_;
  FakeLoopingBuffer buffer_;
  std::unique_ptr<KeySamplerState> state_;
};

TEST_F(KeySamplerTest, ToneAt900HzWithAttack5BeginsWithTheRampedSamples) {
  buffer_.SetWriteCursor(600);
  const uint32_t start = PressAtNextTick();

  ASSERT_EQ(buffer_.Locks().size(), 1u);
  EXPECT_EQ(buffer_.Locks()[0].offset, 600u);
  EXPECT_EQ(buffer_.Locks()[0].bytes, 1324u);
  EXPECT_EQ(State().writePos, 600 + 1324);
  const int16_t expected[] = {0, 1511, 4385, 8289, 12736};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(buffer_.SampleAt(600 + 2 * i), expected[i]) << i;
  // The tenth sample still carries 10/11; the eleventh is the first at full scale.
  EXPECT_NEAR(buffer_.SampleAt(600 + 18), FullScale(900, 9) * 10 / 11, 1.0);
  EXPECT_NEAR(buffer_.SampleAt(600 + 20), FullScale(900, 10), 1.0);
  EXPECT_LT(buffer_.SampleAt(600 + 18), FullScale(900, 9) - 100);
  EXPECT_EQ(Entries(State().toneEvents), (std::vector<std::pair<uint32_t, int32_t>>{{start, 1}}));
}

// The device may take a chunk between the sampler's cursor read and its
// lock; the block must then start at the new cursor, not at bytes already
// handed out.
TEST_F(KeySamplerTest, KeyChangeBlockFollowsACursorThatMovedBeforeTheLock) {
  buffer_.SetWriteCursor(600);
  buffer_.AdvanceCursorBeforeNextLock(256);
  PressAtNextTick();
  EXPECT_EQ(State().writePos, 856 + 1324);
  const int16_t expected[] = {0, 1511, 4385, 8289, 12736};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(buffer_.SampleAt(856 + 2 * i), expected[i]) << i;
  EXPECT_EQ(buffer_.Locks().back().offset, 856u);

  for (int i = 0; i < 3; ++i) Tick(5, 220);
  const int32_t cursor = (856 + 3 * 220 + 256) % kSideToneBufferBytes;
  const int16_t queued = buffer_.SampleAt(cursor);
  key_.Set(false);
  buffer_.AdvanceCursorBeforeNextLock(256);
  Tick(5, 0);
  EXPECT_EQ(buffer_.Locks().back().offset, static_cast<uint32_t>(cursor));
  EXPECT_EQ(State().writePos, cursor + 1324);
  EXPECT_NEAR(buffer_.SampleAt(cursor), queued, 3.0) << "the release continues the waveform";
  EXPECT_EQ(static_cast<size_t>(buffer_.Unlocks()), buffer_.Locks().size());
}

struct RampCase {
  int attack;
  int32_t rampLength;
};

class KeySamplerRampTest : public KeySamplerTest, public ::testing::WithParamInterface<RampCase> {};

// The attack ramps 1/R ... (R-1)/R and the release R/R ... 1/R, then silence;
// the release continues the waveform that was queued at the write cursor.
TEST_P(KeySamplerRampTest, AttackAndReleaseFollowTheRamp) {
  const auto [attack, ramp] = GetParam();
  Configure(900, attack);
  ASSERT_EQ(State().rampLength, ramp);

  PressAtNextTick();
  for (int i = 0; i < 20; ++i) {
    const double full = FullScale(900, i);
    const double scale = i + 1 < ramp ? double(i + 1) / ramp : 1.0;
    EXPECT_NEAR(buffer_.SampleAt(2 * i), full * scale, 1.0) << "attack sample " << i;
  }

  // Three ticks of steady tone: the third one tops up 660 bytes of tone.
  for (int i = 0; i < 3; ++i) Tick(5, 220);
  ASSERT_EQ(State().writePos, 1984);
  std::vector<int16_t> queued;
  for (int j = 0; j < (1984 - 880) / 2; ++j) {
    queued.push_back(buffer_.SampleAt(880 + 2 * j));
    // The single-precision phase drifts by a few units over a thousand samples.
    EXPECT_NEAR(queued.back(), FullScale(900, 440 + j), 12.0) << "queued sample " << j;
  }

  key_.Set(false);
  Tick(5, 220);
  ASSERT_EQ(State().toneState, Silent);
  EXPECT_EQ(buffer_.Locks().back().offset, 880u);
  EXPECT_EQ(buffer_.Locks().back().bytes, 1324u);
  EXPECT_EQ(State().writePos, 880 + 1324);
  for (int j = 0; j < 662; ++j) {
    if (j >= ramp) {
      EXPECT_EQ(buffer_.SampleAt(880 + 2 * j), 0) << "release sample " << j;
    } else {
      EXPECT_NEAR(buffer_.SampleAt(880 + 2 * j), queued[j] * double(ramp - j) / ramp, 3.0)
          << "release sample " << j;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Attacks, KeySamplerRampTest,
                         ::testing::Values(RampCase{0, 0}, RampCase{1, 2}, RampCase{5, 11},
                                           RampCase{10, 22}, RampCase{75, 165}));

TEST(RampLength, FollowsTheAttackSetting) {
  for (int attack = 0; attack <= 75; ++attack) {
    EXPECT_EQ(RampLengthForAttack(attack), static_cast<int32_t>(std::floor(attack * 2.205 + 1e-9)))
        << attack;
  }
}

struct TopUpCase {
  int32_t writePos;
  int32_t queued;  // bytes between the write cursor and writePos
  uint32_t firstBytes;
  uint32_t secondBytes;  // 0 and 0: nothing is written
  int32_t writePosAfter;
};

class KeySamplerTopUpTest : public KeySamplerTest,
                            public ::testing::WithParamInterface<TopUpCase> {};

TEST_P(KeySamplerTopUpTest, RefillsTheLeadInPiecesOfAtLeast442Bytes) {
  const TopUpCase c = GetParam();
  buffer_.FillBytes(0x55);
  State().writePos = c.writePos;
  buffer_.SetWriteCursor((c.writePos - c.queued + kSideToneBufferBytes) % kSideToneBufferBytes);

  Tick();

  EXPECT_EQ(State().writePos, c.writePosAfter);
  const auto locks = buffer_.Locks();
  if (c.firstBytes == 0) {
    EXPECT_TRUE(locks.empty());
    return;
  }
  ASSERT_EQ(locks.size(), 1u);
  EXPECT_EQ(locks[0].offset, static_cast<uint32_t>(c.writePos));
  EXPECT_EQ(locks[0].firstBytes, c.firstBytes);
  EXPECT_EQ(locks[0].secondBytes, c.secondBytes);
  EXPECT_EQ(buffer_.Unlocks(), 1);
  const uint32_t written = c.firstBytes + c.secondBytes;
  for (uint32_t i = 0; i < written; ++i) ASSERT_EQ(buffer_.ByteAt(c.writePos + i), 0) << i;
  EXPECT_EQ(buffer_.ByteAt(c.writePos + written), 0x55);
  EXPECT_EQ(buffer_.ByteAt(c.writePos + kSideToneBufferBytes - 1), 0x55);
}

INSTANTIATE_TEST_SUITE_P(
    Queues, KeySamplerTopUpTest,
    ::testing::Values(TopUpCase{5000, 1324, 0, 0, 5000}, TopUpCase{5000, 882, 442, 0, 5442},
                      TopUpCase{5000, 884, 0, 0, 5000}, TopUpCase{5000, 0, 1324, 0, 6324},
                      TopUpCase{43900, 824, 200, 300, 300}, TopUpCase{600, 1000, 0, 0, 600},
                      TopUpCase{600, 500, 824, 0, 1424}));

TEST_F(KeySamplerTest, TickWithTheSameClockValueDoesNothing) {
  Tick();
  const int reads = key_.Reads();
  const int32_t levelsHead = State().keyLevels.Head();
  const size_t locks = buffer_.Locks().size();
  buffer_.SetWriteCursor(1000);  // would call for a top-up
  key_.Set(true);                // would start a tone

  KeySampler(State());

  EXPECT_EQ(key_.Reads(), reads);
  EXPECT_EQ(State().keyLevels.Head(), levelsHead);
  EXPECT_EQ(buffer_.Locks().size(), locks);
  EXPECT_EQ(State().toneState, Silent);
  EXPECT_EQ(State().toneEvents.Head(), 0);
}

TEST_F(KeySamplerTest, TheVeryFirstTickReadsTheKey) {
  clock_.Set(7);
  key_.Set(true);
  KeySampler(State());
  EXPECT_EQ(key_.Reads(), 1);
  EXPECT_EQ(State().toneState, Sounding);
  EXPECT_EQ(State().pollAfter, 17u);
  EXPECT_EQ(Entries(State().toneEvents), (std::vector<std::pair<uint32_t, int32_t>>{{7, 1}}));
}

// Clock readings from 2^31 on lie "before" the never-set debounce time 0
// when compared through the signed difference, so only the first-tick rule
// lets these ticks read the key.
class KeySamplerFirstTickTest : public KeySamplerTest,
                                public ::testing::WithParamInterface<uint32_t> {};

TEST_P(KeySamplerFirstTickTest, ReadsTheKeyWhateverTheClockSays) {
  const uint32_t now = GetParam();
  clock_.Set(now);
  key_.Set(true);
  KeySampler(State());
  EXPECT_EQ(key_.Reads(), 1);
  EXPECT_EQ(State().toneState, Sounding);
  EXPECT_EQ(State().pollAfter, now + 10);
  EXPECT_EQ(Entries(State().toneEvents), (std::vector<std::pair<uint32_t, int32_t>>{{now, 1}}));
}

INSTANTIATE_TEST_SUITE_P(Clocks, KeySamplerFirstTickTest,
                         ::testing::Values(0x80000000u, 0x80000001u, 0xC0000000u, 0xFFFFFFF0u,
                                           0xFFFFFFFFu));

TEST_F(KeySamplerTest, KeyIsNotReadWithin10MsOfAnAcceptedChange) {
  const uint32_t start = PressAtNextTick();
  const int reads = key_.Reads();

  // A bounce up within the debounce is never seen: ticks 1 ms apart up to
  // start + 10 do not read the key, yet each records its level and tops up.
  key_.Set(false);
  for (int ms = 1; ms <= 10; ++ms) {
    Tick(1, 50);
    EXPECT_EQ(key_.Reads(), reads) << ms;
    EXPECT_EQ(State().toneState, Sounding) << ms;
  }
  key_.Set(true);
  const size_t locksBefore = buffer_.Locks().size();
  Tick(1, 600);  // start + 11: read, same level, nothing changes
  EXPECT_EQ(key_.Reads(), reads + 1);
  EXPECT_EQ(State().toneState, Sounding);
  EXPECT_EQ(buffer_.Locks().size(), locksBefore + 1);  // the tone was topped up
  EXPECT_EQ(State().keyLevels.Head(), 1 + 11);
  for (int32_t i = 1; i <= State().keyLevels.Head(); ++i) EXPECT_EQ(State().keyLevels.values[i], 1);

  // The next change is accepted at once, and the key is not read again
  // until 10 ms later.
  key_.Set(false);
  Tick(1, 50);
  EXPECT_EQ(State().toneState, Silent);
  EXPECT_EQ(State().pollAfter, start + 12 + 10);
  EXPECT_EQ(Entries(State().toneEvents),
            (std::vector<std::pair<uint32_t, int32_t>>{{start, 1}, {start + 12, 0}}));
}

TEST_F(KeySamplerTest, OnePauseMarkerPerSilenceLongerThanThePauseTimeout) {
  // Plays `ms` of ticks; returns the times of the ticks that appended a
  // pause marker.
  auto play = [&](int ms) {
    std::vector<uint32_t> markedAt;
    for (int elapsed = 0; elapsed < ms; elapsed += 5) {
      const int32_t head = State().toneEvents.Head();
      PlayingTick();
      if (State().toneEvents.Head() != head && State().toneEvents.values[head + 1] == 0 &&
          State().toneEvents.times[head + 1] == 0) {
        markedAt.push_back(clock_.NowMs());
      }
    }
    return markedAt;
  };

  EXPECT_TRUE(play(3000).empty()) << "no marker before the first tone";
  EXPECT_EQ(State().toneEvents.Head(), 0);

  for (int tone = 0; tone < 2; ++tone) {
    key_.Set(true);
    play(100);
    key_.Set(false);
    const int32_t stopIndex = State().toneEvents.Head() + 1;
    play(20);
    ASSERT_EQ(State().toneEvents.Head(), stopIndex);
    const uint32_t stop = State().toneEvents.times[stopIndex];
    ASSERT_EQ(State().toneEvents.values[stopIndex], 0);

    const std::vector<uint32_t> markers = play(4000);
    ASSERT_EQ(markers.size(), 1u) << "tone " << tone;
    EXPECT_GT(ClockDifference(markers[0], stop), 1952);
    // Top-ups that write come at least every 15 ms at this pace.
    EXPECT_LE(ClockDifference(markers[0], stop), 1952 + 15);
  }
  EXPECT_EQ(State().toneEvents.Head(), 6);
}

TEST_F(KeySamplerTest, OverrunWritesNothingUntilTheCursorComesRoundUnlessTheKeyChanges) {
  PressAtNextTick();
  for (int i = 0; i < 6; ++i) PlayingTick();
  const int32_t writePos = State().writePos;
  buffer_.ClearLocks();

  // Late ticks let the write cursor pass writePos by 100 bytes. While the
  // cursor is past writePos the queue computes as nearly the whole buffer
  // and nothing is written, until the cursor, moving on at 220 bytes a
  // tick, comes round to within 882 bytes behind writePos, about a second
  // later.
  buffer_.SetWriteCursor((writePos + 100) % kSideToneBufferBytes);
  Tick();
  int ticks = 0;
  while (buffer_.Locks().empty() && ticks < 400) {
    ++ticks;
    PlayingTick();
  }
  ASSERT_FALSE(buffer_.Locks().empty());
  EXPECT_GE(ticks, (kSideToneBufferBytes - 100 - 1324) / 220);
  EXPECT_EQ(buffer_.Locks().back().offset, static_cast<uint32_t>(writePos));
  EXPECT_GE(buffer_.Locks().back().bytes, 442u);
  EXPECT_LT(buffer_.Locks().back().bytes, 442u + 220u);

  // Overrun again; a key release restarts writing at the cursor at once.
  buffer_.ClearLocks();
  const int32_t overrun = (State().writePos + 100) % kSideToneBufferBytes;
  buffer_.SetWriteCursor(overrun);
  Tick();
  EXPECT_TRUE(buffer_.Locks().empty());
  key_.Set(false);
  Tick();
  ASSERT_EQ(buffer_.Locks().size(), 1u);
  EXPECT_EQ(buffer_.Locks()[0].offset, static_cast<uint32_t>(overrun));
  EXPECT_EQ(State().writePos, (overrun + static_cast<int32_t>(buffer_.Locks()[0].bytes)) % kSideToneBufferBytes);
  EXPECT_EQ(buffer_.SampleAt(overrun + 2 * 11), 0) << "the release has ended";
}

TEST_F(KeySamplerTest, FailedLockIsNeverWrittenThrough) {
  buffer_.FillBytes(0x55);
  buffer_.SetLockFails(true);

  Tick();  // silence top-up
  EXPECT_EQ(State().writePos, 0);
  // The write cursor stands still, so every tick asks for a lock.
  const uint32_t start = PressAtNextTick();  // attack
  for (int i = 0; i < 4; ++i) Tick();        // tone top-ups
  key_.Set(false);
  Tick();  // release
  const uint32_t stop = clock_.NowMs();
  for (int i = 0; i < 4; ++i) Tick();  // silence top-ups

  EXPECT_EQ(buffer_.Locks().size(), 11u);
  EXPECT_EQ(buffer_.Unlocks(), 0);
  for (uint32_t i = 0; i < FakeLoopingBuffer::kBytes; ++i) ASSERT_EQ(buffer_.ByteAt(i), 0x55) << i;
  EXPECT_EQ(State().writePos, 0);
  // The keying is still recorded for the decoder and the chart.
  EXPECT_EQ(Entries(State().toneEvents),
            (std::vector<std::pair<uint32_t, int32_t>>{{start, 1}, {stop, 0}}));

  // Once locks work again, writing resumes where it stopped.
  buffer_.SetLockFails(false);
  buffer_.SetWriteCursor(0);
  Tick();
  EXPECT_EQ(buffer_.Locks().back().offset, 0u);
  EXPECT_EQ(State().writePos, 1324);
}

}  // namespace
}  // namespace dovrik
