#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <semaphore>
#include <thread>

#include "platform/sdl/sdl_playback_device.h"
#include "platform/wave_out.h"

namespace dovrik {

// The sending exercise's wave-out device over SDL.
//
// Written buffers wait in a fixed ring of headers, in order; SDL's audio
// callback copies them to the device back to back, scaled by the volume.
// When the callback has handed the last byte of a buffer to the device it
// wakes this device's notifier thread, which posts MM_WOM_DONE with the
// header's address to the queue given to Open: posting allocates and takes
// the queue's lock, which the audio thread must not do.
//
// All calls come from one thread (the worker); the notifier and the audio
// thread are this object's own.
class SdlWaveOut : public WaveOut {
 public:
  // Buffers that can be written and not yet returned at one time.
  static constexpr int kQueueCapacity = 8;
  // Frames handed to the device at a time, about 23 ms.
  static constexpr uint16_t kFramesPerPeriod = 512;

  SdlWaveOut() = default;
  ~SdlWaveOut() override { Close(); }

  // False when SDL has no usable driver or device ("No audio output"), when
  // the device is open already, or when the notifier cannot start.
  bool Open(ThreadQueue& notify) override;
  // The low 16 bits give the gain, v / 65535; the device is mono, so the
  // high (right-channel) half is ignored, as wave-out does for mono devices.
  void SetVolume(uint32_t volume) override;
  // Marks the header prepared; false when closed or it has no memory.
  bool Prepare(WaveHeader& header) override;
  // Queues a prepared header that is not queued already. False when closed,
  // not prepared, already queued, or the ring is full.
  bool Write(WaveHeader& header) override;
  // Stops at once: every queued buffer, playing or waiting, is returned with
  // MM_WOM_DONE, in order, before Reset returns.
  void Reset() override;
  // Clears the prepared mark unless the header is still queued.
  void Unprepare(WaveHeader& header) override;
  // Returns whatever is still queued (as Reset), then closes the device and
  // ends the notifier. Nothing is posted afterwards. When nothing was cut
  // short, the device stays open until a sound server has had time to play
  // what it was handed last: closing at once would drop its final tens of
  // milliseconds.
  void Close() override;

 private:
  // SDL's audio thread, audio lock held.
  static void Callback(void* userdata, uint8_t* stream, int bytes);
  void Render(uint8_t* stream, uint32_t bytes);
  // The notifier thread.
  void RunNotifier();
  // Takes the finished headers out of the ring and posts them, in order.
  // Caller holds postMutex_; `resetting` first marks every queued one finished.
  // Returns true when resetting dropped audio not yet handed to the device.
  bool ReturnFinished(bool resetting);
  // Waits until the audio handed out last has had time to play.
  void WaitForThePlayOut();

  SdlPlaybackDevice device_;
  ThreadQueue* notify_ = nullptr;
  std::atomic<uint32_t> gain_{65535};  // 0 .. 65535

  // The ring, guarded by SDL's audio lock. Slots [returned_, played_) have
  // been handed to the device but not yet posted; [played_, written_) are
  // queued, the first of them playing from playOffset_. Counters only grow;
  // a slot is the counter modulo the capacity.
  std::array<WaveHeader*, kQueueCapacity> ring_{};
  uint32_t returned_ = 0;
  uint32_t played_ = 0;
  uint32_t written_ = 0;
  uint32_t playOffset_ = 0;  // bytes of the playing buffer already handed out

  // Steady-clock nanoseconds when the last buffer was fully handed out
  // (audio thread), and whether a Reset dropped queued audio (worker).
  std::atomic<int64_t> lastHandedAt_{0};
  bool cutShort_ = false;

  std::mutex postMutex_;  // keeps the notifier's and Reset's posts in order
  std::counting_semaphore<> finished_{0};
  std::atomic<bool> stopping_{false};
  std::thread notifier_;
};

}  // namespace dovrik
