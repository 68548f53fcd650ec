#include "keyer/paddle_keyer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dovrik {
namespace {

constexpr KeyerTiming kTiming{1323, 3969, 1323};  // 20 WPM
constexpr int64_t kDot = 1323;
constexpr int64_t kDash = 3969;

// The sampler reads the paddles every 5 ms, 110.25 samples: tick k falls on
// sample floor(441 k / 4).
int64_t TickSample(int64_t tick) {
  return tick * 441 / 4;
}

// The paddles as a hand moves them: each paddle down over half-open sample
// ranges.
struct Hand {
  std::vector<std::pair<int64_t, int64_t>> dit, dah;

  static bool Within(const std::vector<std::pair<int64_t, int64_t>>& ranges, int64_t sample) {
    for (const auto& [from, to] : ranges) {
      if (sample >= from && sample < to) return true;
    }
    return false;
  }
  Paddles At(int64_t sample) const { return Paddles{Within(dit, sample), Within(dah, sample)}; }
};

// Reads the hand at every tick up to `until` and returns the key changes.
std::vector<KeyChange> Play(KeyerMode mode, const Hand& hand, int64_t until = 200000) {
  PaddleKeyer keyer(mode, kTiming);
  std::vector<KeyChange> changes;
  const auto sink = [&](KeyChange change) { changes.push_back(change); };
  for (int64_t tick = 0; TickSample(tick) < until; ++tick) {
    keyer.Advance(TickSample(tick), sink);
    keyer.Read(hand.At(TickSample(tick)), sink);
  }
  keyer.Advance(until, sink);
  EXPECT_FALSE(keyer.KeyDown()) << "the key is left down";
  return changes;
}

// The elements keyed, as dots and dashes, after checking that the changes
// alternate, that every mark is exactly a dot or a dash long and that every
// space between marks is at least a dot.
std::string Elements(const std::vector<KeyChange>& changes) {
  std::string elements;
  for (size_t i = 0; i < changes.size(); ++i) {
    EXPECT_EQ(changes[i].down, i % 2 == 0) << "change " << i;
    if (i % 2 == 1) {
      const int64_t length = changes[i].sample - changes[i - 1].sample;
      EXPECT_TRUE(length == kDot || length == kDash) << "mark " << i / 2 << ": " << length;
      elements += length == kDot ? '.' : '-';
    } else if (i > 0) {
      EXPECT_GE(changes[i].sample - changes[i - 1].sample, kDot) << "space before mark " << i / 2;
    }
  }
  return elements;
}

// The middle of element `index` of `elements` sent back to back from sample
// 0, as a squeeze sends them.
int64_t Middle(std::string_view elements, size_t index) {
  int64_t start = 0;
  for (size_t i = 0; i < index; ++i) start += (elements[i] == '.' ? kDot : kDash) + kDot;
  return start + (elements[index] == '.' ? kDot : kDash) / 2;
}

// --- Speed ---------------------------------------------------------

TEST(KeyerTiming, RoundsTheDotOnceAndBuildsTheRestFromIt) {
  struct Case {
    int wpm, dot;
  };
  // 26,460 / W samples: 24 WPM is 1102.5 and rounds up; 50 WPM is 529.2.
  for (const Case c : {Case{20, 1323}, Case{5, 5292}, Case{13, 2035}, Case{24, 1103}, Case{40, 662},
                       Case{50, 529}, Case{4, 5292}, Case{51, 529}, Case{-3, 5292}}) {
    SCOPED_TRACE(c.wpm);
    const KeyerTiming timing = KeyerTimingForWpm(c.wpm);
    EXPECT_EQ(timing.dotSamples, c.dot);
    EXPECT_EQ(timing.dashSamples, 3 * c.dot);
    EXPECT_EQ(timing.spaceSamples, c.dot);
  }
}

// --- Iambic A against B: the squeezed letters --------------------------------

// A squeeze: `first` pressed at 0, the other paddle pressed in the middle of
// element `otherFrom`, the first paddle let go in the middle of element
// `firstTo` and the other in the middle of element `otherTo`, the elements
// counted along `timeline`.
struct SqueezeCase {
  const char* name;
  bool ditFirst;
  size_t otherFrom, firstTo, otherTo;
  const char* timeline;
  const char* modeA;
  const char* modeB;
};

Hand Squeeze(const SqueezeCase& c) {
  const std::pair<int64_t, int64_t> first{0, Middle(c.timeline, c.firstTo)};
  const std::pair<int64_t, int64_t> other{Middle(c.timeline, c.otherFrom),
                                          Middle(c.timeline, c.otherTo)};
  return c.ditFirst ? Hand{{first}, {other}} : Hand{{other}, {first}};
}

class SqueezedLetterTest : public ::testing::TestWithParam<SqueezeCase> {};

TEST_P(SqueezedLetterTest, ModeBAddsTheOppositeElementAfterTheSqueeze) {
  const SqueezeCase& c = GetParam();
  EXPECT_EQ(Elements(Play(KeyerMode::kIambicA, Squeeze(c))), c.modeA);
  EXPECT_EQ(Elements(Play(KeyerMode::kIambicB, Squeeze(c))), c.modeB);
}

INSTANTIATE_TEST_SUITE_P(Letters, SqueezedLetterTest,
                         ::testing::Values(
                             // Both let go during the last element: A ends there, B adds one.
                             SqueezeCase{"C_in_A", false, 0, 3, 3, "-.-.", "-.-.", "-.-.-"},
                             SqueezeCase{"K_in_A", false, 0, 2, 2, "-.-", "-.-", "-.-."},
                             SqueezeCase{"R_in_A", true, 0, 2, 2, ".-.", ".-.", ".-.-"},
                             SqueezeCase{"F_in_A", true, 1, 3, 3, "..-.", "..-.", "..-.-"},
                             SqueezeCase{"Q_in_A", false, 1, 3, 3, "--.-", "--.-", "--.-."},
                             // Both let go one element earlier: B's extra element completes it.
                             SqueezeCase{"C_in_B", false, 0, 2, 2, "-.-.", "-.-", "-.-."},
                             SqueezeCase{"K_in_B", false, 0, 1, 1, "-.-", "-.", "-.-"},
                             SqueezeCase{"R_in_B", true, 0, 1, 1, ".-.", ".-", ".-."},
                             SqueezeCase{"F_in_B", true, 1, 2, 2, "..-.", "..-", "..-."},
                             SqueezeCase{"Q_in_B", false, 1, 2, 2, "--.-", "--.", "--.-"},
                             // The dit let go during the second dah still squeezed it: in B a
                             // dit follows, and the dah still held during that dit brings a dah.
                             SqueezeCase{"Y_in_A", false, 0, 3, 2, "-.--", "-.--", "-.-.-"},
                             // The dit let go during the dit: nothing squeezes the dahs after it.
                             SqueezeCase{"Y_in_both", false, 0, 3, 1, "-.--", "-.--", "-.--"},
                             SqueezeCase{"L_in_A", true, 0, 3, 2, ".-..", ".-..", ".-.-."},
                             SqueezeCase{"L_in_both", true, 0, 3, 1, ".-..", ".-..", ".-.."}),
                         [](const auto& info) { return std::string(info.param.name); });

// The whole timeline of a squeeze, dit first and dah pressed during it, let
// go during the second dit or during the dah: each element starts exactly one
// space after the last, and only B adds the element opposite to the last.
TEST(IambicSqueeze, ReleasedDuringTheDitOrTheDahEndsAtExactSamples) {
  const int64_t inSecondDit = Middle(".-.", 2);
  const int64_t inDah = Middle(".-", 1);
  const Hand duringDit{{{0, inSecondDit}}, {{220, inSecondDit}}};
  const Hand duringDah{{{0, inDah}}, {{220, inDah}}};
  using Changes = std::vector<KeyChange>;
  const auto expect = [](const Changes& actual, const Changes& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
      EXPECT_EQ(actual[i].sample, expected[i].sample) << "change " << i;
      EXPECT_EQ(actual[i].down, expected[i].down) << "change " << i;
    }
  };
  const Changes ditDahDit{{0, true},     {1323, false}, {2646, true},
                          {6615, false}, {7938, true},  {9261, false}};
  expect(Play(KeyerMode::kIambicA, duringDit), ditDahDit);
  Changes withDah = ditDahDit;
  withDah.insert(withDah.end(), {{10584, true}, {14553, false}});
  expect(Play(KeyerMode::kIambicB, duringDit), withDah);

