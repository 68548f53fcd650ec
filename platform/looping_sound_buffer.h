#pragma once

#include <cstdint>
#include <memory>

namespace dovrik {

// The side-tone buffer: 16-bit mono PCM at 22,050 Hz played round and round.
// Offsets are bytes. The write cursor is the first byte not yet handed to
// the device; writing at or after it is heard on the next lap.
class LoopingSoundBuffer {
 public:
  virtual ~LoopingSoundBuffer() = default;
  virtual uint32_t Size() const = 0;
  virtual bool GetCurrentPosition(uint32_t& playCursor, uint32_t& writeCursor) = 0;
  // Gives up to two regions covering `bytes` bytes from `offset`, wrapping at
  // the end of the buffer. On failure nothing may be written.
  virtual bool Lock(uint32_t offset, uint32_t bytes, void*& region1, uint32_t& bytes1,
                    void*& region2, uint32_t& bytes2) = 0;
  virtual void Unlock(void* region1, uint32_t bytes1, void* region2, uint32_t bytes2) = 0;
  virtual void Play() = 0;  // looping, from the current play position
  virtual void Stop() = 0;
  // How often the device reached the end of what was written and was handed
  // silence instead (a buffer that cannot tell says 0).
  virtual uint32_t Underruns() const { return 0; }
  // Where the device would stand now if it took its bytes at an even pace:
  // at or after the write cursor, by how long ago the device last took a
  // chunk, never beyond that chunk's size nor the end of what was written.
  // A block written from here starts at the same latency after this moment
  // however the device bunches its requests. A buffer that cannot tell gives
  // the write cursor.
  virtual uint32_t PacedWriteCursor() {
    uint32_t playCursor = 0;
    uint32_t writeCursor = 0;
    GetCurrentPosition(playCursor, writeCursor);
    return writeCursor;
  }
};

// The side-tone device (the DirectSound object). Releasing it is destroying it.
class SoundDevice {
 public:
  virtual ~SoundDevice() = default;
  // Returns null when the buffer cannot be made.
  virtual std::unique_ptr<LoopingSoundBuffer> CreateLoopingBuffer(uint32_t bytes) = 0;
};

}  // namespace dovrik
