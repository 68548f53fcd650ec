#include "sender/group_synthesis.h"

#include <algorithm>
#include <cmath>

#include "sender/tone_sample.h"
#include "platform/audio_format.h"

namespace dovrik {
namespace {

// The single-precision length of one sample at 22,050 samples per second
// (4.5351473e-05 s). The running time t advances by exactly this float.
constexpr float kSampleTime = 1.0f / static_cast<float>(kSampleRate);

// Emits the samples of one group into the caller's buffer, keeping the
// running state of the synthesis: the tone phase and the running time t,
// both stored in single precision after every sample, and the write index.
// Every Emit reports false instead of writing once the buffer is full.
class GroupWriter {
 public:
  GroupWriter(std::span<int16_t> buffer, const SendingParameters& parameters, NoiseCursor& cursor)
      : buffer_(buffer),
        cursor_(cursor),
        noiseAmp_(parameters.noiseAmp),
        toneAmp_(parameters.toneAmp),
        phaseStep_(parameters.phaseStep) {}

  float Time() const { return t_; }
  size_t Count() const { return count_; }

  // A new element starts at t = 0 with phase 0.
  void StartElement() {
    t_ = 0;
    phase_ = 0;
  }
  // The release restarts the clock but keeps the phase of the sustain.
  void RestartTime() { t_ = 0; }

  // One tone sample: noise plus the tone scaled by the envelope (0 .. 1).
  bool EmitTone(double envelope) {
    if (count_ == buffer_.size()) return false;
    buffer_[count_++] = ToneSample(cursor_.Next(), noiseAmp_, toneAmp_,
                                   std::sin(static_cast<double>(phase_)), envelope);
    t_ += kSampleTime;
    phase_ += phaseStep_;
    return true;
  }

  // One sample of a space: noise alone.
  bool EmitSpace() {
    if (count_ == buffer_.size()) return false;
    buffer_[count_++] = SpaceSample(cursor_.Next(), noiseAmp_);
    t_ += kSampleTime;
    return true;
  }

  // Spaces while t < end; tests before it emits.
  bool SpaceUntil(float end) {
    while (t_ < end) {
      if (!EmitSpace()) return false;
    }
    return true;
  }

  // The element's jittered end or gap: base plus the table value at the
  // cursor times the jitter amplitude, without moving the cursor.
  float Jittered(float base, float jitterAmp) const {
    return static_cast<float>(static_cast<double>(base) +
                              static_cast<double>(cursor_.Peek()) * jitterAmp);
  }

 private:
  std::span<int16_t> buffer_;
  NoiseCursor& cursor_;
  const double noiseAmp_;
  const double toneAmp_;
  const float phaseStep_;
  size_t count_ = 0;
  float t_ = 0;
  float phase_ = 0;
};

// One element: attack, sustain, release and the element gap. Leaves the
// writer's time at the end of the gap and gives that end in `end`.
bool SynthesizeElement(char element, const SendingParameters& p, GroupWriter& writer, float& end) {
  const float length = element == '.' ? p.dot : p.dash;
  end = writer.Jittered(length, p.jitterAmp);
  writer.StartElement();

  // The attack ramp is part of the element's length; it emits first and
  // tests after, so a ramp has at least one sample.
  const double attack = p.attack;
  if (p.attack > 0) {
    do {
      if (!writer.EmitTone(static_cast<double>(writer.Time()) / attack)) return false;
    } while (writer.Time() < p.attack);
  }
  while (writer.Time() < end) {
    if (!writer.EmitTone(1.0)) return false;
  }

  // The release sounds inside the gap: the gap is measured from the end of
  // the sustain, so the time restarts here and runs on through the gap.
  writer.RestartTime();
  if (p.attack > 0) {
    do {
      if (!writer.EmitTone((attack - static_cast<double>(writer.Time())) / attack)) return false;
    } while (writer.Time() < p.attack);
  }
  end = writer.Jittered(p.dot, p.jitterAmp);
  return writer.SpaceUntil(end);
}

}  // namespace

void FillLeadIn(std::span<int16_t> buffer, int32_t count, bool ramp,
                const SendingParameters& parameters, NoiseCursor& cursor) {
  const size_t n = std::min(buffer.size(), static_cast<size_t>(std::max(count, 0)));
  const double noiseAmp = parameters.noiseAmp;
  for (size_t k = 0; k < n; ++k) {
    const double noise = static_cast<double>(cursor.Next()) * noiseAmp;
    buffer[k] =
        FloorToSample(ramp ? noise * static_cast<double>(k) / static_cast<double>(n) : noise);
  }
}

std::optional<int32_t> SynthesizeGroup(std::span<const char* const> patterns,
                                       std::span<int16_t> buffer,
                                       const SendingParameters& parameters, NoiseCursor& cursor) {
  GroupWriter writer(buffer, parameters, cursor);
  float end = 0;
  for (const char* pattern : patterns) {
    for (const char* element = pattern; element != nullptr && *element != '\0'; ++element) {
      if (!SynthesizeElement(*element, parameters, writer, end)) return std::nullopt;
    }
    // The character space extends the jittered end of the last gap.
    end = static_cast<float>(static_cast<double>(end) + parameters.charExtra);
    if (!writer.SpaceUntil(end)) return std::nullopt;
  }
  end = static_cast<float>(static_cast<double>(end) + parameters.groupExtra);
  if (!writer.SpaceUntil(end)) return std::nullopt;
  return static_cast<int32_t>(writer.Count());
}

}  // namespace dovrik
