#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "platform/looping_sound_buffer.h"
#include "sidetone/side_tone_engine.h"

namespace dovrik {

class SideToneOutput;

// The side-tone buffer over SDL: the side-tone engine's ring, played by
// SDL's audio callback. Every decision about the timeline (cursors, pace,
// stalls, lead, underruns) is the engine's; this class only serialises the
// engine's calls with SDL's audio lock and hands it the time.
//
// Lock takes SDL's audio lock and Unlock gives it back, so the callback
// never copies bytes that are being written: everything written between
// the two at or after the write cursor goes out in order with the next
// chunks. Lock and its Unlock belong on the same thread (the key sampler's
// timer thread, or the worker while it sets the buffer up), and the region
// must be handed back soon: the device waits meanwhile.
class SdlLoopingBuffer : public LoopingSoundBuffer {
 public:
  // Made by SdlSoundDevice, which attaches it to the output.
  SdlLoopingBuffer(std::shared_ptr<SideToneOutput> output, std::unique_ptr<SideToneEngine> engine);
  // Releasing the buffer: it is detached (the device falls silent) and the
  // device closes once the SoundDevice has gone too.
  ~SdlLoopingBuffer() override;

  uint32_t Size() const override { return engine_->Size(); }
  bool GetCurrentPosition(uint32_t& playCursor, uint32_t& writeCursor) override;
  // Empty when a lock is already held, `bytes` is 0 or more than the
  // buffer, or `offset` lies outside it.
  LockedRegions Lock(uint32_t offset, uint32_t bytes) override;
  void Unlock(const LockedRegions& regions) override;
  void Play() override;
  void Stop() override;
  uint32_t Underruns() const override;
  uint32_t KeyChangeCursor() override;
  int32_t Lead() override;

  // SDL's audio thread, with the audio lock held: fills `stream` with the
  // next `bytes` bytes of the ring, or with silence while stopped.
  void Render(uint8_t* stream, uint32_t bytes);

 private:
  const std::shared_ptr<SideToneOutput> output_;
  const std::unique_ptr<SideToneEngine> engine_;  // guarded by SDL's audio lock
  std::atomic<bool> locked_{false};
};

}  // namespace dovrik
