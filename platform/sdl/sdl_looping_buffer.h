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
// The device is never handed a byte that was not written for this lap. The
// buffer keeps the end of what was written last (each Unlock sets it: the
// newest write says where the written stream ends); when the device asks
// for more than lies between the write cursor and that end, it gets the
// rest as silence, the write cursor waits at the end, and an underrun is
// counted. A writer that tops up from the cursor then follows on at once.
// A new buffer holds one lap of written silence.
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
  uint32_t Underruns() const override { return underruns_.load(std::memory_order_relaxed); }
  // Takes SDL's audio lock for a moment. The device's requests that follow
  // one another within a millisecond count as one chunk.
  uint32_t PacedWriteCursor() override;

  // SDL's audio thread, with the audio lock held: fills `stream` with the
  // next `bytes` bytes of the ring, or with silence while stopped.
  void Render(uint8_t* stream, uint32_t bytes);

 private:
  // Zeroes the ring for the stream positions [from, to), at most one lap.
  void Silence(uint64_t from, uint64_t to);

  const std::shared_ptr<SideToneOutput> output_;
  const uint32_t size_;
  const std::unique_ptr<uint8_t[]> ring_;  // guarded by SDL's audio lock
  // Bytes handed to the device, and the end of what was written, counted
  // from the buffer's creation without wrapping. Guarded by SDL's audio lock.
  uint64_t handed_ = 0;
  uint64_t writtenEnd_;
  // The device's pace. Every byte it took, silence included, is one more
  // byte of its stream; a request that comes on time shows the stream ahead
  // of the clock by the most bytes, one that comes late by fewer. The most
  // seen, fading by a byte a request to follow the device's own clock, is
  // where the stream stands at an even pace. Times are steady-clock
  // nanoseconds since the first request; requests within a millisecond of
  // one another make one chunk.
  int64_t firstRequestAt_ = 0;
  int64_t lastRequestAt_ = 0;
  uint64_t streamBytes_ = 0;
  double paceLeadBytes_ = 0;  // the most the stream was seen ahead of the clock
  uint64_t chunkBytes_ = 0;   // bytes of the latest chunk
  bool starved_ = false;      // the device met the written end and nothing was written since
  std::atomic<uint32_t> underruns_{0};
  // Written by the callback only; read anywhere without the lock.
  std::atomic<uint32_t> playCursor_{0};
  std::atomic<uint32_t> writeCursor_{0};
  std::atomic<bool> playing_{false};
  std::atomic<bool> locked_{false};
};

}  // namespace dovrik
