#pragma once

#include <memory>

#include "platform/looping_sound_buffer.h"
#include "platform/wave_out.h"

namespace dovrik {

// Where the exercises get their audio objects. Each exercise makes its own
// and releases them before it returns.
class AudioSystem {
 public:
  virtual ~AudioSystem() = default;
  // An unopened wave-out device (Open reports failure).
  virtual std::unique_ptr<WaveOut> CreateWaveOut() = 0;
  // The side-tone device, or null when none can be opened.
  virtual std::unique_ptr<SoundDevice> CreateSoundDevice() = 0;
};

}  // namespace dovrik
