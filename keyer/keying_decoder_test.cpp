#include "keyer/keying_decoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/fake_dialog.h"

namespace dovrik {
namespace {

using Texts = std::vector<std::string>;

// --- Limits ---------------------------------------------------------------

struct LimitsCase {
  int32_t speed, ratio;
  KeyingLimits expected;
};

class KeyingLimitsTest : public ::testing::TestWithParam<LimitsCase> {};

TEST_P(KeyingLimitsTest, MatchesTheWorkedExamples) {
  const LimitsCase& c = GetParam();
  const KeyingLimits limits = ComputeKeyingLimits(c.speed, c.ratio);
  EXPECT_EQ(limits.shortLimit, c.expected.shortLimit);
  EXPECT_EQ(limits.dotDashLimit, c.expected.dotDashLimit);
  EXPECT_EQ(limits.wordLimit, c.expected.wordLimit);
  EXPECT_EQ(limits.pauseLimit, c.expected.pauseLimit);
  EXPECT_EQ(limits.pauseTimeout, c.expected.pauseTimeout);
}

INSTANTIATE_TEST_SUITE_P(Examples, KeyingLimitsTest,
                         ::testing::Values(LimitsCase{12, 3, {41, 244, 488, 976, 1952}},
                                           LimitsCase{12, 2, {41, 183, 326, 651, 1302}},
                                           LimitsCase{6, 5, {82, 732, 1627, 3253, 6506}},
                                           LimitsCase{20, 4, {25, 183, 391, 781, 1562}},
                                           LimitsCase{36, 2, {14, 61, 109, 217, 434}}));

// The single-precision formulas must give the exact rational ceilings for
// every slider position, and the limits must stay ordered.
TEST(KeyingLimits, EqualExactCeilingsOverTheWholeSliderRange) {
  auto ceilDiv = [](int64_t a, int64_t b) { return static_cast<int32_t>((a + b - 1) / b); };
  for (int32_t speed = 6; speed <= 36; ++speed) {
    for (int32_t ratio = 2; ratio <= 5; ++ratio) {
      SCOPED_TRACE("speed " + std::to_string(speed) + " ratio " + std::to_string(ratio));
      const KeyingLimits limits = ComputeKeyingLimits(speed, ratio);
      // dot = 60000 / (41 S) ms.
      EXPECT_EQ(limits.shortLimit, ceilDiv(60000, 123 * speed));
      EXPECT_EQ(limits.dotDashLimit, ceilDiv(30000 * (1 + ratio), 41 * speed));
      EXPECT_EQ(limits.wordLimit, ceilDiv(240000 * ratio, 123 * speed));
      EXPECT_EQ(limits.pauseLimit, ceilDiv(480000 * ratio, 123 * speed));
      EXPECT_EQ(limits.pauseTimeout, 2 * limits.pauseLimit);
      EXPECT_LT(limits.shortLimit, limits.dotDashLimit);
      EXPECT_LT(limits.dotDashLimit, limits.wordLimit);
      EXPECT_LT(limits.wordLimit, limits.pauseLimit);
    }
  }
}

TEST(KeyingDecoder, StartsAtTheRootWithTheLimitsOfItsSettings) {
  const KeyingDecoder decoder = MakeKeyingDecoder(20, 4);
  EXPECT_EQ(decoder.decodePos, 0);
  EXPECT_EQ(decoder.node, DecodeTreeRoot());
  EXPECT_EQ(decoder.shortLimit, 25);
  EXPECT_EQ(decoder.dotDashLimit, 183);
  EXPECT_EQ(decoder.wordLimit, 391);
  EXPECT_EQ(decoder.pauseLimit, 781);
}

// --- Decoding ---------------------------------------------------------------

// Keys tone starts and stops into a ring the way the sampler records them,
// and runs decoder passes against a fake dialog. Speed 12, ratio 3 unless
// told otherwise: limits 41, 244, 488, 976.
class Keying {
 public:
  explicit Keying(int32_t speed = 12, int32_t ratio = 3)
      : decoder(MakeKeyingDecoder(speed, ratio)) {}

  void Down(uint32_t ms) { Start(), Wait(ms), Stop(); }
  void Start() { ring.Append(now, 1); }
  void Stop() { ring.Append(now, 0); }
  void Pause() { ring.Append(0, 0); }
  void Wait(uint32_t ms) { now += ms; }
  // Keys a pattern of "." (120 ms) and "-" (360 ms) with 120 ms element
  // gaps, ending on the last stop.
  void Key(const std::string& pattern) {
    for (size_t i = 0; i < pattern.size(); ++i) {
      if (i > 0) Wait(120);
      Down(pattern[i] == '-' ? 360 : 120);
    }
  }
  Texts Decode() {
    DecodePending(decoder, ring, dialog);
    return dialog.Appends();
  }

