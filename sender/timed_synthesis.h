#pragma once

#include <cstdint>
#include <span>

#include "sender/noise_cursor.h"

namespace dovrik {

// One stretch of keyed sound whose length is already known in samples: a
// mark (the tone sounds) or a space (noise alone).
struct TimedSpan {
  int32_t samples = 0;
  bool tone = false;
};

// The sound of a timed stretch, in the sending exercise's units.
struct TimedTone {
  float toneAmp = 0;    // sample units; toneAmp + noiseAmp <= 32767
  float noiseAmp = 0;   // sample units, scales the NoiseTable
  float phaseStep = 0;  // radians per sample
  int32_t attack = 0;   // samples of each ramp; the caller keeps it to a third of a dot
  float jitterAmp = 0;  // samples: each span's length moves by the noise value at the
                        // cursor times this, rounded, and is never below one sample
};

// The tone of `pitchHz` mixed with `noisePercent` of noise the way the
// sending exercise mixes them (what the noise gains, the tone loses), with
// ramps of `attack` samples and jitter of `jitterAmp` samples.
TimedTone MakeTimedTone(int32_t pitchHz, int32_t noisePercent, int32_t attack, float jitterAmp);

// Plays a list of marks and spaces with the sending exercise's tone: each
// mark starts at phase 0 and its attack ramp is part of its length; the
// release ramp sounds at the start of the space after it (the space keeps
// its length), as in a sending exercise's element gap. Noise runs on through
// everything from the cursor. Fill hands out the samples in pieces of any
// size, so a 10-minute lesson never needs to be in memory at once.
// Borrows the spans and the cursor; allocates nothing; one thread.
class TimedSynthesis {
 public:
  TimedSynthesis(std::span<const TimedSpan> spans, const TimedTone& tone, NoiseCursor& cursor);

  // Writes up to buffer.size() samples at the start of `buffer` and gives
  // how many; 0 once everything has been played.
  int32_t Fill(std::span<int16_t> buffer);

  bool Done() const;
  // The samples written so far.
  int64_t Written() const { return written_; }

 private:
  void StartSpan();

  std::span<const TimedSpan> spans_;
  TimedTone tone_;
  NoiseCursor& cursor_;
  size_t index_ = 0;      // the span being played
  int32_t length_ = 0;    // its jittered length
  int32_t position_ = 0;  // samples of it already written
  float phase_ = 0;       // the tone's phase, radians
  int32_t release_ = 0;   // release samples still due at the start of a space
  int64_t written_ = 0;
};

// The samples of the spans without jitter.
int64_t TotalSamples(std::span<const TimedSpan> spans);

}  // namespace dovrik
