#include "sender/noise_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <vector>

#include "platform/audio_format.h"
#include "sender/fourier_transform.h"

namespace dovrik {
namespace {

constexpr int32_t kSize = NoiseTable::kSize;
constexpr double kHertzPerBin = static_cast<double>(kSampleRate) / kSize;  // 1.1025 Hz

const NoiseTable& Table() {
  return NoiseTable::Get();
}

TEST(NoiseTable, LargestIsExactlyOneOnceAndNothingBelowMinusOne) {
  const auto values = Table().Values();
  EXPECT_EQ(*std::max_element(values.begin(), values.end()), 1.0f);
  EXPECT_EQ(std::count(values.begin(), values.end(), 1.0f), 1);
  const float smallest = *std::min_element(values.begin(), values.end());
  EXPECT_GE(smallest, -1.0f);
  EXPECT_NEAR(smallest, -0.910, 0.03);
}

TEST(NoiseTable, MeanAndRootMeanSquare) {
  double sum = 0;
  double squares = 0;
  for (float value : Table().Values()) {
    sum += value;
    squares += static_cast<double>(value) * value;
  }
  EXPECT_NEAR(sum / kSize, -0.007, 0.01);
  EXPECT_NEAR(std::sqrt(squares / kSize), 0.273, 0.01);
}

TEST(NoiseTable, AutocorrelationOfBandLimitedNoise) {
  const double expected[] = {1.0, 0.84, 0.45, 0.0, -0.27, -0.32};
  double energy = 0;
  for (float value : Table().Values()) energy += static_cast<double>(value) * value;
  for (int32_t lag = 1; lag <= 5; ++lag) {
    double sum = 0;
    for (int32_t i = 0; i < kSize; ++i) {
      sum += static_cast<double>(Table()[i]) * Table()[(i + lag) % kSize];
    }
    EXPECT_NEAR(sum / energy, expected[lag], 0.05) << "lag " << lag;
  }
}

// The spectrum of the table taken as one period: a step at the seam would
// spread its energy over every band and fill the stop bands.
class NoiseSpectrum : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::vector<std::complex<double>> input(kSize);
    for (int32_t j = 0; j < kSize; ++j) input[static_cast<size_t>(j)] = Table()[j];
    std::vector<std::complex<double>> spectrum(kSize);
    FourierTransform(input, spectrum, -1);
    power_ = new std::vector<double>(kSize / 2 + 1);
    for (size_t k = 0; k < power_->size(); ++k) (*power_)[k] = std::norm(spectrum[k]);
  }
  static void TearDownTestSuite() {
    delete power_;
    power_ = nullptr;
  }

  // Mean power of the bins from `low` to `high` Hz, in dB relative to the
  // mean power of the pass band.
  static double BandLevel(double low, double high) { return Decibels(low, high) - Passband(); }

  static double Passband() { return Decibels(250, 3300); }

  static double Decibels(double low, double high) {
    const size_t first = static_cast<size_t>(std::ceil(low / kHertzPerBin));
    const size_t last = std::min(static_cast<size_t>(high / kHertzPerBin), power_->size() - 1);
    double sum = 0;
    for (size_t k = first; k <= last; ++k) sum += (*power_)[k];
    return 10 * std::log10(sum / static_cast<double>(last - first + 1));
  }

  static std::vector<double>* power_;
};

std::vector<double>* NoiseSpectrum::power_ = nullptr;

TEST_F(NoiseSpectrum, IsFlatFrom250HzTo3300Hz) {
  // 100 Hz bands of about 90 bins: a white spectrum scatters by about 0.5 dB.
  for (double low = 250; low < 3300; low += 100) {
    EXPECT_NEAR(BandLevel(low, std::min(low + 100, 3300.0)), 0.0, 2.0) << low << " Hz";
  }
}

TEST_F(NoiseSpectrum, Is40DbDownBelow120HzAndAbove3500Hz) {
  EXPECT_NEAR(BandLevel(0, 120), -40, 5);
  for (double low = 3500; low < 11000; low += 500) {
    EXPECT_NEAR(BandLevel(low, low + 500), -40, 5) << low << " Hz";
  }
}

TEST_F(NoiseSpectrum, IsAbout10DbDownAt200HzAnd3400Hz) {
  EXPECT_NEAR(BandLevel(190, 210), -10, 3);
  EXPECT_NEAR(BandLevel(3390, 3410), -10, 3);
}

TEST(NoiseTable, TheWrapIsAnOrdinaryStep) {
  double largestStep = 0;
  for (int32_t i = 0; i + 1 < kSize; ++i) {
    largestStep = std::max(largestStep, std::abs(static_cast<double>(Table()[i + 1]) - Table()[i]));
  }
  EXPECT_LT(std::abs(static_cast<double>(Table()[0]) - Table()[kSize - 1]), largestStep);
}

}  // namespace
}  // namespace dovrik
