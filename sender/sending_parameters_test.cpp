#include "sender/sending_parameters.h"

#include <gtest/gtest.h>

#include "platform/audio_format.h"

namespace dovrik {
namespace {

TEST(SendingParameters, DefaultSettingsGiveTheExactModel) {
  const SendingParameters p = DeriveSendingParameters(SendingSliders{});
  EXPECT_EQ(p.dot, 0.12195122f);
  EXPECT_EQ(p.dash, 0.36585367f);
  EXPECT_EQ(p.charExtra, 0.24390244f);
  EXPECT_EQ(p.groupExtra, 0.16260163f);
  // 5 x the float nearest 0.0001, rounded to float, is one step below 0.0005f.
  EXPECT_EQ(p.attack, 0.00049999997f);
  EXPECT_EQ(p.jitterAmp, 0.0f);
  EXPECT_EQ(p.noiseAmp, 0.0f);
  EXPECT_EQ(p.toneAmp, 32767.0f);
  EXPECT_EQ(p.phaseStep, 0.25645655f);
  EXPECT_EQ(p.capacity, 329316);  // 658,632 bytes per buffer
}

struct CapacityCase {
  SendingSliders sliders;
  int32_t capacity;
};

class Capacity : public testing::TestWithParam<CapacityCase> {};

TEST_P(Capacity, IsTheBudgetOfFiveFullCharactersWithMargin) {
  EXPECT_EQ(DeriveSendingParameters(GetParam().sliders).capacity, GetParam().capacity);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, Capacity,
    testing::Values(
        // speed, ratio, character space, group space, tone, attack, jitter, noise
        CapacityCase{{12, 3, 1, 1, 900, 5, 0, 0}, 329316},    // defaults
        CapacityCase{{36, 2, 1, 1, 900, 5, 0, 0}, 85123},     // fastest and tightest
        CapacityCase{{6, 5, 4, 4, 900, 75, 50, 0}, 1611085},  // slowest and widest
        // Tone, attack and noise do not change the timing budget.
        CapacityCase{{12, 3, 1, 1, 1500, 75, 0, 100}, 329316}));

TEST(SendingParameters, AttackIsLimitedToAThirdOfADotOnlyOutsideTheSliderRange) {
  SendingSliders fastest{36, 2, 1, 1, 900, 75, 0, 0};
  const SendingParameters atLimit = DeriveSendingParameters(fastest);
  EXPECT_EQ(atLimit.attack, 0.0075f);  // a third of a dot is 13.55 ms here
  fastest.attack = 500;                // 50 ms: longer than a third of a dot
  const SendingParameters limited = DeriveSendingParameters(fastest);
  EXPECT_EQ(limited.attack, static_cast<float>(static_cast<double>(limited.dot) *
                                               static_cast<double>(0.33333334f)));
  EXPECT_NEAR(limited.attack, 0.0135501f, 1e-6);
}

TEST(SendingParameters, NoiseAndToneAlwaysAddUpToFullScale) {
  for (int32_t noise = 0; noise <= 100; ++noise) {
    SendingSliders sliders;
    sliders.noise = noise;
    const SendingParameters p = DeriveSendingParameters(sliders);
    EXPECT_EQ(p.noiseAmp + p.toneAmp, 32767.0f) << "noise " << noise;
  }
  SendingSliders half;
  half.noise = 50;
  EXPECT_EQ(DeriveSendingParameters(half).noiseAmp, 16383.5f);
  EXPECT_EQ(DeriveSendingParameters(half).toneAmp, 16383.5f);
  half.noise = 100;
  EXPECT_EQ(DeriveSendingParameters(half).toneAmp, 0.0f);
}

TEST(SendingParameters, SpacingFollowsTheMultipliers) {
  // Space after a group in dot lengths: 3 x character space + group extra.
  struct Row {
    int32_t characterSpace;
    int32_t groupSpace;
    double dots;
  };
  const Row rows[] = {{1, 1, 4.333}, {1, 4, 14.333}, {2, 2, 17.667},
                      {3, 3, 41},    {4, 1, 19.333}, {4, 4, 74.333}};
  for (const Row& row : rows) {
    SendingSliders sliders;
    sliders.characterSpace = row.characterSpace;
    sliders.groupSpace = row.groupSpace;
    const SendingParameters p = DeriveSendingParameters(sliders);
    const double afterGroup = p.dot + p.charExtra + p.groupExtra;
    EXPECT_NEAR(afterGroup / p.dot, row.dots, 0.001)
        << row.characterSpace << " x " << row.groupSpace;
  }
}

TEST(SendingParameters, JitterAndToneScale) {
  SendingSliders sliders{6, 5, 4, 4, 1500, 75, 50, 0};
  const SendingParameters p = DeriveSendingParameters(sliders);
  EXPECT_EQ(p.dot, static_cast<float>(60.0 / 246.0));
  EXPECT_NEAR(p.jitterAmp, 0.5 * p.dot, 1e-7);
  EXPECT_NEAR(p.phaseStep, 2 * 3.14159265358979 * 1500 / kSampleRate, 1e-5);
}

TEST(SendingParameters, NoiseCursorStartsAtTheTickCountModuloTheTable) {
  NoiseCursor cursor(7);
  DeriveSendingParameters(SendingSliders{}, 4294967295u, cursor);
  EXPECT_EQ(cursor.Index(), 4294967295 % 20000);  // 7295
  DeriveSendingParameters(SendingSliders{}, 19999, cursor);
  EXPECT_EQ(cursor.Index(), 19999);
  DeriveSendingParameters(SendingSliders{}, 20000, cursor);
  EXPECT_EQ(cursor.Index(), 0);
}

}  // namespace
}  // namespace dovrik
