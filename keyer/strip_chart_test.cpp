#include "keyer/strip_chart.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/fake_strip_chart.h"

namespace dovrik {
namespace {

using Calls = std::vector<std::string>;

// The strip chart as the dialog lays it out: 470 pixels wide, trace row 6.
constexpr int kWidth = 470;
constexpr int kHeight = 12;
constexpr int kRow = kHeight / 2;

// Key levels appended the way the sampler records them, one entry per tick,
// and chart passes drawn on a recording surface.
class Chart {
 public:
  void Level(int32_t level) { ring.Append(now, level); }
  void Ticks(int count, int32_t level) {
    for (int i = 0; i < count; ++i) {
      Level(level);
      now += 5;
    }
  }
  void Pass() { UpdateStripChart(chartPos, ring, &surface); }
  // One entry and the first pass, which jumps over the zeroed slot 0: the
  // next pass measures its span from that entry.
  void Prime(int32_t level) {
    primed = now;
    Ticks(1, level);
    Pass();
    surface.ClearCalls();
  }

  KeyEventRing ring;
  int32_t chartPos = 0;
  testing::FakeStripChart surface{kWidth, kHeight};
  uint32_t now = 100000;
  uint32_t primed = 0;  // time of the entry the first pass jumped to
};

TEST(StripChartPixels, UsesTheWidthLessFourPerFourSeconds) {
  EXPECT_EQ(StripChartPixels(20, kWidth), 2);  // 2.33 truncated
  EXPECT_EQ(StripChartPixels(8, kWidth), 0);   // 0.93
  EXPECT_EQ(StripChartPixels(4000, kWidth), 466);
  EXPECT_EQ(StripChartPixels(-20, kWidth), -2);  // toward zero
  // A 32-bit product would overflow here.
  EXPECT_EQ(StripChartPixels(2000000000, kWidth), 233000000);
}

TEST(StripChart, PassWithNoNewEntryTakesNoSurface) {
  Chart chart;
  chart.Pass();
  EXPECT_EQ(chart.surface.Calls(), Calls{});
  chart.Prime(1);
  chart.Pass();
  EXPECT_EQ(chart.surface.Calls(), Calls{});
}

// The first pass measures from the zeroed slot 0: far more than four seconds
// (or negative once the clock has passed 2^31 ms). It draws nothing and jumps
// to the head.
TEST(StripChart, FirstPassJumpsToTheHead) {
  for (uint32_t start : {100000u, 0x90000000u}) {
    Chart chart;
    chart.now = start;
    chart.Ticks(7, 1);
    chart.Pass();
    EXPECT_EQ(chart.surface.Calls(), (Calls{"begin", "end"}));
    EXPECT_EQ(chart.chartPos, 7);
    EXPECT_EQ(chart.surface.Row(kRow), std::string(kWidth, '.'));
  }
}

// One key-down entry, then the next entry `span` ms later: scroll by K, clear
// the exposed K pixels, draw the segment up to the right end of the strip.
struct SpanCase {
  uint32_t span;
  int pixels;
};

class StripChartSpan : public ::testing::TestWithParam<SpanCase> {};

TEST_P(StripChartSpan, ScrollsClearsAndDraws) {
  const SpanCase& c = GetParam();
  Chart chart;
  chart.Prime(1);
  chart.now = chart.primed + c.span;
  chart.Level(0);
  chart.Pass();
  EXPECT_EQ(chart.chartPos, 2);
  if (c.pixels == 0) {
    EXPECT_EQ(chart.surface.Calls(), (Calls{"begin", "end"}));
    return;
  }
  const int x0 = 468 - c.pixels;
  const std::string y = std::to_string(kRow);
  EXPECT_EQ(chart.surface.Calls(),
            (Calls{"begin",
                   "scroll 2," + y + ",468," + std::to_string(kRow + 1) + " by " +
                       std::to_string(-c.pixels),
                   "fill " + std::to_string(x0) + "," + y + ",468," + std::to_string(kRow + 1),
                   "move " + std::to_string(x0) + "," + y, "line 468," + y, "end"}));
  const std::string expected =
      std::string(x0, '.') + std::string(c.pixels, '#') + std::string(2, '.');
  EXPECT_EQ(chart.surface.Row(kRow), expected);
}

INSTANTIATE_TEST_SUITE_P(Width470, StripChartSpan,
                         ::testing::Values(SpanCase{20, 2}, SpanCase{8, 0}, SpanCase{9, 1},
                                           SpanCase{3999, 465},
                                           SpanCase{4000, 0}));  // 466 pixels: four seconds

// A span under one pixel is lost: the next pass measures from the newer entry.
TEST(StripChart, SpanUnderOnePixelIsLostFromTheTrace) {
  Chart chart;
  chart.Prime(1);
  chart.Ticks(1, 1);  // 5 ms after the primed entry
  chart.Pass();
  chart.Ticks(1, 1);  // 10 ms after it, but only 5 ms after the last pass's head
  chart.Pass();
  EXPECT_EQ(chart.surface.Calls(), (Calls{"begin", "end", "begin", "end"}));
  EXPECT_EQ(chart.surface.Row(kRow), std::string(kWidth, '.'));
}

// Several entries in one pass: each key-down entry draws to the next one's
// time, key-up entries only move.
TEST(StripChart, PlacesEverySegmentOnTheCommonScale) {
  Chart chart;
  chart.Prime(1);
  chart.now = chart.primed + 1000;  // down from t0 to t0 + 1000
  chart.Level(0);
  chart.now += 500;  // up until t0 + 1500
  chart.Level(1);
  chart.now += 500;  // down until t0 + 2000
  chart.Level(0);
  chart.Pass();
  // K = 2000 ms = 233 pixels; x0 = 235; 1000 ms = 116 pixels, 1500 ms = 174.
  EXPECT_EQ(chart.surface.Row(kRow), std::string(235, '.') + std::string(116, '#') +
                                         std::string(58, 'w') + std::string(59, '#') +
                                         std::string(2, '.'));
}

// Key held down throughout: one unbroken line that grows from the right end
// pass after pass, joining the previous pass's line, never touching the two
// pixels at either end.
TEST(StripChart, KeyHeldDownDrawsOneUnbrokenLine) {
  Chart chart;
  chart.Prime(1);
  int drawn = 0;
  for (int pass = 0; pass < 300; ++pass) {
    chart.Ticks(4, 1);  // 20 ms
    chart.Pass();
    // Each pass measures from the head of the last one: 20 ms, 2 pixels.
    drawn = std::min(drawn + 2, 466);
    const std::string row = chart.surface.Row(kRow);
    ASSERT_EQ(row.substr(468 - drawn, drawn), std::string(drawn, '#')) << "pass " << pass;
    ASSERT_EQ(row.substr(0, 468 - drawn), std::string(468 - drawn, '.')) << "pass " << pass;
    ASSERT_EQ(row.substr(468), "..") << "pass " << pass;
  }
  EXPECT_EQ(chart.surface.Row(kRow - 1), std::string(kWidth, '.'));
  EXPECT_EQ(chart.surface.Row(kRow + 1), std::string(kWidth, '.'));
}

TEST(StripChart, KeyUpThroughoutScrollsAndClearsOnly) {
  Chart chart;
  chart.Prime(0);
  for (int pass = 0; pass < 10; ++pass) {
    chart.Ticks(4, 0);
    chart.Pass();
  }
  EXPECT_EQ(chart.surface.Row(kRow), std::string(448, '.') + std::string(20, 'w') + "..");
}

// A key press after a long silence: the line appears at the right end and
// scrolls left with the following passes.
TEST(StripChart, ATapScrollsAwayToTheLeft) {
  Chart chart;
  chart.Prime(0);
  chart.Ticks(4, 0);
  chart.Ticks(4, 1);
  chart.Pass();
  // The down entries are 20 to 35 ms after t0; the pass spans 35 ms = 4 px
  // (x0 = 464), down from 464 + 2 to the right end.
  EXPECT_EQ(chart.surface.Row(kRow).substr(460), "....ww##..");
  chart.Ticks(8, 0);
  chart.Pass();
  // 40 ms more: everything moves 4 pixels left. The last down entry's own
  // 5 ms segment is under one pixel and draws nothing.
  EXPECT_EQ(chart.surface.Row(kRow).substr(456), "....ww##wwww..");
}

// No surface: nothing is drawn and chartPos stays, so the next pass covers
// the whole longer span.
TEST(StripChart, NoSurfaceKeepsChartPos) {
  Chart chart;
  chart.Prime(1);
  chart.Ticks(2, 1);  // 5 and 10 ms after t0
  UpdateStripChart(chart.chartPos, chart.ring, nullptr);
  EXPECT_EQ(chart.chartPos, 1);
  chart.surface.SetAvailable(false);
  chart.Pass();
  EXPECT_EQ(chart.chartPos, 1);
  EXPECT_EQ(chart.surface.Calls(), Calls{"begin failed"});
  chart.surface.ClearCalls();
  chart.surface.SetAvailable(true);
  chart.Ticks(2, 1);  // 15 and 20 ms after t0
  chart.Level(1);     // 25 ms: 2 pixels for the whole span
  chart.Pass();
  EXPECT_EQ(chart.chartPos, 6);
  EXPECT_EQ(chart.surface.Calls().at(1), "scroll 2,6,468,7 by -2");
  EXPECT_EQ(chart.surface.Row(kRow).substr(464), "..##..");
}

}  // namespace
}  // namespace dovrik
