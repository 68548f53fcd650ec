#include "platform/sdl/sdl_playback_device.h"

#include "platform/sdl/sdl_library.h"

namespace dovrik {
namespace {

constexpr int kOpenAttempts = 3;
constexpr Uint32 kMsBetweenAttempts = 100;

}  // namespace

bool SdlPlaybackDevice::Open(uint16_t framesPerPeriod, Callback callback, void* userdata) {
  Close();
  if (!InitSdlOnce()) return false;
  SDL_AudioSpec wanted{};
  wanted.freq = kSampleRate;
  wanted.format = AUDIO_S16SYS;
  wanted.channels = 1;
  wanted.samples = framesPerPeriod;
  wanted.callback = callback;
  wanted.userdata = userdata;
  SDL_AudioSpec obtained{};
  // No format change allowed: SDL converts to whatever the hardware wants,
  // so the callback always sees the format above.
  // A sound server may refuse a new stream for a moment while it is still
  // tearing down the previous one: a few tries before giving up.
  for (int attempt = 0; attempt < kOpenAttempts && device_ == 0; ++attempt) {
    if (attempt > 0) SDL_Delay(kMsBetweenAttempts);
    device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
  }
  if (device_ == 0) return false;
  SDL_PauseAudioDevice(device_, 0);
  return true;
}

void SdlPlaybackDevice::Close() {
  if (device_ == 0) return;
  SDL_CloseAudioDevice(device_);
  device_ = 0;
}

}  // namespace dovrik
