// The keyer through the real key sampler and the real side-tone engine, on
// a scripted 128-frame device and no real time: what the device is handed
// holds every element and space at its exact length in samples.

#include <gtest/gtest.h>

#include <vector>

#include "keyer/keyer_mode.h"
#include "tests/support/scripted_side_tone.h"

namespace dovrik {
namespace {

using testing::EvenDevice;
using testing::kPeriodNs;
using testing::PaddlesAt;
using testing::SideToneRun;

// Marks in a recording: from the sample before the first sound (a tone's
// first sample is 0, at phase 0) to the one after its last, split where 20
// samples in a row are silent.
struct Mark {
  size_t start;
  size_t end;  // exclusive
};
std::vector<Mark> Marks(const std::vector<int16_t>& recording) {
  std::vector<Mark> marks;
  size_t quiet = 0;
  for (size_t i = 0; i < recording.size(); ++i) {
    if (recording[i] == 0) {
      ++quiet;
      continue;
    }
    if (marks.empty() || quiet >= 20) marks.push_back({i - 1, i + 1});
    marks.back().end = i + 1;
    quiet = 0;
  }
  return marks;
}

// Both paddles squeezed, dah first, let go during the space after the
// second dah: iambic B sends C (dah dit dah dit), iambic A sends K; at
// 20 WPM a dot is 1323 samples, a dash 3969 and every space 1323.
TEST(PaddleKeyingTest, SqueezedCIsExactToTheSampleInModeBAndKInModeA) {
  const std::vector<PaddlesAt> squeeze = {{200, false, true}, {210, true, true}, {770, false, false}};
  // A device taking one period at a time, and one taking two at once.
  const testing::DeviceScript devices[] = {
      EvenDevice(256, kPeriodNs),
      [](int64_t n) {
        return testing::DeviceRequest{(n / 2) * 2 * kPeriodNs + (n % 2) * 100'000, 256};
      },
  };
  for (int device = 0; device < 2; ++device)
  for (const KeyerMode mode : {KeyerMode::kIambicB, KeyerMode::kIambicA}) {
    SCOPED_TRACE(::testing::Message() << KeyerModeName(mode) << " on device " << device);
    SideToneRun run(devices[device], {}, 1200);
    run.UsePaddles(mode, 20, squeeze);
    run.Run();
    const std::vector<Mark> marks = Marks(run.Recording());
    const std::vector<size_t> expected = mode == KeyerMode::kIambicB
                                             ? std::vector<size_t>{3969, 1323, 3969, 1323}
                                             : std::vector<size_t>{3969, 1323, 3969};
    ASSERT_EQ(marks.size(), expected.size());
    for (size_t m = 0; m < marks.size(); ++m) {
      EXPECT_EQ(marks[m].end - marks[m].start, expected[m]) << "mark " << m;
      if (m + 1 < marks.size()) {
        EXPECT_EQ(marks[m + 1].start - marks[m].end, 1323u) << "space " << m;
      }
    }
    // The first element comes within a tick and the 30 ms lead of the press.
    const double latencyMs = run.HandedAtMs(marks[0].start) - 200;
    EXPECT_GE(latencyMs, 0.0);
    EXPECT_LE(latencyMs, 5.0 + 30.0 + (device + 1) * 5.805);
    EXPECT_EQ(run.Buffer().Underruns(), 0u);
    // Sounded changes go to the decoder's ring: two per element.
    EXPECT_EQ(run.State().toneEvents.Head(), static_cast<int32_t>(2 * expected.size()));
  }
}

}  // namespace
}  // namespace dovrik
