#pragma once

#include <cstdint>

namespace dovrik {

// The arithmetic of one output sample, shared by every synthesis of keyed
// tone (the sending exercise's groups and the timed marks of the lessons),
// so that one tone means one sound everywhere.

// The largest integer not greater than x, for |x| well inside the 32-bit
// range. Cheaper than std::floor without SSE4.1, and exact.
inline int16_t FloorToSample(double x) {
  int32_t whole = static_cast<int32_t>(x);  // truncates towards zero
  if (static_cast<double>(whole) > x) --whole;
  return static_cast<int16_t>(whole);
}

// Noise (a NoiseTable value) times its amplitude, plus the tone at `sine`
// (the sine of its phase) scaled by the envelope (0 .. 1).
inline int16_t ToneSample(float noise, double noiseAmp, double toneAmp, double sine,
                          double envelope) {
  return FloorToSample(static_cast<double>(noise) * noiseAmp + toneAmp * sine * envelope);
}

// A sample of a space: the noise alone.
inline int16_t SpaceSample(float noise, double noiseAmp) {
  return FloorToSample(static_cast<double>(noise) * noiseAmp);
}

}  // namespace dovrik
