#include "platform/sdl/sdl_wave_out.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "platform/messages.h"
#include "platform/steady_clock.h"
#include "platform/thread_queue.h"

namespace dovrik {
namespace {

constexpr uint32_t kFullGain = 65535;
// The latency asked of a sound server when the user set none, and the
// longest the device waits for its last audio to play out.
constexpr long kAssumedServerLatencyMs = 20;
constexpr long kLongestPlayOutMs = 1000;
constexpr long kPeriodMs = (SdlWaveOut::kFramesPerPeriod * 1000 + kSampleRate - 1) / kSampleRate;

int16_t Scale(int16_t sample, uint32_t gain) {
  if (gain == kFullGain) return sample;
  // |sample| * gain stays below 2^31, so 32-bit arithmetic is exact.
  return static_cast<int16_t>(static_cast<int32_t>(sample) * static_cast<int32_t>(gain) /
                              static_cast<int32_t>(kFullGain));
}

}  // namespace

bool SdlWaveOut::Open(ThreadQueue& notify) {
  if (device_.IsOpen()) return false;
  notify_ = &notify;
  returned_ = played_ = written_ = 0;
  playOffset_ = 0;
  cutShort_ = false;
  lastHandedAt_.store(0);
  stopping_.store(false);
  while (finished_.try_acquire()) {
  }
  // The device first: the notifier reads its id. Wake-ups the callback gives
  // before the notifier runs are kept by the semaphore.
  if (!device_.Open(kFramesPerPeriod, &Callback, this)) {
    notify_ = nullptr;
    return false;
  }
  try {
    notifier_ = std::thread([this] { RunNotifier(); });
  } catch (const std::system_error&) {
    device_.Close();
    notify_ = nullptr;
    return false;
  }
  return true;
}

void SdlWaveOut::SetVolume(uint32_t volume) {
  gain_.store(volume & 0xFFFFu, std::memory_order_relaxed);
}

bool SdlWaveOut::Prepare(WaveHeader& header) {
  if (!device_.IsOpen() || header.data == nullptr) return false;
  header.flags |= WHDR_PREPARED;
  return true;
}

bool SdlWaveOut::Write(WaveHeader& header) {
  if (!device_.IsOpen() || header.data == nullptr) return false;
  if ((header.flags & WHDR_PREPARED) == 0 || (header.flags & WHDR_INQUEUE) != 0) return false;
  device_.LockCallback();
  const bool room = written_ - returned_ < static_cast<uint32_t>(kQueueCapacity);
  if (room) {
    header.flags = (header.flags & ~WHDR_DONE) | WHDR_INQUEUE;
    ring_[written_ % kQueueCapacity] = &header;
    ++written_;
  }
  device_.UnlockCallback();
  return room;
}

void SdlWaveOut::Reset() {
  if (!device_.IsOpen()) return;
  std::lock_guard lock(postMutex_);
  if (ReturnFinished(true)) cutShort_ = true;
}

void SdlWaveOut::Unprepare(WaveHeader& header) {
  if ((header.flags & WHDR_INQUEUE) != 0) return;
  header.flags &= ~WHDR_PREPARED;
}

void SdlWaveOut::Close() {
  if (!device_.IsOpen()) return;
  Reset();
  if (!cutShort_) WaitForThePlayOut();
  // Nothing is queued any more, so the callback finishes no buffer and the
  // notifier has nothing left to post: end it, then the device.
  stopping_.store(true);
  finished_.release();
  notifier_.join();
  device_.Close();
  notify_ = nullptr;
}

void SdlWaveOut::WaitForThePlayOut() {
  const int64_t handedAt = lastHandedAt_.load(std::memory_order_acquire);
  if (handedAt == 0) return;
  // The last chunk handed out is still in SDL's hands for up to a period;
  // then a sound server holds about the latency the program asks of it (see
  // InitSdlOnce), or the one the user set; twice that covers the sink too.
  long latencyMs = kAssumedServerLatencyMs;
  if (const char* asked = std::getenv("PULSE_LATENCY_MSEC")) {
    latencyMs = std::clamp(std::strtol(asked, nullptr, 10), 1L, kLongestPlayOutMs / 2);
  }
  const auto until = std::chrono::steady_clock::time_point(std::chrono::nanoseconds(handedAt)) +
                     std::chrono::milliseconds(2 * latencyMs + kPeriodMs);
  std::this_thread::sleep_until(until);
}

void SdlWaveOut::Callback(void* userdata, uint8_t* stream, int bytes) {
  if (bytes > 0) static_cast<SdlWaveOut*>(userdata)->Render(stream, static_cast<uint32_t>(bytes));
}

void SdlWaveOut::Render(uint8_t* stream, uint32_t bytes) {
  const uint32_t gain = gain_.load(std::memory_order_relaxed);
  const uint32_t samples = bytes / sizeof(int16_t);
  uint32_t filled = 0;
  while (filled < samples && played_ != written_) {
    const WaveHeader& header = *ring_[played_ % kQueueCapacity];
    const uint32_t length = header.bufferLength / sizeof(int16_t);  // whole samples only
    const uint32_t count = std::min(samples - filled, length - std::min(playOffset_, length));
    for (uint32_t i = 0; i < count; ++i) {
      const int16_t sample = Scale(header.data[playOffset_ + i], gain);
      std::memcpy(stream + (filled + i) * sizeof(int16_t), &sample, sizeof(sample));
    }
    filled += count;
    playOffset_ += count;
    if (playOffset_ >= length) {
      // Fully handed to the device: the next buffer follows without a gap,
      // and the notifier returns this one.
      ++played_;
      playOffset_ = 0;
      lastHandedAt_.store(SteadyNanoseconds(), std::memory_order_release);
      finished_.release();
    }
  }
  std::memset(stream + filled * sizeof(int16_t), 0, bytes - filled * sizeof(int16_t));
}

void SdlWaveOut::RunNotifier() {
  for (;;) {
    finished_.acquire();
    {
      std::lock_guard lock(postMutex_);
      ReturnFinished(false);
    }
    if (stopping_.load()) return;
  }
}

bool SdlWaveOut::ReturnFinished(bool resetting) {
  std::array<WaveHeader*, kQueueCapacity> done{};
  uint32_t count = 0;
  device_.LockCallback();
  const bool dropped = resetting && (played_ != written_ || playOffset_ != 0);
  if (resetting) {
    played_ = written_;
    playOffset_ = 0;
  }
  while (returned_ != played_) done[count++] = ring_[returned_++ % kQueueCapacity];
  device_.UnlockCallback();
  for (uint32_t i = 0; i < count; ++i) {
    done[i]->flags = (done[i]->flags & ~WHDR_INQUEUE) | WHDR_DONE;
    notify_->Post(MM_WOM_DONE, 0, reinterpret_cast<intptr_t>(done[i]));
  }
  return dropped;
}

}  // namespace dovrik
