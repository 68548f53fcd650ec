#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/audio_system.h"
#include "platform/messages.h"
#include "platform/thread_queue.h"
#include "platform/wave_out.h"

namespace dovrik::testing {

// One call made on the fake wave-out device, in the order made. `header` is
// the header passed (null for the calls that take none); `value` the volume.
struct WaveOutCall {
  std::string name;  // "Open", "SetVolume", "Prepare", "Write", "Reset", "Unprepare", "Close"
  const WaveHeader* header = nullptr;
  uint32_t value = 0;
};

// What one Write handed over, copied at the moment of the call, since the
// exercise reuses its two buffers.
struct WrittenBuffer {
  const WaveHeader* header = nullptr;
  const int16_t* data = nullptr;
  uintptr_t user = 0;
  uint32_t bytes = 0;
  std::vector<int16_t> samples;
  std::chrono::steady_clock::time_point when;
};

// The state of a scripted wave-out device, owned by the test so that it
// outlives the WaveOut objects the exercise creates and destroys. Buffers
// written to it "play" until the test finishes them: FinishOldest posts
// MM_WOM_DONE for the oldest buffer still playing to the queue given to Open,
// as the real device does when a buffer has been handed over. Reset returns
// every playing buffer the same way. Thread-safe: the exercise calls from its
// thread while the test drives from another.
class FakeWaveOutDevice {
 public:
  // Fault injection.
  bool openFails = false;
  bool prepareFails = false;
  int failWriteNumber = -1;  // the 0-based Write that returns false, or -1

  // Device side (the exercise's thread).
  bool Open(ThreadQueue& notify) {
    std::lock_guard lock(mutex_);
    Record({"Open"});
    if (openFails) return false;
    notify_ = &notify;
    return true;
  }
  void SetVolume(uint32_t volume) {
    std::lock_guard lock(mutex_);
    Record({"SetVolume", nullptr, volume});
  }
  bool Prepare(WaveHeader& header) {
    std::lock_guard lock(mutex_);
    Record({"Prepare", &header});
    return !prepareFails;
  }
  bool Write(WaveHeader& header) {
    std::lock_guard lock(mutex_);
    Record({"Write", &header});
    const int number = writeCount_++;
    if (number == failWriteNumber) return false;
    WrittenBuffer written;
    written.header = &header;
    written.data = header.data;
    written.user = header.user;
    written.bytes = header.bufferLength;
    if (keepSamples_) written.samples.assign(header.data, header.data + header.bufferLength / 2);
    written.when = std::chrono::steady_clock::now();
    writes_.push_back(std::move(written));
    playing_.push_back(&header);
    changed_.notify_all();
    return true;
  }
  void Reset() {
    std::lock_guard lock(mutex_);
    Record({"Reset"});
    while (!playing_.empty()) FinishLocked();
  }
  void Unprepare(WaveHeader& header) {
    std::lock_guard lock(mutex_);
    Record({"Unprepare", &header});
  }
  void Close() {
    std::lock_guard lock(mutex_);
    Record({"Close"});
    notify_ = nullptr;
  }

  // Test side.

  // Posts MM_WOM_DONE for the oldest buffer still playing. False when none plays.
  bool FinishOldest() {
    std::lock_guard lock(mutex_);
    if (playing_.empty()) return false;
    FinishLocked();
    return true;
  }
  // Waits until `count` writes have been made in all, or the time is up.
  bool WaitForWrites(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return writes_.size() >= count; });
  }
  // With false, the samples of later writes are not copied (for long runs).
  void KeepSamples(bool keep) {
    std::lock_guard lock(mutex_);
    keepSamples_ = keep;
  }
  size_t PlayingCount() {
    std::lock_guard lock(mutex_);
    return playing_.size();
  }
  std::vector<WaveOutCall> Calls() {
    std::lock_guard lock(mutex_);
    return calls_;
  }
  std::vector<WrittenBuffer> Writes() {
    std::lock_guard lock(mutex_);
    return writes_;
  }
  size_t WriteCount() {
    std::lock_guard lock(mutex_);
    return writes_.size();
  }
  // The times at which MM_WOM_DONE notices were posted by FinishOldest, in order.
  std::vector<std::chrono::steady_clock::time_point> FinishTimes() {
    std::lock_guard lock(mutex_);
    return finishTimes_;
  }
  // The calls as "Open", "SetVolume 0xXXXXXXXX", "Prepare A", "Write B", ...,
  // where A is the first header ever prepared or written and B the second.
  std::vector<std::string> CallNames() {
    std::lock_guard lock(mutex_);
    std::vector<std::string> names;
    std::vector<const WaveHeader*> seen;
    for (const WaveOutCall& call : calls_) {
      std::string name = call.name;
      if (call.name == "SetVolume") {
        char hex[16];
        std::snprintf(hex, sizeof hex, " 0x%08X", call.value);
        name += hex;
      }
      if (call.header != nullptr) {
        size_t index = 0;
        while (index < seen.size() && seen[index] != call.header) ++index;
        if (index == seen.size()) seen.push_back(call.header);
        name += ' ';
        name += static_cast<char>('A' + index);
      }
      names.push_back(name);
    }
    return names;
  }

 private:
  void Record(WaveOutCall call) { calls_.push_back(std::move(call)); }
  void FinishLocked() {
    WaveHeader* header = playing_.front();
    playing_.pop_front();
    finishTimes_.push_back(std::chrono::steady_clock::now());
    if (notify_ != nullptr) notify_->Post(MM_WOM_DONE, 0, reinterpret_cast<intptr_t>(header));
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  ThreadQueue* notify_ = nullptr;
  std::vector<WaveOutCall> calls_;
  std::vector<WrittenBuffer> writes_;
  std::deque<WaveHeader*> playing_;
  std::vector<std::chrono::steady_clock::time_point> finishTimes_;
  int writeCount_ = 0;
  bool keepSamples_ = true;
};

// The WaveOut the exercise creates, owns and destroys; it forwards to the
// test's device.
class FakeWaveOut : public WaveOut {
 public:
  explicit FakeWaveOut(FakeWaveOutDevice& device) : device_(device) {}
  bool Open(ThreadQueue& notify) override { return device_.Open(notify); }
  void SetVolume(uint32_t volume) override { device_.SetVolume(volume); }
  bool Prepare(WaveHeader& header) override { return device_.Prepare(header); }
  bool Write(WaveHeader& header) override { return device_.Write(header); }
  void Reset() override { device_.Reset(); }
  void Unprepare(WaveHeader& header) override { device_.Unprepare(header); }
  void Close() override { device_.Close(); }

 private:
  FakeWaveOutDevice& device_;
};

// An audio system whose wave-out devices are the test's fake device. It has
// no side-tone device. Counts the devices made.
class FakeWaveOutAudioSystem : public AudioSystem {
 public:
  explicit FakeWaveOutAudioSystem(FakeWaveOutDevice& device) : device_(device) {}
  std::unique_ptr<WaveOut> CreateWaveOut() override {
    std::lock_guard lock(mutex_);
    ++created_;
    return std::make_unique<FakeWaveOut>(device_);
  }
  std::unique_ptr<SoundDevice> CreateSoundDevice() override { return nullptr; }
  int WaveOutsCreated() {
    std::lock_guard lock(mutex_);
    return created_;
  }

 private:
  FakeWaveOutDevice& device_;
  std::mutex mutex_;
  int created_ = 0;
};

}  // namespace dovrik::testing
