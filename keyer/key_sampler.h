#pragma once

#include <cstdint>

#include "platform/audio_format.h"
#include "keyer/key_sampler_state.h"
#include "platform/looping_sound_buffer.h"

namespace dovrik {

// The side-tone buffer: one second of 16-bit mono PCM at 22,050 Hz.
inline constexpr int32_t kSideToneBufferBytes = kBytesPerSecond;
// The sampler keeps this much queued beyond the write cursor (662 samples,
// 30 ms), or the buffer's larger lead on a device that takes more at once...
inline constexpr int32_t kSideToneLeadBytes = LoopingSoundBuffer::kSmallestLeadBytes;
// ...and tops it up in pieces no smaller than this (221 samples, 10 ms).
inline constexpr int32_t kSideToneSmallestTopUpBytes = 442;
// Milliseconds after an accepted key change before the key is read again.
inline constexpr uint32_t kKeyDebounceMs = 10;
// The period of the sampler's timer.
inline constexpr int kKeySamplerPeriodMs = 5;

// Radians per sample for a tone in Hz: tone * 2 pi / 22050, in single precision.
float PhaseStepForTone(int toneHz);
// Samples of the attack and release ramps for the attack setting (tenths of a
// millisecond): floor(attack * 2.205), e.g. 5 -> 11, 75 -> 165.
int32_t RampLengthForAttack(int attack);

// One tick of the key sampler. Timer thread, every 5 ms; ticks never overlap.
// Reads the clock and (debounced) the key, appends the key level to
// `keyLevels`, and keeps the side-tone queued ahead of the buffer's write
// cursor: silence or tone topped up to 30 ms, an attack block at a key-down,
// a release block at a key-up. Tone starts and stops and pause markers go to
// `toneEvents`. Never blocks beyond the buffer's own lock; allocates nothing.
void KeySampler(KeySamplerState& state);

}  // namespace dovrik
