#pragma once

#include <cstdint>

namespace dovrik {

class ThreadQueue;

// Bits of WaveHeader::flags that the device keeps, as wave-out does: set by
// Prepare, by Write and when the buffer comes back.
inline constexpr uint32_t WHDR_DONE = 0x01;      // returned by the device
inline constexpr uint32_t WHDR_PREPARED = 0x02;  // prepared and not unprepared since
inline constexpr uint32_t WHDR_INQUEUE = 0x10;   // written and not yet returned

// One playback buffer as the wave-out device sees it.
struct WaveHeader {
  int16_t* data = nullptr;     // the sample memory
  uint32_t bufferLength = 0;   // bytes to play
  uintptr_t user = 0;          // the caller's own value (the exercise keeps the data pointer)
  uint32_t flags = 0;
  uint32_t loops = 1;
};

// The sending exercise's audio output: 16-bit mono PCM at 22,050 Hz.
// Written buffers play back to back; when one has been fully handed to the
// device, MM_WOM_DONE with the header's address as lParam is posted to the
// queue given to Open. Reset stops at once and returns every queued buffer
// the same way.
class WaveOut {
 public:
  virtual ~WaveOut() = default;
  virtual bool Open(ThreadQueue& notify) = 0;
  // Low 16 bits left, high 16 bits right; applied as a gain of v / 65535.
  virtual void SetVolume(uint32_t volume) = 0;
  virtual bool Prepare(WaveHeader& header) = 0;
  virtual bool Write(WaveHeader& header) = 0;
  virtual void Reset() = 0;
  virtual void Unprepare(WaveHeader& header) = 0;
  virtual void Close() = 0;
};

}  // namespace dovrik
