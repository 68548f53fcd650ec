#include "sender/sending_parameters.h"

#include <cmath>

#include "platform/audio_format.h"

namespace dovrik {
namespace {

// The decimal factors of the model are used as the single-precision values
// nearest to them, then widened for the double-precision arithmetic.
constexpr double kTenThousandth = static_cast<double>(0.0001f);
constexpr double kHundredth = static_cast<double>(0.01f);
constexpr double kThird = static_cast<double>(0.33333334f);
constexpr double kMargin = static_cast<double>(1.1f);
constexpr double kRadiansPerHertzSample = static_cast<double>(0.00028495173f);  // ~2 pi / 22050
constexpr double kFullScale = 32767.0;

// Every field is computed in double precision and stored in single precision.
float Store(double value) {
  return static_cast<float>(value);
}

}  // namespace

SendingParameters DeriveSendingParameters(const SendingSliders& sliders) {
  SendingParameters p;
  p.dot = Store(60.0 / (41.0 * sliders.speed));
  p.dash = Store(sliders.ratio * static_cast<double>(p.dot));
  p.charExtra = Store((3.0 * sliders.characterSpace - 1.0) * static_cast<double>(p.dot));
  p.groupExtra = Store(sliders.groupSpace * static_cast<double>(p.charExtra) * 5.0 * kThird -
                       static_cast<double>(p.charExtra));

  p.attack = Store(sliders.attack * kTenThousandth);
  const double longestAttack = static_cast<double>(p.dot) * kThird;
  if (static_cast<double>(p.attack) > longestAttack) p.attack = Store(longestAttack);

  p.jitterAmp = Store(sliders.jitter * static_cast<double>(p.dot) * kHundredth);

  // The noise slider mixes: what the noise gains, the tone loses.
  const float noiseFraction = Store(sliders.noise * kHundredth);
  p.noiseAmp = Store(static_cast<double>(noiseFraction) * kFullScale);
  p.toneAmp = Store((1.0 - static_cast<double>(noiseFraction)) * kFullScale);

  p.phaseStep = Store(sliders.tone * kRadiansPerHertzSample);

  // Five characters of five elements each with their spaces, ten full jitter
  // offsets, and a margin of 10 %.
  const float unjittered = Store((5.0 * (static_cast<double>(p.dot) + static_cast<double>(p.dash)) +
                                  static_cast<double>(p.charExtra)) *
                                     5.0 +
                                 static_cast<double>(p.groupExtra));
  p.capacity = static_cast<int32_t>(
      std::ceil((static_cast<double>(unjittered) + 10.0 * static_cast<double>(p.jitterAmp)) *
                kMargin * static_cast<double>(kSampleRate)));
  return p;
}

SendingParameters DeriveSendingParameters(const SendingSliders& sliders, uint32_t tickCountMs,
                                          NoiseCursor& cursor) {
  cursor = NoiseCursor(tickCountMs);
  return DeriveSendingParameters(sliders);
}

}  // namespace dovrik