  const Changes ditDah(ditDahDit.begin(), ditDahDit.begin() + 4);
  expect(Play(KeyerMode::kIambicA, duringDah), ditDah);
  expect(Play(KeyerMode::kIambicB, duringDah), ditDahDit);
}

// --- Memory --------------------------------------------------------------------

struct MemoryCase {
  const char* name;
  KeyerMode mode;
  Hand hand;
  const char* elements;
};

class PaddleMemoryTest : public ::testing::TestWithParam<MemoryCase> {};

TEST_P(PaddleMemoryTest, APaddleTappedDuringAnElementOrSpaceIsSent) {
  const MemoryCase& c = GetParam();
  EXPECT_EQ(Elements(Play(c.mode, c.hand)), c.elements);
}

// A dit held 0..600 is one dit, mark 0..1323 and space 1323..2646; a dah held
// 0..600 is a dah, mark 0..3969, space 3969..5292.
INSTANTIATE_TEST_SUITE_P(
    Taps, PaddleMemoryTest,
    ::testing::Values(
        MemoryCase{
            "DahTappedInTheSpaceOfADit", KeyerMode::kIambicA, {{{0, 600}}, {{1800, 2200}}}, ".-"},
        MemoryCase{
            "DitTappedInTheSpaceOfADah", KeyerMode::kIambicA, {{{4200, 4500}}, {{0, 600}}}, "-."},
        MemoryCase{
            "DitTappedAgainDuringItsDit", KeyerMode::kIambicA, {{{0, 400}, {700, 900}}, {}}, ".."},
        // Both remembered are both wanted: they alternate from the dit.
        MemoryCase{"BothTappedInOneSpaceAlternate",
                   KeyerMode::kIambicB,
                   {{{0, 400}, {1500, 1700}}, {{1600, 1900}}},
                   ".-."},
        MemoryCase{
            "UltimaticRemembersToo", KeyerMode::kUltimatic, {{{0, 600}}, {{1800, 2200}}}, ".-"},
        // After the space has ended the keyer is at rest: a tap starts a new
        // element at the reading that sees it, not from memory.
        MemoryCase{"TapAfterTheSpaceStartsAfresh",
                   KeyerMode::kIambicA,
                   {{{0, 600}}, {{3000, 3300}}},
                   ".-"},
        // A bug's pendulum has no memory: the dah paddle is a straight key,
        // and a dit tapped in a dot's space is lost unless still held.
        MemoryCase{
            "BugForgetsADitTappedInASpace", KeyerMode::kBug, {{{0, 600}, {1500, 1700}}, {}}, "."}),
    [](const auto& info) { return std::string(info.param.name); });

