#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/audio_system.h"
#include "platform/looping_sound_buffer.h"
#include "tests/support/fake_call_log.h"
#include "tests/support/fake_looping_buffer.h"

namespace dovrik::testing {

// The side-tone objects of the keying exercise over one test-owned
// FakeLoopingBuffer, so the test can still look at the buffer after the
// exercise has released it. Creation and release go to the call log:
// "device create", "buffer create <bytes>", "buffer release", "device release".
class FakeSideToneAudio : public AudioSystem {
 public:
  FakeSideToneAudio(FakeLoopingBuffer& buffer, CallLog& log) : buffer_(buffer), log_(log) {}

  std::unique_ptr<WaveOut> CreateWaveOut() override { return nullptr; }  // keying only
  std::unique_ptr<SoundDevice> CreateSoundDevice() override {
    log_.Add("device create");
    if (deviceFails_.load()) return nullptr;
    return std::make_unique<Device>(*this);
  }

  void SetDeviceFails(bool fails) { deviceFails_.store(fails); }
  void SetBufferFails(bool fails) { bufferFails_.store(fails); }

 private:
  // Hands the calls on to the test's buffer; destroying it is releasing it.
  class BufferHandle : public LoopingSoundBuffer {
   public:
    BufferHandle(FakeLoopingBuffer& buffer, CallLog& log) : buffer_(buffer), log_(log) {}
    ~BufferHandle() override { log_.Add("buffer release"); }
    uint32_t Size() const override { return buffer_.Size(); }
    bool GetCurrentPosition(uint32_t& playCursor, uint32_t& writeCursor) override {
      return buffer_.GetCurrentPosition(playCursor, writeCursor);
    }
    LockedRegions Lock(uint32_t offset, uint32_t bytes) override {
      return buffer_.Lock(offset, bytes);
    }
    void Unlock(const LockedRegions& regions) override { buffer_.Unlock(regions); }
    int32_t Lead() override { return buffer_.Lead(); }
    void Play() override { buffer_.Play(); }
    void Stop() override { buffer_.Stop(); }

   private:
    FakeLoopingBuffer& buffer_;
    CallLog& log_;
  };

  class Device : public SoundDevice {
   public:
    explicit Device(FakeSideToneAudio& audio) : audio_(audio) {}
    ~Device() override { audio_.log_.Add("device release"); }
    std::unique_ptr<LoopingSoundBuffer> CreateLoopingBuffer(uint32_t bytes) override {
      audio_.log_.Add("buffer create " + std::to_string(bytes));
      if (audio_.bufferFails_.load()) return nullptr;
      return std::make_unique<BufferHandle>(audio_.buffer_, audio_.log_);
    }

   private:
    FakeSideToneAudio& audio_;
  };

  FakeLoopingBuffer& buffer_;
  CallLog& log_;
  std::atomic<bool> deviceFails_{false};
  std::atomic<bool> bufferFails_{false};
};

}  // namespace dovrik::testing
