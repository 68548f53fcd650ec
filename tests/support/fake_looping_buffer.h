#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/audio_format.h"
#include "platform/looping_sound_buffer.h"
#include "tests/support/fake_call_log.h"

namespace dovrik::testing {

// A 44,100-byte looping buffer that never plays by itself: the test sets the
// write cursor, can make every Lock fail, and reads back what was written.
// The bookkeeping is locked, so the test may look while a tick runs; the
// bytes themselves belong to whoever holds a lock, as in the real buffer.
class FakeLoopingBuffer : public LoopingSoundBuffer {
 public:
  static constexpr uint32_t kBytes = kBytesPerSecond;

  struct LockCall {
    uint32_t offset = 0;
    uint32_t bytes = 0;
    uint32_t firstBytes = 0;
    uint32_t secondBytes = 0;
    bool granted = false;
  };

  explicit FakeLoopingBuffer(CallLog* log = nullptr) : log_(log) {}

  uint32_t Size() const override { return kBytes; }

  bool GetCurrentPosition(uint32_t& playCursor, uint32_t& writeCursor) override {
    std::lock_guard lock(mutex_);
    playCursor = writeCursor_;
    writeCursor = writeCursor_;
    return true;
  }

  LockedRegions Lock(uint32_t offset, uint32_t bytes) override {
    std::lock_guard lock(mutex_);
    LockedRegions regions;
    // The device takes a chunk just before the lock gets hold of the buffer.
    writeCursor_ = (writeCursor_ + advanceBeforeNextLock_) % kBytes;
    advanceBeforeNextLock_ = 0;
    LockCall call{offset, bytes, 0, 0, false};
    if (!lockFails_ && offset < kBytes && bytes <= kBytes) {
      regions.firstBytes = std::min(bytes, kBytes - offset);
      regions.secondBytes = bytes - regions.firstBytes;
      regions.first = data_.data() + offset;
      if (regions.secondBytes > 0) regions.second = data_.data();
      call = {offset, bytes, regions.firstBytes, regions.secondBytes, true};
    }
    locks_.push_back(call);
    return regions;
  }

  void Unlock(const LockedRegions&) override {
    std::lock_guard lock(mutex_);
    ++unlocks_;
  }

  void Play() override {
    if (log_ != nullptr) log_->Add("buffer play");
    std::lock_guard lock(mutex_);
    playing_ = true;
  }
  void Stop() override {
    if (log_ != nullptr) log_->Add("buffer stop");
    std::lock_guard lock(mutex_);
    playing_ = false;
  }

  // Test side.
  void SetWriteCursor(uint32_t offset) {
    std::lock_guard lock(mutex_);
    writeCursor_ = offset % kBytes;
  }
  void AdvanceWriteCursor(uint32_t bytes) {
    std::lock_guard lock(mutex_);
    writeCursor_ = (writeCursor_ + bytes) % kBytes;
  }
  uint32_t WriteCursor() {
    std::lock_guard lock(mutex_);
    return writeCursor_;
  }
  // The next Lock first moves the write cursor on by `bytes`, as a device
  // callback that runs between a cursor read and the lock would.
  void AdvanceCursorBeforeNextLock(uint32_t bytes) {
    std::lock_guard lock(mutex_);
    advanceBeforeNextLock_ = bytes;
  }
  // The lead the buffer asks for (1324 unless set).
  void SetLead(int32_t bytes) {
    std::lock_guard lock(mutex_);
    lead_ = bytes;
  }
  int32_t Lead() override {
    std::lock_guard lock(mutex_);
    return lead_;
  }
  void SetLockFails(bool fails) {
    std::lock_guard lock(mutex_);
    lockFails_ = fails;
  }
  void FillBytes(uint8_t value) { data_.fill(value); }
  uint8_t ByteAt(uint32_t offset) const { return data_[offset % kBytes]; }
  // The sample that starts at an (even) byte offset, wrapping at the end.
  int16_t SampleAt(uint32_t offset) const {
    int16_t sample;
    std::memcpy(&sample, data_.data() + offset % kBytes, sizeof sample);
    return sample;
  }
  std::vector<LockCall> Locks() {
    std::lock_guard lock(mutex_);
    return locks_;
  }
  void ClearLocks() {
    std::lock_guard lock(mutex_);
    locks_.clear();
  }
  int Unlocks() {
    std::lock_guard lock(mutex_);
    return unlocks_;
  }
  bool Playing() {
    std::lock_guard lock(mutex_);
    return playing_;
  }

 private:
  CallLog* log_;
  std::mutex mutex_;
  alignas(int16_t) std::array<uint8_t, kBytes> data_{};
  uint32_t writeCursor_ = 0;
  uint32_t advanceBeforeNextLock_ = 0;
  int32_t lead_ = kSmallestLeadBytes;
  bool lockFails_ = false;
  bool playing_ = false;
  int unlocks_ = 0;
  std::vector<LockCall> locks_;
};

}  // namespace dovrik::testing
