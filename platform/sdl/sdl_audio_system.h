#pragma once

#include "platform/audio_system.h"

namespace dovrik {

// The audio objects of the exercises, over SDL's default playback device.
// Each exercise opens its own device and closes it before it returns.
class SdlAudioSystem : public AudioSystem {
 public:
  // An SdlWaveOut, not yet open; Open fails when SDL has no usable device.
  std::unique_ptr<WaveOut> CreateWaveOut() override;
  // Opens the side-tone device (128-frame period); null when SDL has no
  // usable driver or device.
  std::unique_ptr<SoundDevice> CreateSoundDevice() override;
};

}  // namespace dovrik
