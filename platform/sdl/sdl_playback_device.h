#pragma once

#include <SDL.h>

#include <cstdint>

#include "platform/audio_format.h"

namespace dovrik {

// The period to open a device with, at least `framesPerPeriod`. SDL's
// pipewire driver hands the server one period per graph cycle, and a
// PIPEWIRE_LATENCY the user set ("frames/rate") makes the cycle that long,
// rounded to a power of two at the graph's rate (44,100 or 48,000): the
// period must cover the longest such cycle, or the rest of every cycle is
// silent. Other drivers, and a missing or unreadable value, keep the period.
uint16_t PeriodCoveringTheCycle(uint16_t framesPerPeriod, const char* driver,
                                const char* pipewireLatency);

// One open SDL playback device on the default output, running from the
// moment it opens. The callback runs on SDL's audio thread with SDL's audio
// lock held; it must fill every byte it is given, allocate nothing and wait
// for nothing. Open and close on an ordinary thread, never in the callback.
class SdlPlaybackDevice {
 public:
  using Callback = void (*)(void* userdata, uint8_t* stream, int bytes);

  SdlPlaybackDevice() = default;
  ~SdlPlaybackDevice() { Close(); }
  SdlPlaybackDevice(const SdlPlaybackDevice&) = delete;
  SdlPlaybackDevice& operator=(const SdlPlaybackDevice&) = delete;

  // Opens the default device with `framesPerPeriod` frames handed to the
  // callback at a time (the device's latency step) and starts it. False when
  // SDL has no usable driver or device.
  bool Open(uint16_t framesPerPeriod, Callback callback, void* userdata);
  // Stops the device and waits until the callback has run for the last time.
  void Close();
  bool IsOpen() const { return device_ != 0; }

  // SDL's audio lock: while it is held, the callback does not run.
  void LockCallback() { SDL_LockAudioDevice(device_); }
  void UnlockCallback() { SDL_UnlockAudioDevice(device_); }

 private:
  SDL_AudioDeviceID device_ = 0;
};

}  // namespace dovrik
