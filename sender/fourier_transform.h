#pragma once

#include <complex>
#include <span>

namespace dovrik {

// The discrete Fourier transform of any length n:
//   output[k] = sum over j of input[j] * exp(sign * 2 pi i j k / n),
// with sign -1 for the forward and +1 for the inverse transform (unscaled:
// divide by n yourself). Mixed-radix decimation in time, so lengths made of
// small factors (20,000 = 2^5 * 5^4) take O(n log n). Allocates; meant for
// building tables and for tests, not for the audio path. `input` and
// `output` must not overlap and must have the same length.
void FourierTransform(std::span<const std::complex<double>> input,
                      std::span<std::complex<double>> output, int sign);

}  // namespace dovrik
