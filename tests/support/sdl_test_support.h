#pragma once

// Test and benchmark support: runs SDL's audio on a chosen driver. Not used
// by the program.

#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/sdl/sdl_library.h"

namespace dovrik {

// Switches SDL's audio to `driver` ("disk", "dummy", or a name that does not
// exist) for the life of the object, then back to the default choice. With
// "disk", `recording` names the file that the device writes its raw samples
// to, at real-time pace. No device may be open across the switch.
class ScopedAudioDriver {
 public:
  explicit ScopedAudioDriver(const char* driver, const std::string& recording = "") {
    InitSdlOnce();
    if (!recording.empty()) {
      std::remove(recording.c_str());
      setenv("SDL_DISKAUDIOFILE", recording.c_str(), 1);
    }
    SDL_AudioQuit();
    ok_ = SDL_AudioInit(driver) == 0;
  }
  ~ScopedAudioDriver() {
    SDL_AudioQuit();
    SDL_AudioInit(nullptr);
  }
  ScopedAudioDriver(const ScopedAudioDriver&) = delete;
  ScopedAudioDriver& operator=(const ScopedAudioDriver&) = delete;

  bool ok() const { return ok_; }

 private:
  bool ok_ = false;
};

// The samples a disk-driver device wrote (16-bit, native byte order).
inline std::vector<int16_t> ReadRecording(const std::string& path) {
  std::vector<int16_t> samples;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return samples;
  int16_t block[4096];
  size_t count;
  while ((count = std::fread(block, sizeof(int16_t), 4096, file)) > 0) {
    samples.insert(samples.end(), block, block + count);
  }
  std::fclose(file);
  return samples;
}

}  // namespace dovrik
