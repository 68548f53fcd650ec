#pragma once

#include <cstdint>
#include <memory>

namespace dovrik {

// A span of a looping buffer handed out for writing: one region, or two when
// the span runs past the end of the buffer (the second starts at offset 0).
// Empty (nothing granted) when the lock failed; nothing may be written then.
struct LockedRegions {
  void* first = nullptr;
  uint32_t firstBytes = 0;
  void* second = nullptr;
  uint32_t secondBytes = 0;

  bool Granted() const { return first != nullptr; }
  uint32_t Bytes() const { return firstBytes + secondBytes; }
};

// The side-tone buffer: 16-bit mono PCM at 22,050 Hz played round and round.
// Offsets are bytes. The write cursor is the first byte not yet handed to
// the device; writing at or after it is heard on the next lap.
class LoopingSoundBuffer {
 public:
  virtual ~LoopingSoundBuffer() = default;
  virtual uint32_t Size() const = 0;
  virtual bool GetCurrentPosition(uint32_t& playCursor, uint32_t& writeCursor) = 0;
  // `bytes` bytes from `offset`, wrapping at the end of the buffer, until
  // Unlock hands them back for playing.
  virtual LockedRegions Lock(uint32_t offset, uint32_t bytes) = 0;
  virtual void Unlock(const LockedRegions& regions) = 0;
  virtual void Play() = 0;  // looping, from the current play position
  virtual void Stop() = 0;

  // How often the device reached the end of what was written and was handed
  // silence instead (a buffer that cannot tell says 0).
  virtual uint32_t Underruns() const { return 0; }
  // Where a key change is written: the write cursor on a device that takes
  // one small period at a time; on one that takes several at once, the
  // place in its next chunk that the device reaches at an even pace, so a
  // change sounds at the same latency however the device bunches.
  virtual uint32_t KeyChangeCursor() {
    uint32_t playCursor = 0;
    uint32_t writeCursor = 0;
    GetCurrentPosition(playCursor, writeCursor);
    return writeCursor;
  }
  // How much to keep queued beyond the write cursor, in bytes (even): the
  // 30 ms lead, or more on a device that takes more at once.
  virtual int32_t Lead() { return kSmallestLeadBytes; }

  static constexpr int32_t kSmallestLeadBytes = 1324;  // 662 samples, 30.0 ms
};

// The side-tone device. Releasing it is destroying it.
class SoundDevice {
 public:
  virtual ~SoundDevice() = default;
  // Returns null when the buffer cannot be made.
  virtual std::unique_ptr<LoopingSoundBuffer> CreateLoopingBuffer(uint32_t bytes) = 0;
};

}  // namespace dovrik
