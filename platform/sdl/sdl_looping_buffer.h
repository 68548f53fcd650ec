#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "platform/looping_sound_buffer.h"

namespace dovrik {

class SideToneOutput;

// The side-tone buffer over SDL: a ring of bytes that SDL's audio callback
// hands to the device round and round while it plays.
//
// Cursors: the write cursor is the first byte not yet handed to the device;
// the play cursor is the first byte of the chunk the device got last. While
// the buffer is stopped the callback hands out silence and both stay put.
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
  SdlLoopingBuffer(std::shared_ptr<SideToneOutput> output, uint32_t bytes,
                   std::unique_ptr<uint8_t[]> ring);
  // Releasing the buffer: it is detached (the device falls silent) and the
  // device closes once the SoundDevice has gone too.
  ~SdlLoopingBuffer() override;

  uint32_t Size() const override { return size_; }
  bool GetCurrentPosition(uint32_t& playCursor, uint32_t& writeCursor) override;
  // False, with both regions empty, when a lock is already held, `bytes` is
  // 0 or more than the buffer, or `offset` lies outside it.
  bool Lock(uint32_t offset, uint32_t bytes, void*& region1, uint32_t& bytes1, void*& region2,
            uint32_t& bytes2) override;
  void Unlock(void* region1, uint32_t bytes1, void* region2, uint32_t bytes2) override;
  void Play() override;
  void Stop() override;

  // SDL's audio thread, with the audio lock held: fills `stream` with the
  // next `bytes` bytes of the ring, or with silence while stopped.
  void Render(uint8_t* stream, uint32_t bytes);

 private:
  const std::shared_ptr<SideToneOutput> output_;
  const uint32_t size_;
  const std::unique_ptr<uint8_t[]> ring_;  // guarded by SDL's audio lock
  // Written by the callback only; read anywhere without the lock.
  std::atomic<uint32_t> playCursor_{0};
  std::atomic<uint32_t> writeCursor_{0};
  std::atomic<bool> playing_{false};
  std::atomic<bool> locked_{false};
};

}  // namespace dovrik
