#include "platform/sdl/sdl_audio_system.h"

#include "platform/sdl/sdl_sound_device.h"
#include "platform/sdl/sdl_wave_out.h"

namespace dovrik {

std::unique_ptr<WaveOut> SdlAudioSystem::CreateWaveOut() {
  return std::make_unique<SdlWaveOut>();
}

std::unique_ptr<SoundDevice> SdlAudioSystem::CreateSoundDevice() {
  return SdlSoundDevice::Open();
}

}  // namespace dovrik
