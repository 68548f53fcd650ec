#include "sender/fourier_transform.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace dovrik {
namespace {

using Complex = std::complex<double>;

size_t SmallestFactor(size_t n) {
  for (size_t p = 2; p * p <= n; ++p) {
    if (n % p == 0) return p;
  }
  return n;
}

// Transforms the n values input[0], input[stride], ... into output[0 .. n).
// `roots` holds exp(sign * 2 pi i j / total) for the top-level length total;
// a root of unity of order n is roots[total / n].
void Transform(const Complex* input, size_t stride, Complex* output, size_t n,
               const std::vector<Complex>& roots, std::vector<Complex>& scratch) {
  if (n == 1) {
    output[0] = input[0];
    return;
  }
  const size_t total = roots.size();
  const size_t radix = SmallestFactor(n);
  const size_t part = n / radix;
  // The radix interleaved sub-sequences, each transformed into its block.
  for (size_t r = 0; r < radix; ++r) {
    Transform(input + r * stride, stride * radix, output + r * part, part, roots, scratch);
  }
  // X[k + q * part] = sum over r of W_n^(r k) * W_radix^(r q) * Y_r[k].
  const size_t rootStep = total / n;
  const size_t radixRootStep = total / radix;
  scratch.resize(std::max(scratch.size(), radix));
  for (size_t k = 0; k < part; ++k) {
    for (size_t r = 0; r < radix; ++r) {
      scratch[r] = output[r * part + k] * roots[r * k * rootStep];
    }
    for (size_t q = 0; q < radix; ++q) {
      Complex sum = 0;
      for (size_t r = 0; r < radix; ++r) sum += scratch[r] * roots[(r * q % radix) * radixRootStep];
      output[q * part + k] = sum;
    }
  }
}

}  // namespace

void FourierTransform(std::span<const std::complex<double>> input,
                      std::span<std::complex<double>> output, int sign) {
  const size_t n = input.size();
  if (n == 0 || output.size() != n) return;
  std::vector<Complex> roots(n);
  for (size_t j = 0; j < n; ++j) {
    const double angle = sign * 2.0 * std::numbers::pi * static_cast<double>(j) / n;
    roots[j] = Complex(std::cos(angle), std::sin(angle));
  }
  std::vector<Complex> scratch;
  Transform(input.data(), 1, output.data(), n, roots, scratch);
}

}  // namespace dovrik
