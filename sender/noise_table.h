#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace dovrik {

// 20,000 single-precision samples of band-limited noise, the same for every
// exercise and every run, read only. The background noise of the sending
// exercise reads it cyclically, one value per output sample, and the timing
// jitter reads offsets from it.
//
// Properties (checked by the tests): every value lies in -1.0 .. 1.0; the
// largest is exactly 1.0 and occurs once; the mean is close to 0 and the
// root mean square about 0.27; at 22,050 samples per second the spectrum is
// flat from 250 Hz to 3.3 kHz and about 40 dB lower below 120 Hz and above
// 3.5 kHz; read cyclically (index 19,999 followed by 0) it has no seam,
// because it is generated as one period of a periodic signal.
//
// Built once, on the first call of Get(), from a fixed seed; any thread may
// call Get() (the first call is serialised by the language's static
// initialisation). The table has a trivial destructor, so nothing is torn
// down at exit while a thread may still read it.
class NoiseTable {
 public:
  static constexpr int32_t kSize = 20000;

  static const NoiseTable& Get();

  float operator[](int32_t index) const { return values_[static_cast<size_t>(index)]; }
  std::span<const float, kSize> Values() const { return values_; }

 private:
  NoiseTable();

  std::array<float, kSize> values_;
};

}  // namespace dovrik
