#include "sender/group_synthesis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "platform/audio_format.h"
#include "sender/noise_table.h"
#include "tables/character_table.h"

namespace dovrik {
namespace {

// Samples are floor(x): the value a sample of pure noise must have.
int16_t NoiseSample(int32_t index, double noiseAmp) {
  return static_cast<int16_t>(std::floor(static_cast<double>(NoiseTable::Get()[index]) * noiseAmp));
}

const char* PatternOf(char character) {
  for (const CharacterEntry* row = CharacterTable; row->buttonId != 0; ++row) {
    if (row->character == character) return row->pattern;
  }
  return nullptr;
}

// Synthesises a group of the given characters (or the preamble) into a
// buffer of `capacity` samples and gives the count, or -1 when it does not fit.
struct Synthesis {
  SendingParameters parameters;
  NoiseCursor cursor;
  std::vector<int16_t> samples;

  explicit Synthesis(const SendingSliders& sliders, uint32_t start = 0)
      : parameters(DeriveSendingParameters(sliders)),
        cursor(start),
        samples(static_cast<size_t>(parameters.capacity)) {}

  int32_t Group(const std::string& characters) {
    std::vector<const char*> patterns;
    for (char c : characters) patterns.push_back(PatternOf(c));
    return SynthesizeGroup(patterns, samples, parameters, cursor).value_or(-1);
  }
  int32_t Preamble() {
    const char* const patterns[] = {PreamblePattern};
    return SynthesizeGroup(patterns, samples, parameters, cursor).value_or(-1);
  }
};

SendingSliders WithAttack(int32_t attack) {
  SendingSliders sliders;
  sliders.attack = attack;
  return sliders;
}

struct GroupCase {
  const char* name;
  SendingSliders sliders;
  std::string characters;  // empty: the preamble
  int32_t samples;
};

class GroupLength : public testing::TestWithParam<GroupCase> {};

TEST_P(GroupLength, IsExact) {
  Synthesis synthesis(GetParam().sliders, 1234);
  const int32_t count =
      GetParam().characters.empty() ? synthesis.Preamble() : synthesis.Group(GetParam().characters);
  EXPECT_EQ(count, GetParam().samples);
}

INSTANTIATE_TEST_SUITE_P(
    DefaultSettings, GroupLength,
    testing::Values(GroupCase{"FiveE", SendingSliders{}, "EEEEE", 57374},
                    GroupCase{"FiveEWithoutAttack", WithAttack(0), "EEEEE", 57374},
                    GroupCase{"FiveT", SendingSliders{}, "TTTTT", 84264},
                    GroupCase{"FiveZero", SendingSliders{}, "00000", 299424},  // 91 % of capacity
                    GroupCase{"Preamble", SendingSliders{}, "", 127312},
                    // The preamble is one character: VVV= sent as four characters
                    // takes three character spaces (3 x 5,378 samples) more.
                    GroupCase{"VVVEqualsAsCharacters", SendingSliders{}, "VVV=", 143446}),
    [](const testing::TestParamInfo<GroupCase>& info) { return std::string(info.param.name); });

// With noise 0 a space is exactly 0, so the sounding spans can be read off.
TEST(SynthesizeGroup, DotAnatomyAtDefaultSettings) {
  Synthesis synthesis{SendingSliders{}};
  const SendingParameters& p = synthesis.parameters;
  ASSERT_EQ(synthesis.Group("EE"), 2 * 10758 + 3584);
  const std::vector<int16_t>& s = synthesis.samples;

  // 2,690 tone samples, the first 12 of them the attack ramp, then 12 release
  // samples: the envelope bounds each sample's size.
  constexpr double kDt = 1.0 / kSampleRate;
  for (int k = 0; k < 12; ++k) {
    EXPECT_LE(std::abs(s[k]), p.toneAmp * k * kDt / p.attack + 1) << k;
  }
  const auto sustainPeak = std::max_element(s.begin() + 12, s.begin() + 2690);
  EXPECT_GT(*sustainPeak, 32700);
  for (int j = 0; j < 12; ++j) {
    EXPECT_LE(std::abs(s[2690 + j]), p.toneAmp * (1 - j * kDt / p.attack) + 1) << j;
  }
  EXPECT_NE(s[2701], 0);  // the last release sample still sounds
  // 2,678 gap samples and 5,378 character-space samples of silence; the
  // second E starts at phase 0 (its first sample is 0) after them.
  EXPECT_TRUE(std::all_of(s.begin() + 2702, s.begin() + 10759, [](int16_t v) { return v == 0; }));
  EXPECT_GT(s[10759], 0);
  // The group space closes the group in silence.
  EXPECT_TRUE(std::all_of(s.begin() + 2 * 10758 - 5378, s.begin() + 2 * 10758 + 3584,
                          [](int16_t v) { return v == 0; }));
}

TEST(SynthesizeGroup, ElementGapInsideACharacterIsOneDotAfterTheSustain) {
  Synthesis synthesis{SendingSliders{}};
  ASSERT_GT(synthesis.Group("I"), 0);  // two dots
  const std::vector<int16_t>& s = synthesis.samples;
  EXPECT_TRUE(std::all_of(s.begin() + 2702, s.begin() + 5381, [](int16_t v) { return v == 0; }));
  EXPECT_GT(s[5381], 0);
}

TEST(SynthesizeGroup, WithoutAttackElementsStartAndStopAbruptly) {
  Synthesis synthesis{WithAttack(0)};
  ASSERT_EQ(synthesis.Group("EE"), 2 * 10758 + 3584);
  const std::vector<int16_t>& s = synthesis.samples;
  EXPECT_EQ(s[0], 0);     // phase 0, no noise: the first sample is silent
  EXPECT_GT(s[1], 8000);  // and the second at full level: no ramp
  EXPECT_NE(s[2689], 0);  // the 2,690th and last tone sample
  // The gap starts at t = 0: 2,690 gap samples, then the character space.
  EXPECT_TRUE(std::all_of(s.begin() + 2690, s.begin() + 10758, [](int16_t v) { return v == 0; }));
  EXPECT_GT(s[10759], 8000);
}

TEST(SynthesizeGroup, NoiseOnlyAtFullNoiseAndTheCursorRunsOnAcrossBuffersAndWraps) {
  SendingSliders sliders;
  sliders.noise = 100;
  const SendingParameters p = DeriveSendingParameters(sliders);
  NoiseCursor cursor(19990);
  std::vector<int16_t> leadIn(25);
  FillLeadIn(leadIn, 25, false, p, cursor);
  std::vector<int16_t> group(static_cast<size_t>(p.capacity));
  const char* const patterns[] = {"-", ".-", "--..--"};
  const int32_t count = SynthesizeGroup(patterns, group, p, cursor).value();
  EXPECT_EQ(cursor.Index(), (19990 + 25 + count) % 20000);

  // Every sample, tone segments included, is the table value at its place in
  // the played stream: 19,999 is followed by 0, and the group goes on where
  // the lead-in stopped.
  int32_t index = 19990;
  for (int16_t sample : leadIn) {
    ASSERT_EQ(sample, NoiseSample(index, 32767)) << index;
    index = (index + 1) % 20000;
  }
  for (int32_t k = 0; k < count; ++k) {
    ASSERT_EQ(group[static_cast<size_t>(k)], NoiseSample(index, 32767)) << k;
    index = (index + 1) % 20000;
  }
}

TEST(SynthesizeGroup, JitterMovesElementEndsByTableValuesAtTheCursor) {
  SendingSliders sliders;
  sliders.jitter = 50;
  // An element's length and its gap each take the table value at the cursor
  // as it stands when the element or the gap begins.
  Synthesis jittered(sliders, 0);
  const int32_t count = jittered.Group("E");
  Synthesis plain{SendingSliders{}};
  ASSERT_EQ(plain.Group("E"), 14342);
  EXPECT_NE(count, 14342);
  const double dot = jittered.parameters.dot;
  const double amp = jittered.parameters.jitterAmp;
  const float elementEnd = static_cast<float>(dot + NoiseTable::Get()[0] * amp);
  const int32_t tone = static_cast<int32_t>(std::ceil(elementEnd * kSampleRate));
  const float gapEnd = static_cast<float>(dot + NoiseTable::Get()[tone + 12] * amp);
  const double groupEnd =
      static_cast<double>(gapEnd) + jittered.parameters.charExtra + jittered.parameters.groupExtra;
  // The tone lasts until the jittered element end; the release, the gap and
  // the spaces run on one clock restarted at the end of the sustain. The
  // sample count follows the jittered ends to within a sample or two of
  // float rounding of the running time.
  EXPECT_NEAR(count, tone + std::ceil(groupEnd * kSampleRate), 2.0);
}

TEST(SynthesizeGroup, AGroupThatDoesNotFitWritesNothingPastTheBuffer) {
  SendingSliders sliders{6, 5, 4, 4, 900, 75, 50, 30};
  const SendingParameters p = DeriveSendingParameters(sliders);
  const char* const patterns[] = {"--..--", "--..--", "--..--", "--..--", "--..--"};
  std::vector<int16_t> large(static_cast<size_t>(p.capacity) * 2);
  NoiseCursor probe(4321);
  const int32_t needed = SynthesizeGroup(patterns, large, p, probe).value();
  const int32_t unjittered = [&] {
    SendingParameters steady = p;
    steady.jitterAmp = 0;
    NoiseCursor cursor(4321);
    return SynthesizeGroup(patterns, large, steady, cursor).value();
  }();
  ASSERT_NE(needed, unjittered);  // the jitter decides the length

  // A buffer one sample short, followed by guard samples.
  constexpr int16_t kGuard = 0x5A5A;
  constexpr size_t kGuardCount = 64;
  std::vector<int16_t> guarded(static_cast<size_t>(needed) - 1 + kGuardCount, kGuard);
  std::span<int16_t> buffer(guarded.data(), static_cast<size_t>(needed) - 1);
  NoiseCursor cursor(4321);
  EXPECT_FALSE(SynthesizeGroup(patterns, buffer, p, cursor).has_value());
  EXPECT_TRUE(std::all_of(guarded.begin() + needed - 1, guarded.end(),
                          [](int16_t v) { return v == kGuard; }));

  // Exactly big enough fits.
  std::vector<int16_t> exact(static_cast<size_t>(needed));
  NoiseCursor again(4321);
  EXPECT_EQ(SynthesizeGroup(patterns, exact, p, again), needed);

  // Two groups' worth of patterns never fit into `capacity` samples.
  const char* const tooMany[] = {"--..--", "--..--", "--..--", "--..--", "--..--",
                                 "--..--", "--..--", "--..--", "--..--", "--..--"};
  std::vector<int16_t> capacityGuarded(static_cast<size_t>(p.capacity) + kGuardCount, kGuard);
  NoiseCursor third(4321);
  EXPECT_FALSE(
      SynthesizeGroup(tooMany,
                      std::span<int16_t>(capacityGuarded.data(), static_cast<size_t>(p.capacity)),
                      p, third)
          .has_value());
  EXPECT_TRUE(std::all_of(capacityGuarded.begin() + p.capacity, capacityGuarded.end(),
                          [](int16_t v) { return v == kGuard; }));
}

TEST(SynthesizeGroup, TheFullestGroupFitsEveryUnjitteredSetting) {
  // Five "!" at ratio 2 with the tightest spacing use about 96 % of capacity.
  for (int32_t speed : {6, 12, 36}) {
    for (int32_t ratio : {2, 5}) {
      for (int32_t characterSpace : {1, 4}) {
        SendingSliders sliders{speed, ratio, characterSpace, 1, 900, 75, 0, 0};
        Synthesis synthesis(sliders);
        const int32_t count = synthesis.Group("!!!!!");
        EXPECT_GT(count, 0) << speed << " " << ratio << " " << characterSpace;
        if (ratio == 2 && characterSpace == 1) {
          EXPECT_NEAR(static_cast<double>(count) / synthesis.parameters.capacity, 0.96, 0.01);
        }
      }
    }
  }
}

TEST(FillLeadIn, IsSilentAtNoiseZeroAndFadesInWhenRamped) {
  std::vector<int16_t> buffer(kSampleRate, 77);
  NoiseCursor cursor(100);
  const SendingParameters quiet = DeriveSendingParameters(SendingSliders{});
  FillLeadIn(buffer, kSampleRate, true, quiet, cursor);
  FillLeadIn(buffer, kSampleRate, false, quiet, cursor);
  EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](int16_t v) { return v == 0; }));
  EXPECT_EQ(cursor.Index(), 100 + 2 * kSampleRate - 20000 * 2);

  SendingSliders sliders;
  sliders.noise = 100;
  const SendingParameters loud = DeriveSendingParameters(sliders);
  NoiseCursor ramped(0);
  std::vector<int16_t> fade(1000, 77);
  FillLeadIn(fade, 800, true, loud, ramped);
  EXPECT_EQ(fade[0], 0);  // k = 0: silence
  for (int32_t k = 0; k < 800; ++k) {
    const double expected =
        std::floor(static_cast<double>(NoiseTable::Get()[k]) * 32767.0 * k / 800);
    ASSERT_EQ(fade[static_cast<size_t>(k)], expected) << k;
  }
  EXPECT_EQ(fade[800], 77);  // nothing past the count
  EXPECT_EQ(ramped.Index(), 800);
}

}  // namespace
}  // namespace dovrik
