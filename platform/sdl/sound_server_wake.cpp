#include "platform/sdl/sound_server_wake.h"

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "platform/audio_format.h"
#include "platform/sdl/sdl_library.h"

namespace dovrik {
namespace {

constexpr const char* kLatencyVariable = "PULSE_LATENCY_MSEC";

// PULSE_LATENCY_MSEC set for one scope, then put back as it was.
class ScopedLatency {
 public:
  explicit ScopedLatency(const char* value) {
    if (const char* old = std::getenv(kLatencyVariable)) old_ = old;
    setenv(kLatencyVariable, value, 1);
  }
  ~ScopedLatency() {
    if (old_) {
      setenv(kLatencyVariable, old_->c_str(), 1);
    } else {
      unsetenv(kLatencyVariable);
    }
  }
  ScopedLatency(const ScopedLatency&) = delete;
  ScopedLatency& operator=(const ScopedLatency&) = delete;

 private:
  std::optional<std::string> old_;
};

}  // namespace

std::unique_ptr<SoundServerWake> SoundServerWake::Open() {
  if (!InitSdlOnce()) return nullptr;
  const char* driver = SDL_GetCurrentAudioDriver();
  if (driver == nullptr || std::strcmp(driver, "pulseaudio") != 0) return nullptr;

  SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, "Dovrik (keeps the output awake)");
  SDL_AudioSpec wanted{};
  wanted.freq = kSampleRate;
  wanted.format = AUDIO_S16SYS;
  wanted.channels = kChannels;
  wanted.samples = 2048;
  wanted.callback = nullptr;  // nothing queued: SDL hands the server silence
  SDL_AudioDeviceID device = 0;
  {
    const ScopedLatency latency("200");
    device = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
  }
  // The streams opened later carry their own names.
  SDL_ResetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME);
  if (device == 0) return nullptr;
  SDL_PauseAudioDevice(device, 0);
  return std::unique_ptr<SoundServerWake>(new SoundServerWake(device));
}

SoundServerWake::~SoundServerWake() { SDL_CloseAudioDevice(device_); }

}  // namespace dovrik
