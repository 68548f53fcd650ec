#pragma once

// Watches the keying side-tone from outside, through the public seams only:
// it wraps the key and the audio system an exercise (or a bare sampler) is
// given, notes which buffer lock each accepted key change led to, and polls
// the buffer's write cursor on a thread of its own to see when the device
// took each byte. For the real-SDL test and the latency benchmark.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/audio_system.h"
#include "platform/key_input.h"
#include "platform/looping_sound_buffer.h"

namespace dovrik::testing {

using ProbeClock = std::chrono::steady_clock;

// One accepted key change and the block of side-tone it started.
struct ObservedKeyChange {
  bool down = false;
  ProbeClock::time_point readAt;    // the sampler read the new level
  ProbeClock::time_point lockedAt;  // its attack or release block was locked
  uint32_t offset = 0;              // where that block starts in the ring
};

// One move of the write cursor: the device took the bytes up to `cursor`.
struct CursorStep {
  ProbeClock::time_point seenAt;
  uint32_t cursor = 0;
  uint64_t handedBytes = 0;  // bytes handed to the device since the buffer was made
};

// When the device took the first chunk of a change's block, and how many
// bytes it had been handed before it.
struct HandedBlock {
  bool found = false;
  ProbeClock::time_point handedAt;
  uint64_t handedBytesBefore = 0;
};

class SideToneProbe {
 public:
  SideToneProbe(KeyInput& key, AudioSystem& audio) : key_(*this, key), audio_(*this, audio) {}

  KeyInput& Key() { return key_; }
  AudioSystem& Audio() { return audio_; }

  // Read these once the sampler's timer and the buffer are gone.
  const std::vector<ObservedKeyChange>& Changes() const { return changes_; }
  const std::vector<CursorStep>& Steps() const { return steps_; }

  // The first cursor step after the block was locked that carried the
  // block's first byte to the device. The probe thread may miss a period on
  // a busy machine; the step then spans several and its time is late, never
  // early.
  HandedBlock Handed(const ObservedKeyChange& change, uint32_t size) const {
    for (size_t i = 1; i < steps_.size(); ++i) {
      if (steps_[i].seenAt <= change.lockedAt) continue;
      const uint32_t from = steps_[i - 1].cursor;
      const uint64_t into = (change.offset + size - from) % size;
      if (into < steps_[i].handedBytes - steps_[i - 1].handedBytes) {
        return {true, steps_[i].seenAt, steps_[i - 1].handedBytes + into};
      }
    }
    return {};
  }

  // The most common cursor step, in bytes: the device period.
  uint32_t PeriodBytes() const {
    std::vector<uint32_t> sizes;
    for (size_t i = 1; i < steps_.size(); ++i) {
      sizes.push_back(static_cast<uint32_t>(steps_[i].handedBytes - steps_[i - 1].handedBytes));
    }
    if (sizes.empty()) return 0;
    std::nth_element(sizes.begin(), sizes.begin() + sizes.size() / 2, sizes.end());
    return sizes[sizes.size() / 2];
  }

 private:
  // The sampler's key: notes each change of level it reports. Timer thread.
  class ProbeKey : public KeyInput {
   public:
    ProbeKey(SideToneProbe& probe, KeyInput& inner) : probe_(probe), inner_(inner) {}
    void BeginKeying() override { inner_.BeginKeying(); }
    void EndKeying() override { inner_.EndKeying(); }
    void Watch() override { inner_.Watch(); }
    bool IsDown() override {
      const bool down = inner_.IsDown();
      if (down != last_) {
        last_ = down;
        probe_.pending_ = true;
        probe_.pendingChange_ = {down, ProbeClock::now(), {}, 0};
      }
      return down;
    }
    // Under a keyer: a paddle pressed from rest is the change, and the
    // element it starts is the block locked next.
    KeyReading Read() override {
      const KeyReading reading = inner_.Read();
      const bool down = reading.dit || reading.dah || reading.straightOnly;
      if (down != last_) {
        last_ = down;
        if (down) {
          probe_.pending_ = true;
          probe_.pendingChange_ = {down, ProbeClock::now(), {}, 0};
        }
      }
      return reading;
    }

   private:
    SideToneProbe& probe_;
    KeyInput& inner_;
    bool last_ = false;
  };

