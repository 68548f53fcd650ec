// The side-tone engine against scripted devices, with the real key sampler
// and no real time: a 128-frame period like clockwork, 200 ms at once, two
// periods at a time, and a device that stalls after its first fill.

#include "sidetone/side_tone_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "tests/support/scripted_side_tone.h"
#include "tests/support/side_tone_tones.h"

namespace dovrik {
namespace {

using testing::DeviceRequest;
using testing::EvenDevice;
using testing::KeyChangeAt;
using testing::kPeriodNs;
using testing::SideToneRun;
using testing::Tone;

constexpr double kSamplesPerMs = kSampleRate / 1000.0;
constexpr int32_t kPeriodSamples = 128;

// PARIS with `dotMs` dots from `startMs`, as key changes.
std::vector<KeyChangeAt> Paris(int32_t dotMs, int32_t startMs) {
  std::vector<KeyChangeAt> key;
  for (const auto& change :
       testing::KeyedWord({".--.", ".-", ".-.", "..", "..."}, dotMs, startMs)) {
    key.push_back({change.atMs, change.down});
  }
  return key;
}

// The largest step between neighbouring samples: a 700 Hz sine moves at most
// 32767 * 2 pi * 700 / 22050 (6,536) a sample, and a ramp step adds 32767 / 11.
int LargestStep(const std::vector<int16_t>& recording) {
  int largest = 0;
  for (size_t i = 1; i < recording.size(); ++i) {
    largest = std::max(largest, std::abs(recording[i] - recording[i - 1]));
  }
  return largest;
}
constexpr int kLargestCleanStep = 6536 + 32767 / 11 + 2;

// Every press heard as one tone, in order, each as long as the key was held
// and each gap as long as the key was up, within `slackSamples`.
void ExpectEveryPressHeard(const std::vector<int16_t>& recording,
                           const std::vector<KeyChangeAt>& key, double slackSamples) {
  const std::vector<Tone> tones = testing::FindTones(recording, 0, 20);
  ASSERT_EQ(tones.size(), key.size() / 2) << "one tone for every press";
  for (size_t t = 0; t < tones.size(); ++t) {
    const double held = (key[2 * t + 1].atMs - key[2 * t].atMs) * kSamplesPerMs;
    EXPECT_NEAR(double(tones[t].last - tones[t].first + 1), held, slackSamples) << "tone " << t;
    if (t + 1 < tones.size()) {
      const double up = (key[2 * t + 2].atMs - key[2 * t + 1].atMs) * kSamplesPerMs;
      EXPECT_NEAR(double(tones[t + 1].first - tones[t].last - 1), up, slackSamples)
          << "gap after tone " << t;
    }
  }
}

TEST(SideToneEngineTest, ClockworkPeriodsKeyChangesLandAtTheWriteCursorItself) {
  const std::vector<KeyChangeAt> key = Paris(90, 300);
  SideToneRun run(EvenDevice(2 * kPeriodSamples, kPeriodNs), key, key.back().atMs + 300);
  run.Run();
  // A key change is heard at the first byte the device takes after its tick:
  // lengths and gaps are whole periods, at most one period off.
  ExpectEveryPressHeard(run.Recording(), key, kPeriodSamples);
  const std::vector<Tone> tones = testing::FindTones(run.Recording(), 0, 20);
  for (size_t t = 0; t < tones.size(); ++t) {
    const double latencyMs = run.HandedAtMs(tones[t].first) - key[2 * t].atMs;
    EXPECT_GE(latencyMs, 0.0) << "tone " << t;
    EXPECT_LE(latencyMs, 5.0 + 5.805 + 0.2) << "a tick and a period at most, tone " << t;
  }
  EXPECT_LE(LargestStep(run.Recording()), kLargestCleanStep) << "no clicks";
  EXPECT_EQ(run.Buffer().Underruns(), 0u);
  EXPECT_EQ(run.Buffer().Lead(), 1324) << "the 30 ms lead";

  // Between two requests key changes go to the first byte not yet taken,
  // not where an even pace would have moved it meanwhile.
  SideToneEngine& engine = run.Buffer().Engine();
  const int64_t lastRequest = 1'000'000'000 + (int64_t{key.back().atMs + 300} * 1'000'000 /
                                               kPeriodNs) * kPeriodNs;
  for (const int64_t later : {int64_t{0}, kPeriodNs / 2, kPeriodNs - 1}) {
    EXPECT_EQ(engine.WriteCursor(lastRequest + later),
              (engine.Handed() + engine.Skipped()) % engine.Size());
    EXPECT_EQ(engine.KeyChangeCursor(lastRequest + later), engine.WriteCursor(lastRequest + later));
  }
}

TEST(SideToneEngineTest, TwoPeriodsAtATimeKeyChangesSoundAtAnEvenPace) {
  // The device takes 512 bytes every 11.6 ms (two requests of a period, at
  // once); without pacing every change would land on an 11.6 ms grid.
  const auto device = [](int64_t n) {
    return DeviceRequest{(n / 2) * 2 * kPeriodNs + (n % 2) * 100'000, 2 * kPeriodSamples};
  };
  const std::vector<KeyChangeAt> key = Paris(90, 300);
  SideToneRun run(device, key, key.back().atMs + 300);
  run.Run();
  // Within a tick and a bit: the 5 ms tick is the grid now.
  ExpectEveryPressHeard(run.Recording(), key, 5.0 * kSamplesPerMs + 16);
  EXPECT_LE(LargestStep(run.Recording()), kLargestCleanStep) << "no clicks";
  EXPECT_EQ(run.Buffer().Underruns(), 0u);
}

TEST(SideToneEngineTest, DeviceTaking200MsAtOnceUnderrunsOnceThenTheLeadCoversIt) {
  // Key down from 100 ms for 2 s: the tone must play on without a gap once
  // the lead has grown; then small periods again and the lead falls back.
  const auto device = [](int64_t n) {
    if (n < 10) return DeviceRequest{n * 200'000'000, 8820};
    return DeviceRequest{2'000'000'000 + (n - 10) * kPeriodNs, 2 * kPeriodSamples};
  };
  SideToneRun run(device, {{100, true}, {2100, false}}, 9000);
  run.Run();
  EXPECT_EQ(run.Buffer().Underruns(), 1u) << "only the first burst ran past what was written";
  const std::vector<Tone> tones = testing::FindTones(run.Recording(), 0, 20);
  ASSERT_GE(tones.size(), 1u);
  EXPECT_EQ(run.Buffer().Lead(), 1324) << "back to 30 ms, seconds after the bursts";
  // The tone is heard whole from the second burst on: after the first
  // underrun it never breaks until the key goes up.
  EXPECT_LE(tones.size(), 2u);
  EXPECT_LE(LargestStep(run.Recording()), kLargestCleanStep) << "no clicks";
}

TEST(SideToneEngineTest, LeadGrowsAtOnceForALargeChunkAndHalvesIn1_8Seconds) {
  SideToneEngine engine(kBytesPerSecond);
  engine.Play();
  std::vector<uint8_t> out(8820);
  engine.Render(out.data(), 8820, 1'000'000'000);
  EXPECT_GE(engine.Lead(1'000'000'000), 8820 + 442);
  EXPECT_NEAR(engine.Lead(2'800'000'000), (8820 / 2) * 5 / 4 + 442, 4);
  EXPECT_EQ(engine.Lead(20'000'000'000), 1324);
}

TEST(SideToneEngineTest, NeverHandsOutWhatWasNotWrittenForThisLap) {
  constexpr int16_t kStale = -32768;
  SideToneEngine engine(4410);
  const std::vector<int16_t> stale(2205, kStale);
  LockedRegions regions = engine.Lock(0, 4410);
  std::memcpy(regions.first, stale.data(), regions.firstBytes);
  engine.Unlock(regions);
  engine.Play();
  std::vector<int16_t> out(2205);
  engine.Render(reinterpret_cast<uint8_t*>(out.data()), 4410, 1'000'000'000);
  ASSERT_EQ(out, stale) << "the written lap plays once";
  EXPECT_EQ(engine.Underruns(), 0u);

  // Ten samples written at the cursor; the device asks for a hundred.
  regions = engine.Lock(engine.WriteCursor(1'001'000'000), 20);
  std::memset(regions.first, 1, regions.firstBytes);
  engine.Unlock(regions);
  out.assign(100, 7);
  engine.Render(reinterpret_cast<uint8_t*>(out.data()), 200, 1'002'000'000);
  EXPECT_EQ(std::count(out.begin(), out.begin() + 10, 0x0101), 10);
  EXPECT_EQ(std::count(out.begin() + 10, out.end(), 0), 90) << "silence, never the old lap";
  EXPECT_EQ(engine.Underruns(), 1u);
  EXPECT_EQ(engine.WriteCursor(1'002'000'000), 20u) << "the cursor waits at the written end";
  engine.Render(reinterpret_cast<uint8_t*>(out.data()), 200, 1'008'000'000);
  EXPECT_EQ(engine.Underruns(), 1u) << "one underrun until something is written again";
}

// A sound server whose idle sink has rendered ahead takes the first fill of
// a new stream at once and then nothing for 1.5 s. Keying starts 0.8 s in,
// as a user keys after pressing Key: every element is heard once the server
// takes sound, in order and of its length, and the silence before it and
// the next pause are what give way until the side-tone is back on time.
TEST(SideToneEngineTest, AStalledDeviceLosesNoPressAndCatchesUpInTheSilences) {
  const auto device = [](int64_t n) {
    if (n < 3) return DeviceRequest{n * 10'000, 2 * kPeriodSamples};
    return DeviceRequest{1'500'000'000 + (n - 3) * kPeriodNs, 2 * kPeriodSamples};
  };
  std::vector<KeyChangeAt> key = Paris(120, 800);
  // Two dots a second after PARIS: by then the side-tone is on time again.
  const int32_t later = key.back().atMs + 1500;
  for (const int32_t at : {later, later + 240}) {
    key.push_back({at, true});
    key.push_back({at + 120, false});
  }
  SideToneRun run(device, key, later + 1000);
  run.Run();

  const std::vector<Tone> tones = testing::FindTones(run.Recording(), 0, 20);
  ASSERT_EQ(tones.size(), key.size() / 2) << "every press, the first ones too";
  // PARIS, keyed during the stall and after it, is heard as keyed, within
  // 10 ms (a tick either side of the stall's threshold).
  const std::vector<KeyChangeAt> paris(key.begin(), key.end() - 4);
  ExpectEveryPressHeard(std::vector<int16_t>(run.Recording().begin(),
                                             run.Recording().begin() + tones[13].last + 1),
                        paris, 10 * kSamplesPerMs);
  EXPECT_LE(run.HandedAtMs(tones[0].first), 1500.0 + 1.0) << "heard as soon as the server takes";
  // The last two dots come at the usual latency, with their own lengths.
  for (size_t t = 14; t < 16; ++t) {
    const double latencyMs = run.HandedAtMs(tones[t].first) - key[2 * t].atMs;
    EXPECT_GE(latencyMs, 0.0);
    EXPECT_LE(latencyMs, 5.0 + 5.805 + 0.2) << "tone " << t;
    EXPECT_NEAR(double(tones[t].last - tones[t].first + 1), 120 * kSamplesPerMs, kPeriodSamples);
  }
  EXPECT_GT(run.Buffer().Engine().Skipped(), 0u);
  EXPECT_LE(LargestStep(run.Recording()), kLargestCleanStep) << "no clicks";
}

}  // namespace
}  // namespace dovrik
