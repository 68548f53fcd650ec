#include "sender/fourier_transform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace dovrik {
namespace {

using Complex = std::complex<double>;

std::vector<Complex> NaiveTransform(const std::vector<Complex>& input, int sign) {
  const size_t n = input.size();
  std::vector<Complex> output(n);
  for (size_t k = 0; k < n; ++k) {
    for (size_t j = 0; j < n; ++j) {
      const double angle = sign * 2.0 * std::numbers::pi * static_cast<double>(j * k % n) / n;
      output[k] += input[j] * Complex(std::cos(angle), std::sin(angle));
    }
  }
  return output;
}

class FourierTransformLength : public testing::TestWithParam<size_t> {};

// Lengths with one factor, powers of two and five, and other primes.
TEST_P(FourierTransformLength, MatchesTheDefinitionBothWays) {
  const size_t n = GetParam();
  std::vector<Complex> input(n);
  for (size_t j = 0; j < n; ++j) {
    input[j] = Complex(std::sin(0.37 * j * j + 1.0), std::cos(1.3 * j) - 0.2);
  }
  for (int sign : {-1, +1}) {
    std::vector<Complex> fast(n);
    FourierTransform(input, fast, sign);
    const std::vector<Complex> slow = NaiveTransform(input, sign);
    for (size_t k = 0; k < n; ++k) {
      ASSERT_NEAR(fast[k].real(), slow[k].real(), 1e-9 * n) << "n " << n << " bin " << k;
      ASSERT_NEAR(fast[k].imag(), slow[k].imag(), 1e-9 * n) << "n " << n << " bin " << k;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Lengths, FourierTransformLength,
                         testing::Values(1, 2, 5, 7, 12, 21, 32, 200, 250, 1000));

TEST(FourierTransform, RoundTripOfTheTableLength) {
  constexpr size_t n = 20000;
  std::vector<Complex> input(n);
  for (size_t j = 0; j < n; ++j) input[j] = Complex(std::sin(0.001 * j * j), 0);
  std::vector<Complex> spectrum(n);
  std::vector<Complex> back(n);
  FourierTransform(input, spectrum, -1);
  FourierTransform(spectrum, back, +1);
  for (size_t j = 0; j < n; ++j) {
    ASSERT_NEAR(back[j].real() / n, input[j].real(), 1e-9) << j;
    ASSERT_NEAR(back[j].imag() / n, 0.0, 1e-9) << j;
  }
}

}  // namespace
}  // namespace dovrik
