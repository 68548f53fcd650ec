#include "sender/timed_synthesis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "sender/group_synthesis.h"
#include "sender/noise_table.h"

namespace dovrik {
namespace {

std::vector<int16_t> PlayAll(std::span<const TimedSpan> spans, const TimedTone& tone,
                             uint32_t start, size_t piece) {
  NoiseCursor cursor(start);
  TimedSynthesis synthesis(spans, tone, cursor);
  std::vector<int16_t> all;
  std::vector<int16_t> buffer(piece);
  for (int32_t n; (n = synthesis.Fill(buffer)) > 0;)
    all.insert(all.end(), buffer.begin(), buffer.begin() + n);
  EXPECT_TRUE(synthesis.Done());
  EXPECT_EQ(synthesis.Written(), static_cast<int64_t>(all.size()));
  return all;
}

// A mark sounds exactly like the steady part of a sending exercise's dot:
// the same tone, the same mix, the same noise from the same cursor.
TEST(TimedSynthesis, SoundsLikeTheSendingExercise) {
  SendingSliders sliders;
  sliders.attack = 0;
  sliders.noise = 20;
  sliders.tone = 900;
  const SendingParameters parameters = DeriveSendingParameters(sliders);
  NoiseCursor groupCursor(777);
  std::vector<int16_t> group(static_cast<size_t>(parameters.capacity));
  const char* const patterns[] = {"."};
  ASSERT_TRUE(SynthesizeGroup(patterns, group, parameters, groupCursor));

  const int32_t dot = static_cast<int32_t>(parameters.dot * 22050.0f) - 2;
  const TimedSpan spans[] = {{dot, true}};
  const std::vector<int16_t> mark = PlayAll(spans, MakeTimedTone(900, 20, 0, 0), 777, 4096);
  ASSERT_EQ(mark.size(), static_cast<size_t>(dot));
  for (int32_t k = 0; k < dot; ++k) ASSERT_EQ(mark[k], group[k]) << "sample " << k;
}

TEST(TimedSynthesis, RampsInsideTheMarkAndAtTheStartOfTheSpace) {
  const TimedSpan spans[] = {{100, true}, {50, false}, {60, true}, {40, false}};
  const TimedTone tone = MakeTimedTone(600, 0, 10, 0);
  const std::vector<int16_t> samples = PlayAll(spans, tone, 0, 4096);
  ASSERT_EQ(samples.size(), 250u);
  EXPECT_EQ(samples[0], 0);  // the attack starts from silence
  for (int k = 1; k < 10; ++k) {
    EXPECT_LE(std::abs(samples[k]), tone.toneAmp * k / 10.0 + 1) << k;
  }
  int loudest = 0;
  for (int k = 10; k < 100; ++k) loudest = std::max(loudest, std::abs(int{samples[k]}));
  EXPECT_GT(loudest, 32000);
  // The release sounds in the first ten samples of the space, then silence.
  int release = 0;
  for (int k = 100; k < 110; ++k) release = std::max(release, std::abs(int{samples[k]}));
  EXPECT_GT(release, 1000);
  for (int k = 110; k < 150; ++k) ASSERT_EQ(samples[k], 0) << k;
  EXPECT_EQ(samples[150], 0);  // the next mark starts at phase 0
  for (int k = 220; k < 250; ++k) ASSERT_EQ(samples[k], 0) << k;
}

TEST(TimedSynthesis, PiecesOfAnySizeGiveTheSameSound) {
  const TimedSpan spans[] = {{1323, false},  {1323, true}, {1323, false}, {3969, true},
                             {14414, false}, {3969, true}, {33632, false}};
  const TimedTone tone = MakeTimedTone(600, 35, 110, 0);
  const std::vector<int16_t> whole = PlayAll(spans, tone, 19990, 100000);
  ASSERT_EQ(static_cast<int64_t>(whole.size()), TotalSamples(spans));
  for (const size_t piece : {1u, 7u, 441u, 1323u}) {
    EXPECT_EQ(PlayAll(spans, tone, 19990, piece), whole) << "pieces of " << piece;
  }
}

// Jitter moves each span's length by the noise value at the cursor when the
// span starts, and never below one sample.
TEST(TimedSynthesis, JitterMovesEachSpanByTheNoiseAtItsStart) {
  const TimedSpan spans[] = {{200, true}, {200, false}, {3, true}, {600, false}};
  const float amplitude = 100;
  const std::vector<int16_t> samples =
      PlayAll(spans, MakeTimedTone(600, 10, 0, amplitude), 5000, 64);
  int64_t expected = 0;
  for (const TimedSpan& span : spans) {
    const float noise =
        NoiseTable::Get()[static_cast<int32_t>((5000 + expected) % NoiseTable::kSize)];
    expected += std::max<int64_t>(1, span.samples + std::lround(noise * amplitude));
  }
  EXPECT_EQ(static_cast<int64_t>(samples.size()), expected);
  EXPECT_NE(expected, TotalSamples(spans));
}

}  // namespace
}  // namespace dovrik
