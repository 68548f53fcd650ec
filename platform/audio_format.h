#pragma once

#include <cstdint>

namespace dovrik {

// All of Dovrik's sound, played, keyed or written to a file: signed 16-bit
// mono PCM at 22,050 samples a second.
inline constexpr int kSampleRate = 22050;
inline constexpr int kChannels = 1;
inline constexpr int kBytesPerSample = 2;
inline constexpr int kBitsPerSample = 8 * kBytesPerSample;
inline constexpr int kBytesPerSecond = kSampleRate * kBytesPerSample;  // 44,100

}  // namespace dovrik
