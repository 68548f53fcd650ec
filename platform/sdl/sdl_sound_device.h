#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "platform/looping_sound_buffer.h"
#include "platform/sdl/sdl_playback_device.h"

namespace dovrik {

class SdlLoopingBuffer;

// The SDL device behind the side-tone, shared by the SoundDevice that opened
// it and the looping buffer that plays through it, so either may be released
// first. It plays the attached buffer's ring, or silence when none is
// attached. The device closes when the last owner lets go.
class SideToneOutput {
 public:
  // The side-tone's latency step: 128 frames, about 5.8 ms.
  static constexpr uint16_t kFramesPerPeriod = 128;

  // Opens the default device and waits until it is live: a sound server
  // whose sink has been idle may have rendered a second or two ahead, and
  // takes nothing more from a new stream until that has played. The key is
  // read only once the device takes sound (at most a few seconds); with the
  // program's stream that keeps the server awake it is live at once.
  bool Open();

  // Any thread except SDL's audio thread. Only one buffer plays at a time:
  // Attach is false while another one is attached.
  bool Attach(SdlLoopingBuffer& buffer);
  void Detach(SdlLoopingBuffer& buffer);

  // SDL's audio lock; while it is held the callback hands nothing out.
  void LockCallback() { device_.LockCallback(); }
  void UnlockCallback() { device_.UnlockCallback(); }

 private:
  // SDL's audio thread, audio lock held.
  static void Callback(void* userdata, uint8_t* stream, int bytes);

  SdlPlaybackDevice device_;
  SdlLoopingBuffer* attached_ = nullptr;  // guarded by SDL's audio lock
  // Steady-clock nanoseconds of the device's first and latest request.
  std::atomic<int64_t> firstRequestAt_{0};
  std::atomic<int64_t> latestRequestAt_{0};
};

// The side-tone device: one SDL playback device for the keying exercise.
class SdlSoundDevice : public SoundDevice {
 public:
  // Opens the default playback device; null when SDL has no usable driver
  // or device, which the keying exercise reports as "Can not open DirectSound".
  static std::unique_ptr<SdlSoundDevice> Open();

  // A looping buffer of `bytes` bytes (whole samples) playing through this
  // device. Null when the size is unusable, memory is short, or a buffer of
  // this device still exists.
  std::unique_ptr<LoopingSoundBuffer> CreateLoopingBuffer(uint32_t bytes) override;

 private:
  explicit SdlSoundDevice(std::shared_ptr<SideToneOutput> output) : output_(std::move(output)) {}

  std::shared_ptr<SideToneOutput> output_;
};

}  // namespace dovrik