// Readings that fall exactly on a phase boundary: at the end of a mark the
// space is under way, so a tap there is remembered; at the end of the space
// the next element is chosen from that very reading.
TEST(PaddleMemory, ReadingsExactlyOnTheBoundaries) {
  std::vector<KeyChange> changes;
  const auto sink = [&](KeyChange c) { changes.push_back(c); };
  PaddleKeyer keyer(KeyerMode::kIambicA, kTiming);
  keyer.Read(Paddles{true, false}, sink);  // a dit, 0..1323
  keyer.Read(Paddles{}, sink);
  keyer.Advance(kDot, sink);
  keyer.Read(Paddles{false, true}, sink);  // dah tapped at the dit's end
  keyer.Advance(kDot + 1, sink);
  keyer.Read(Paddles{}, sink);
  keyer.Advance(2 * kDot, sink);  // the space ends at 2646: the dah is due there
  EXPECT_EQ(keyer.NextChange(), 2 * kDot);
  keyer.Advance(2 * kDot + kDash + kDot, sink);  // the dah's mark and space
  keyer.Read(Paddles{true, false}, sink);        // the space is over: a dit from this reading
  EXPECT_TRUE(keyer.KeyDown());
  keyer.Advance(3 * kDot + kDash + 1, sink);
  keyer.Read(Paddles{}, sink);
  keyer.Advance(20000, sink);
  EXPECT_EQ(Elements(changes), ".-.");
  ASSERT_EQ(changes.size(), 6u);
  EXPECT_EQ(changes[2].sample, 2 * kDot);
  EXPECT_EQ(changes[4].sample, 3 * kDot + kDash);
  EXPECT_TRUE(keyer.Idle());
}

// --- Ultimatic -----------------------------------------------------------------

TEST(Ultimatic, ThePaddlePressedLastRepeatsWhileBothAreHeld) {
  // Dit held alone: dits. Dah pressed during the second dit and held with
  // the dit: dahs repeat. Dah let go: the dits come back.
  const int64_t dahFrom = Middle("..", 1);
  const int64_t dahTo = Middle("..---", 4);
  const int64_t ditTo = Middle("..---..", 6);
  EXPECT_EQ(Elements(Play(KeyerMode::kUltimatic, Hand{{{0, ditTo}}, {{dahFrom, dahTo}}})),
            "..---..");
  // The same hands on iambic alternate instead.
  EXPECT_EQ(Elements(Play(KeyerMode::kIambicA, Hand{{{0, ditTo}}, {{dahFrom, dahTo}}})),
            "..-.-...");

  // Dah first, then dit pressed and held with it: dits repeat.
  const int64_t ditFrom = Middle("-", 0);
  EXPECT_EQ(Elements(Play(KeyerMode::kUltimatic,
                          Hand{{{ditFrom, Middle("-...", 3)}}, {{0, Middle("-...", 3)}}})),
            "-...");
  // A dit tapped while the dah is held is sent once, and the dahs go on.
  EXPECT_EQ(Elements(Play(KeyerMode::kUltimatic,
                          Hand{{{ditFrom, ditFrom + 300}}, {{0, Middle("-.--", 3)}}})),
            "-.--");
}