  KeyEventRing ring;
  KeyingDecoder decoder;
  testing::FakeDialog dialog;
  uint32_t now = 100000;
};

TEST(KeyingDecoder, PassWithNoNewEntryDoesNothing) {
  Keying k;
  EXPECT_EQ(k.Decode(), Texts{});
  EXPECT_EQ(k.decoder.decodePos, 0);
  k.Start();
  EXPECT_EQ(k.Decode(), Texts{});  // the first start pairs with slot 0
  EXPECT_EQ(k.decoder.decodePos, 1);
  EXPECT_EQ(k.Decode(), Texts{});
  EXPECT_EQ(k.decoder.decodePos, 1);
  EXPECT_EQ(k.decoder.node, DecodeTreeRoot());
}

// The first start of an exercise pairs with the never-written slot 0: the
// pair starts from the root and appends nothing, even when its "interval"
// would be a long pause.
TEST(KeyingDecoder, FirstStartPairsWithSlotZeroAndAppendsNothing) {
  Keying k;
  k.Key(".-");
  k.Wait(300);
  k.Start();
  EXPECT_EQ(k.Decode(), (Texts{"A"}));
}

struct IntervalCase {
  uint32_t ms;
  Texts expected;  // after the interval and a following character gap or element
};

// A key-down interval of the given length, then a character gap (300 ms) and
// the next start: the mark (if any) comes first, then the character.
class KeyDownInterval : public ::testing::TestWithParam<IntervalCase> {};

TEST_P(KeyDownInterval, ClassifiesAgainstTheLimits) {
  Keying k;
  k.Down(GetParam().ms);
  k.Wait(300);
  k.Start();
  EXPECT_EQ(k.Decode(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Speed12Ratio3, KeyDownInterval,
                         ::testing::Values(IntervalCase{40, {"f", "E"}}, IntervalCase{41, {"E"}},
                                           IntervalCase{243, {"E"}}, IntervalCase{244, {"T"}},
                                           IntervalCase{487, {"T"}},
                                           IntervalCase{488, {"s", "T"}}));

// Dot, a key-up interval of the given length, dot, then a character gap.
class KeyUpInterval : public ::testing::TestWithParam<IntervalCase> {};

TEST_P(KeyUpInterval, ClassifiesAgainstTheLimits) {
  Keying k;
  k.Down(120);
  k.Wait(GetParam().ms);
  k.Down(120);
  k.Wait(300);
  k.Start();
  EXPECT_EQ(k.Decode(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Speed12Ratio3, KeyUpInterval,
                         ::testing::Values(IntervalCase{40, {"^", "I"}}, IntervalCase{41, {"I"}},
                                           IntervalCase{243, {"I"}}, IntervalCase{244, {"E", "E"}},
                                           IntervalCase{488, {"E ", "E"}},
                                           IntervalCase{975, {"E ", "E"}},
                                           IntervalCase{976, {"E_", "E"}}));

// "K" keyed as 360, 120, 120, 120, 360 ms: nothing while keying; the gap
// after the last stop decides the ending.
TEST(KeyingDecoder, KeyedKAppendsNothingWhileKeying) {
  Keying k;
  k.Key("-.-");
  EXPECT_EQ(k.Decode(), Texts{});
  EXPECT_EQ(k.decoder.node->character, 'K');
}

struct EndingCase {
  uint32_t gap;
  Texts expected;
};

class KeyedKEnding : public ::testing::TestWithParam<EndingCase> {};

TEST_P(KeyedKEnding, FollowsTheGapAfterTheLastStop) {
  Keying k;
  k.Key("-.-");
  k.Wait(GetParam().gap);
  k.Start();
  EXPECT_EQ(k.Decode(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Speed12Ratio3, KeyedKEnding,
                         ::testing::Values(EndingCase{300, {"K"}}, EndingCase{600, {"K "}},
                                           EndingCase{1200, {"K_"}}));

TEST(KeyingDecoder, PauseMarkerEndsKAndTheNextCharacterStartsFromTheRoot) {
  Keying k;
  k.Key("-.-");
  EXPECT_EQ(k.Decode(), Texts{});
  k.Pause();  // the sampler's marker, about 1952 ms after the stop
  EXPECT_EQ(k.Decode(), (Texts{"K; "}));
  EXPECT_EQ(k.decoder.node, DecodeTreeRoot());
  k.Wait(5000);
  k.Key(".");
  k.Wait(300);
  k.Start();
  EXPECT_EQ(k.Decode(), (Texts{"K; ", "E"}));  // the marker appends nothing more
}

TEST(KeyingDecoder, TooShortFirstToneMarksAndDecodesAsDot) {
  Keying k;
  k.Down(30);
  k.Wait(120);
  k.Key(".-");
  EXPECT_EQ(k.Decode(), Texts{"f"});  // the mark comes as soon as the tone has stopped
  k.Wait(300);
  k.Start();
  EXPECT_EQ(k.Decode(), (Texts{"f", "U"}));
}

TEST(KeyingDecoder, WalksOffTheKnownCodesToTheSentinel) {
  Keying six;
  six.Key("......");
  six.Wait(300);
  six.Start();
  EXPECT_EQ(six.Decode(), Texts{"~"});

  Keying inner;
  inner.Key("..--");
  inner.Wait(300);
  inner.Start();
  EXPECT_EQ(inner.Decode(), Texts{"~"});
}

TEST(KeyingDecoder, DecodesWordsAcrossManyPasses) {
  Keying k;
  const char* patterns[] = {"-.-", "..--..", "--..--", "-..-."};
  for (const char* pattern : patterns) {
    k.Key(pattern);
    k.Decode();
    k.Wait(300);
  }
  k.Start();
  EXPECT_EQ(k.Decode(), (Texts{"K", "?", "!", "/"}));
  EXPECT_EQ(k.dialog.OutputBox(), "K?!/");
}

// Tick times wrap after 2^32 ms; intervals across the wrap are unaffected.
TEST(KeyingDecoder, IntervalsSpanTheClockWrap) {
  Keying k;
  k.now = 0xFFFFFF00u;
  k.Key("-.");
  k.Wait(600);
  k.Start();
  EXPECT_EQ(k.Decode(), Texts{"N "});
}

// --- Overrun ------------------------------------------------------------------

// The decoder has not run while the sampler appended more than a whole ring:
// "0" keyed over and over, ten entries a character, so the oldest surviving
// entry lies inside a character. Decoding from there would append a partial
// character; the decoder must notice, drop it and carry on cleanly.
TEST(KeyingDecoder, RecoversFromARingOverrunWithoutGarbage) {
  Keying k;
  for (int i = 0; i < 110; ++i) {  // 1100 entries
    k.Key("-----");
    k.Wait(600);
  }
  EXPECT_EQ(k.Decode(), Texts{});
  EXPECT_EQ(k.decoder.overruns, 1);
  EXPECT_EQ(k.decoder.node, DecodeTreeRoot());

  k.Key("-.-");
  k.Wait(300);
  k.Key("..");
  k.Wait(600);
  k.Start();
  EXPECT_EQ(k.Decode(), (Texts{"K", "I "}));
  EXPECT_EQ(k.decoder.overruns, 1);
}

// Overrun in the middle of a character: the character under way when the
// ring was lapped is dropped, the one after the next character gap decodes.
TEST(KeyingDecoder, OverrunDropsThePartialCharacterUpToTheNextBoundary) {
  Keying k;
  k.Key(".");
  k.Wait(120);
  EXPECT_EQ(k.Decode(), Texts{});
  // 1024 more entries: the entry the decoder waits on is overwritten.
  for (int i = 0; i < 512; ++i) {
    k.Down(120);
    k.Wait(120);
  }
  k.Key("-");  // still the same long run of elements: no boundary yet
  EXPECT_EQ(k.Decode(), Texts{});
  EXPECT_EQ(k.decoder.overruns, 1);
  k.Wait(300);
  k.Key("--");
  k.Wait(300);
  k.Start();
  EXPECT_EQ(k.Decode(), (Texts{"M"}));
}

// Exactly a whole ring of entries since the last pass leaves the head where
// the decoder stood; that must not read as "nothing new".
TEST(KeyingDecoder, NoticesALapOfExactlyOneRing) {
  Keying k;
  k.Key(".");
  EXPECT_EQ(k.Decode(), Texts{});
  const int32_t before = k.decoder.decodePos;
  for (int i = 0; i < 512; ++i) {
    k.Wait(300);
    k.Down(120);
  }
  ASSERT_EQ(k.ring.Head(), before);
  EXPECT_EQ(k.Decode(), Texts{});
  EXPECT_EQ(k.decoder.overruns, 1);
  k.Wait(300);
  k.Key("-");
  k.Wait(300);
  k.Start();
  EXPECT_EQ(k.Decode(), Texts{"T"});
}

// Nearly a ring behind is still within reach: everything decodes.
TEST(KeyingDecoder, DecodesARunOfAlmostAWholeRingWithoutResynchronising) {
  Keying k;
  for (int i = 0; i < 511; ++i) {  // 1022 entries, then the next start
    k.Key(".");
    k.Wait(300);
  }
  k.Start();
  const Texts texts = k.Decode();
  EXPECT_EQ(k.decoder.overruns, 0);
  EXPECT_EQ(texts, Texts(511, "E"));
}

}  // namespace
}  // namespace dovrik
