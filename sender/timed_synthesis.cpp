#include "sender/timed_synthesis.h"

#include <algorithm>
#include <cmath>

#include "sender/tone_sample.h"

namespace dovrik {

namespace {

// The sending exercise's factors, as single-precision values widened.
constexpr double kHundredth = static_cast<double>(0.01f);
constexpr double kRadiansPerHertzSample = static_cast<double>(0.00028495173f);  // ~2 pi / 22050
constexpr double kFullScale = 32767.0;

}  // namespace

TimedTone MakeTimedTone(int32_t pitchHz, int32_t noisePercent, int32_t attack, float jitterAmp) {
  TimedTone tone;
  const float noiseFraction = static_cast<float>(std::clamp(noisePercent, 0, 100) * kHundredth);
  tone.noiseAmp = static_cast<float>(static_cast<double>(noiseFraction) * kFullScale);
  tone.toneAmp = static_cast<float>((1.0 - static_cast<double>(noiseFraction)) * kFullScale);
  tone.phaseStep = static_cast<float>(pitchHz * kRadiansPerHertzSample);
  tone.attack = std::max(attack, 0);
  tone.jitterAmp = std::max(jitterAmp, 0.0f);
  return tone;
}

int64_t TotalSamples(std::span<const TimedSpan> spans) {
  int64_t total = 0;
  for (const TimedSpan& span : spans) total += std::max(span.samples, 0);
  return total;
}

TimedSynthesis::TimedSynthesis(std::span<const TimedSpan> spans, const TimedTone& tone,
                               NoiseCursor& cursor)
    : spans_(spans), tone_(tone), cursor_(cursor) {
  if (!spans_.empty()) StartSpan();
}

bool TimedSynthesis::Done() const {
  return index_ >= spans_.size();
}

// The span's length moves by the jitter read at the cursor, which the read
// does not move, as a sending exercise's element ends are read.
void TimedSynthesis::StartSpan() {
  const TimedSpan& span = spans_[index_];
  length_ = std::max(span.samples, 0);
  if (tone_.jitterAmp > 0 && length_ > 0) {
    const double offset = static_cast<double>(cursor_.Peek()) * tone_.jitterAmp;
    length_ = std::max<int32_t>(1, length_ + static_cast<int32_t>(std::lround(offset)));
  }
  position_ = 0;
  if (span.tone) phase_ = 0;
}

int32_t TimedSynthesis::Fill(std::span<int16_t> buffer) {
  const double noiseAmp = tone_.noiseAmp;
  const double toneAmp = tone_.toneAmp;
  const double attack = tone_.attack;
  size_t count = 0;
  while (count < buffer.size() && index_ < spans_.size()) {
    const bool tone = spans_[index_].tone;
    const size_t room = buffer.size() - count;
    const size_t left = static_cast<size_t>(length_ - position_);
    const size_t run = std::min(room, left);
    int16_t* out = buffer.data() + count;
    if (tone) {
      for (size_t k = 0; k < run; ++k) {
        const int32_t at = position_ + static_cast<int32_t>(k);
        const double envelope = at < tone_.attack ? at / attack : 1.0;
        out[k] = ToneSample(cursor_.Next(), noiseAmp, toneAmp,
                            std::sin(static_cast<double>(phase_)), envelope);
        phase_ += tone_.phaseStep;
      }
    } else {
      for (size_t k = 0; k < run; ++k) {
        const int32_t at = position_ + static_cast<int32_t>(k);
        if (at < release_) {
          // The release of the mark before: from full level down.
          out[k] = ToneSample(cursor_.Next(), noiseAmp, toneAmp,
                              std::sin(static_cast<double>(phase_)), (attack - at) / attack);
          phase_ += tone_.phaseStep;
        } else {
          out[k] = SpaceSample(cursor_.Next(), noiseAmp);
        }
      }
    }
    position_ += static_cast<int32_t>(run);
    count += run;
    if (position_ == length_) {
      release_ = tone ? tone_.attack : 0;
      ++index_;
      if (index_ < spans_.size()) StartSpan();
    }
  }
  written_ += static_cast<int64_t>(count);
  return static_cast<int32_t>(count);
}

}  // namespace dovrik
