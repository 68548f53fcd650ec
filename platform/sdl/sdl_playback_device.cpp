#include "platform/sdl/sdl_playback_device.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/sdl/sdl_library.h"

namespace dovrik {
namespace {

constexpr int kOpenAttempts = 3;
constexpr Uint32 kMsBetweenAttempts = 100;

// The largest period the driver is given, whatever latency was asked for.
constexpr double kLargestPeriodFrames = 8192;

}  // namespace

uint16_t PeriodCoveringTheCycle(uint16_t framesPerPeriod, const char* driver,
                                const char* pipewireLatency) {
  if (driver == nullptr || std::strcmp(driver, "pipewire") != 0 || pipewireLatency == nullptr) {
    return framesPerPeriod;
  }
  double frames = 0;
  double rate = 0;
  char rest = 0;
  if (std::sscanf(pipewireLatency, "%lf/%lf%c", &frames, &rate, &rest) != 2 ||
      !(frames > 0) || !(rate > 0)) {
    return framesPerPeriod;
  }
  double longestSeconds = 0;
  for (const double graphRate : {44100.0, 48000.0}) {
    const double quantum = std::exp2(std::ceil(std::log2(std::max(1.0, frames * graphRate / rate))));
    longestSeconds = std::max(longestSeconds, quantum / graphRate);
  }
  const double covering = std::min(std::ceil(longestSeconds * kSampleRate), kLargestPeriodFrames);
  return std::max(framesPerPeriod, static_cast<uint16_t>(covering));
}

bool SdlPlaybackDevice::Open(uint16_t framesPerPeriod, Callback callback, void* userdata) {
  Close();
  if (!InitSdlOnce()) return false;
  SDL_AudioSpec wanted{};
  wanted.freq = kSampleRate;
  wanted.format = AUDIO_S16SYS;
  wanted.channels = kChannels;
  wanted.samples = PeriodCoveringTheCycle(framesPerPeriod, SDL_GetCurrentAudioDriver(),
                                          std::getenv("PIPEWIRE_LATENCY"));
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
