#pragma once

#include <cstdint>

namespace dovrik {

class ThreadQueue;

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