  // The buffer, passed through; the first lock after a key change is that
  // change's block. A thread polls the write cursor while the buffer lives.
  class ProbeBuffer : public LoopingSoundBuffer {
   public:
    ProbeBuffer(SideToneProbe& probe, std::unique_ptr<LoopingSoundBuffer> inner)
        : probe_(probe), inner_(std::move(inner)) {
      probe_.steps_.reserve(1 << 16);
      probe_.changes_.reserve(1024);
      watcher_ = std::thread([this] { Watch(); });
    }
    ~ProbeBuffer() override {
      stop_.store(true);
      watcher_.join();
    }
    uint32_t Size() const override { return inner_->Size(); }
    bool GetCurrentPosition(uint32_t& playCursor, uint32_t& writeCursor) override {
      return inner_->GetCurrentPosition(playCursor, writeCursor);
    }
    LockedRegions Lock(uint32_t offset, uint32_t bytes) override {
      const LockedRegions locked = inner_->Lock(offset, bytes);
      // Noted after the lock, while the cursor stands still, so the probe
      // does not widen the gap between the sampler's cursor read and its lock.
      if (probe_.pending_) {
        ObservedKeyChange change = probe_.pendingChange_;
        change.lockedAt = ProbeClock::now();
        change.offset = offset;
        uint32_t playCursor = 0;
        uint32_t writeCursor = 0;
        inner_->GetCurrentPosition(playCursor, writeCursor);
        // A lock that the sampler takes again, because the device moved past
        // its offset meanwhile, replaces this one.
        const uint32_t size = inner_->Size();
        if ((offset + size - writeCursor) % size < size / 2) {
          probe_.pending_ = false;
          probe_.changes_.push_back(change);
        }
      }
      return locked;
    }
    void Unlock(const LockedRegions& regions) override { inner_->Unlock(regions); }
    void Play() override { inner_->Play(); }
    void Stop() override { inner_->Stop(); }
    uint32_t Underruns() const override { return inner_->Underruns(); }
    uint32_t KeyChangeCursor() override { return inner_->KeyChangeCursor(); }
    int32_t Lead() override { return inner_->Lead(); }

   private:
    // Probe thread: notes every move of the write cursor within about 50 us.
    void Watch() {
      const uint32_t size = inner_->Size();
      uint32_t playCursor = 0;
      uint32_t last = 0;
      uint64_t handed = 0;
      inner_->GetCurrentPosition(playCursor, last);
      probe_.steps_.push_back({ProbeClock::now(), last, 0});
      while (!stop_.load()) {
        uint32_t cursor = 0;
        inner_->GetCurrentPosition(playCursor, cursor);
        if (cursor != last) {
          handed += (cursor + size - last) % size;
          last = cursor;
          probe_.steps_.push_back({ProbeClock::now(), cursor, handed});
        }
        std::this_thread::sleep_for(std::chrono::microseconds(50));
      }
    }

    SideToneProbe& probe_;
    std::unique_ptr<LoopingSoundBuffer> inner_;
    std::atomic<bool> stop_{false};
    std::thread watcher_;
  };

  class ProbeDevice : public SoundDevice {
   public:
    ProbeDevice(SideToneProbe& probe, std::unique_ptr<SoundDevice> inner)
        : probe_(probe), inner_(std::move(inner)) {}
    std::unique_ptr<LoopingSoundBuffer> CreateLoopingBuffer(uint32_t bytes) override {
      auto buffer = inner_->CreateLoopingBuffer(bytes);
      if (!buffer) return nullptr;
      return std::make_unique<ProbeBuffer>(probe_, std::move(buffer));
    }

   private:
    SideToneProbe& probe_;
    std::unique_ptr<SoundDevice> inner_;
  };

  class ProbeAudio : public AudioSystem {
   public:
    ProbeAudio(SideToneProbe& probe, AudioSystem& inner) : probe_(probe), inner_(inner) {}
    std::unique_ptr<WaveOut> CreateWaveOut() override { return inner_.CreateWaveOut(); }
    std::unique_ptr<SoundDevice> CreateSoundDevice() override {
      auto device = inner_.CreateSoundDevice();
      if (!device) return nullptr;
      return std::make_unique<ProbeDevice>(probe_, std::move(device));
    }

   private:
    SideToneProbe& probe_;
    AudioSystem& inner_;
  };

  ProbeKey key_;
  ProbeAudio audio_;
  // Timer thread while the sampler runs (one tick at a time).
  bool pending_ = false;
  ObservedKeyChange pendingChange_;
  std::vector<ObservedKeyChange> changes_;
  // The probe thread while the buffer lives.
  std::vector<CursorStep> steps_;
};

}  // namespace dovrik::testing