// --- Bug and straight ----------------------------------------------------------

TEST(Bug, DotsRepeatWhileHeldAndTheDahPaddleIsAStraightKey) {
  // Dit held over three dots' worth: dot, space, dot, space, dot.
  const std::vector<KeyChange> dots = Play(KeyerMode::kBug, Hand{{{0, 5 * kDot - 200}}, {}});
  EXPECT_EQ(Elements(dots), "...");
  ASSERT_EQ(dots.size(), 6u);
  EXPECT_EQ(dots[4].sample, 4 * kDot);

  // The dah paddle keys from the reading that finds it down (tick 10) to the
  // reading that finds it up (tick 60), whatever its length.
  const std::vector<KeyChange> dah = Play(KeyerMode::kBug, Hand{{}, {{1000, 6600}}});
  ASSERT_EQ(dah.size(), 2u);
  EXPECT_EQ(dah[0].sample, TickSample(10));
  EXPECT_EQ(dah[1].sample, TickSample(60));

  // Dah held across a dot: the key stays down until both let go.
  const std::vector<KeyChange> both = Play(KeyerMode::kBug, Hand{{{0, 300}}, {{500, 2000}}});
  ASSERT_EQ(both.size(), 2u);
  EXPECT_EQ(both[0].sample, 0);
  EXPECT_EQ(both[1].sample, TickSample(19));
}

TEST(Straight, TheKeyFollowsEitherPaddleAtTheReadings) {
  const std::vector<KeyChange> changes =
      Play(KeyerMode::kStraight, Hand{{{0, 1000}, {3000, 3500}}, {{900, 2000}}});
  ASSERT_EQ(changes.size(), 4u);
  EXPECT_EQ(changes[0].sample, 0);
  EXPECT_EQ(changes[1].sample, TickSample(19));  // first tick at or after 2000
  EXPECT_EQ(changes[2].sample, TickSample(28));  // 3087
  EXPECT_EQ(changes[3].sample, TickSample(32));  // 3528
}

// --- The sampler's use ---------------------------------------------------------

// The sampler copies the keyer and runs the copy ahead to write the
// side-tone in advance: with the paddles unchanged, the copy must key what
// the keyer itself keys, however the run is cut into Advance calls.
TEST(PaddleKeyerCopy, RunsAheadToTheSameChangesInAnySteps) {
  PaddleKeyer keyer(KeyerMode::kIambicB, kTiming, 1000);
  std::vector<KeyChange> first;
  keyer.Read(Paddles{true, true}, [&](KeyChange c) { first.push_back(c); });
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(first[0].sample, 1000);
  EXPECT_EQ(keyer.NextChange(), 1000 + kDot);

  PaddleKeyer ahead = keyer;
  std::vector<KeyChange> inOne = first, inSteps = first;
  ahead.Advance(30000, [&](KeyChange c) { inOne.push_back(c); });
  for (int64_t to = 1097; to <= 30000; to += 97) {
    keyer.Advance(to, [&](KeyChange c) { inSteps.push_back(c); });
    // Every change lands in the step that covers it.
    EXPECT_LT(inSteps.back().sample, to);
  }
  keyer.Advance(30000, [&](KeyChange c) { inSteps.push_back(c); });
  ASSERT_EQ(inOne.size(), inSteps.size());
  for (size_t i = 0; i < inOne.size(); ++i) {
    EXPECT_EQ(inOne[i].sample, inSteps[i].sample);
    EXPECT_EQ(inOne[i].down, inSteps[i].down);
  }
  EXPECT_EQ(ahead.Position(), 30000);
  // Both first seen in one reading: dit first. The dah from 27,460 is under way.
  EXPECT_EQ(Elements(inOne), ".-.-.-.");
  EXPECT_TRUE(keyer.KeyDown());

  // Let go: the dah ends, and B's squeeze adds one dit after its space.
  std::vector<KeyChange> after;
  keyer.Read(Paddles{}, [&](KeyChange c) { after.push_back(c); });
  keyer.Advance(60000, [&](KeyChange c) { after.push_back(c); });
  ASSERT_EQ(after.size(), 3u);
  EXPECT_EQ(after[0].sample, 27460 + kDash);
  EXPECT_EQ(after[1].sample, 27460 + kDash + kDot);
  EXPECT_EQ(after[2].sample, 27460 + kDash + 2 * kDot);
  EXPECT_TRUE(keyer.Idle());
  EXPECT_FALSE(keyer.KeyDown());
  EXPECT_FALSE(keyer.NextChange().has_value());
}

}  // namespace
}  // namespace dovrik
