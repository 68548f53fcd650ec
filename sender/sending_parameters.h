#pragma once

#include <cstdint>

#include "sender/noise_cursor.h"

namespace dovrik {

// The eight slider positions that shape the sound of a sending exercise,
// read once when it starts (ranges and defaults in the SliderTable). The
// number of groups and the volume are the exercise's own business.
struct SendingSliders {
  int32_t speed = 12;          // groups per minute, 6 .. 36
  int32_t ratio = 3;           // dash length in dots, 2 .. 5
  int32_t characterSpace = 1;  // multiplier, 1 .. 4
  int32_t groupSpace = 1;      // multiplier, 1 .. 4
  int32_t tone = 900;          // Hz, 600 .. 1500
  int32_t attack = 5;          // tenths of a millisecond, 0 .. 75
  int32_t jitter = 0;          // percent, 0 .. 50
  int32_t noise = 0;           // percent, 0 .. 100
};

// The timing and amplitude model of one sending exercise, fixed for its
// whole run. Every field but `capacity` is single precision: it is computed
// in double precision from the sliders and from the stored (single-precision)
// fields it depends on, then stored as a float. The sample counts of the
// synthesis depend on these exact values.
struct SendingParameters {
  float dot = 0;         // s: one minute / speed is one group, 41 dot lengths
  float dash = 0;        // s: ratio x dot
  float charExtra = 0;   // s: added to the element gap after a character
  float groupExtra = 0;  // s: added to the character space after a group
  float attack = 0;      // s: ramp length, at most a third of a dot
  float jitterAmp = 0;   // s: scale of the timing offsets
  float noiseAmp = 0;    // sample units; noiseAmp + toneAmp == 32767
  float toneAmp = 0;     // sample units
  float phaseStep = 0;   // radians per sample
  int32_t capacity = 0;  // samples: the size of each playback buffer
};

// Derives the parameters from the sliders. Pure; any thread.
SendingParameters DeriveSendingParameters(const SendingSliders& sliders);

// Derives the parameters and sets `cursor` to its start value: the tick
// count in milliseconds (the platform's wrapping 32-bit clock) modulo the
// table size. The sending exercise calls this once, worker thread.
SendingParameters DeriveSendingParameters(const SendingSliders& sliders, uint32_t tickCountMs,
                                          NoiseCursor& cursor);

}  // namespace dovrik
