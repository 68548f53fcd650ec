#include "sender/noise_table.h"

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "platform/audio_format.h"
#include "sender/fourier_transform.h"

namespace dovrik {
namespace {

// The seed of the white noise the table is shaped from. Chosen among a few
// hundred for a table whose level statistics are close to the ones wanted
// (smallest value about -0.91, root mean square about 0.27).
constexpr uint64_t kNoiseSeed = 728;

// The wanted amplitude response in dB, linear between these corners: flat
// from 250 Hz to 3.3 kHz, 10 dB down at 200 Hz and 3.4 kHz, and a floor
// 40 dB down below 120 Hz and above 3.5 kHz.
struct Corner {
  double hertz;
  double decibels;
};
constexpr Corner kResponse[] = {
    {0, -40},  {120, -40},  {200, -10},  {250, 0},
    {3300, 0}, {3400, -10}, {3500, -40}, {kSampleRate / 2, -40},
};

double ResponseAt(double hertz) {
  for (size_t i = 1; i < std::size(kResponse); ++i) {
    const Corner& low = kResponse[i - 1];
    const Corner& high = kResponse[i];
    if (hertz <= high.hertz) {
      const double fraction = (hertz - low.hertz) / (high.hertz - low.hertz);
      const double decibels = low.decibels + fraction * (high.decibels - low.decibels);
      return std::pow(10.0, decibels / 20.0);
    }
  }
  return std::pow(10.0, kResponse[std::size(kResponse) - 1].decibels / 20.0);
}

// splitmix64: a small, well-mixed generator, so the table depends on
// nothing but the seed.
class WhiteNoise {
 public:
  explicit WhiteNoise(uint64_t seed) : state_(seed) {}

  // Uniform in (0, 1].
  double Uniform() {
    state_ += 0x9E3779B97F4A7C15ull;
    uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return (static_cast<double>(z >> 11) + 1.0) * 0x1.0p-53;
  }

  // A pair of independent standard normal values (Box-Muller).
  std::complex<double> GaussianPair() {
    const double radius = std::sqrt(-2.0 * std::log(Uniform()));
    const double angle = 2.0 * std::numbers::pi * Uniform();
    return {radius * std::cos(angle), radius * std::sin(angle)};
  }

 private:
  uint64_t state_;
};

// Gaussian white noise shaped in the frequency domain and brought back as
// one period of a real periodic signal, so the table wraps without a seam.
std::vector<double> ShapedNoise(uint64_t seed, size_t n) {
  WhiteNoise white(seed);
  std::vector<std::complex<double>> spectrum(n);
  for (size_t k = 0; k <= n / 2; ++k) {
    const double gain = ResponseAt(static_cast<double>(k) * static_cast<double>(kSampleRate) /
                                   static_cast<double>(n));
    std::complex<double> value = white.GaussianPair() * gain;
    // The bins at 0 Hz and (for even n) at half the sample rate are real.
    if (k == 0 || 2 * k == n) value = value.real();
    spectrum[k] = value;
    if (k != 0 && 2 * k != n) spectrum[n - k] = std::conj(value);
  }
  std::vector<std::complex<double>> signal(n);
  FourierTransform(spectrum, signal, +1);
  std::vector<double> values(n);
  for (size_t j = 0; j < n; ++j) values[j] = signal[j].real();
  return values;
}

}  // namespace

NoiseTable::NoiseTable() {
  std::vector<double> noise = ShapedNoise(kNoiseSeed, kSize);
  double largest = noise[0];
  double smallest = noise[0];
  for (double value : noise) {
    largest = std::max(largest, value);
    smallest = std::min(smallest, value);
  }
  // Turning the signal upside down keeps its spectrum; do it when that makes
  // the positive peak the larger one, so the scaled table stays in -1 .. 1.
  const double sign = -smallest > largest ? -1.0 : 1.0;
  const double peak = sign > 0 ? largest : -smallest;
  // x / peak is exactly 1.0 at the peak itself (a division, not a
  // multiplication by an inexact reciprocal).
  for (size_t j = 0; j < values_.size(); ++j) {
    values_[j] = static_cast<float>(sign * noise[j] / peak);
  }
}

const NoiseTable& NoiseTable::Get() {
  static const NoiseTable table;
  return table;
}

}  // namespace dovrik
