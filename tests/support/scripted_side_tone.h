#pragma once

// The side-tone engine on a scripted device and a scripted clock: the real
// engine and the real key sampler, with no real time anywhere. The test says
// how the device takes its bytes (a period like clockwork, 200 ms at once,
// two periods at a time, a stall) and when the key goes down and up; one
// loop steps the time in 0.1 ms, runs the sampler's tick every 5 ms and the
// device's requests when they fall due, and records every byte the device
// was handed.

#include <cstdint>
#include <functional>
#include <vector>

#include "keyer/key_sampler.h"
#include "keyer/keyer_mode.h"
#include "keyer/paddle_keyer.h"
#include "platform/key_input.h"
#include "platform/audio_format.h"
#include "platform/looping_sound_buffer.h"
#include "sidetone/side_tone_engine.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_key.h"

namespace dovrik::testing {

// The engine as the sampler's buffer, at the test's time.
class ScriptedSideTone : public LoopingSoundBuffer {
 public:
  explicit ScriptedSideTone(const int64_t& nowNs, uint32_t bytes = kBytesPerSecond)
      : now_(nowNs), engine_(bytes) {}
  uint32_t Size() const override { return engine_.Size(); }
  bool GetCurrentPosition(uint32_t& playCursor, uint32_t& writeCursor) override {
    playCursor = engine_.PlayCursor();
    writeCursor = engine_.WriteCursor(now_);
    return true;
  }
  LockedRegions Lock(uint32_t offset, uint32_t bytes) override {
    return engine_.Lock(offset, bytes);
  }
  void Unlock(const LockedRegions& regions) override { engine_.Unlock(regions); }
  void Play() override { engine_.Play(); }
  void Stop() override { engine_.Stop(); }
  uint32_t Underruns() const override { return engine_.Underruns(); }
  uint32_t KeyChangeCursor() override { return engine_.KeyChangeCursor(now_); }
  int32_t Lead() override { return engine_.Lead(now_); }
  SideToneEngine& Engine() { return engine_; }

 private:
  const int64_t& now_;
  SideToneEngine engine_;
};

// When the device asks, and for how much: `requests(n)` gives the n-th
// request's time in ns from the start and its bytes; a request of 0 bytes
// ends the script.
struct DeviceRequest {
  int64_t atNs;
  uint32_t bytes;
};
using DeviceScript = std::function<DeviceRequest(int64_t index)>;

// A device taking `bytes` every `periodNs`, from `startNs` on.
inline DeviceScript EvenDevice(uint32_t bytes, int64_t periodNs, int64_t startNs = 0) {
  return [=](int64_t n) { return DeviceRequest{startNs + n * periodNs, bytes}; };
}
// The period of a 128-frame device: 5.805 ms.
inline constexpr int64_t kPeriodNs = 128 * 1'000'000'000LL / kSampleRate;

struct KeyChangeAt {
  int32_t atMs;
  bool down;
};

// The paddles from `atMs` on.
struct PaddlesAt {
  int32_t atMs;
  bool dit;
  bool dah;
};

// Paddles as the key sources read them (Left Ctrl and Right Ctrl, say).
class PaddleKey : public KeyInput {
 public:
  bool IsDown() override { return reading_.key; }
  KeyReading Read() override { return reading_; }
  void Set(bool dit, bool dah) { reading_ = KeyReading{dit || dah, dit, dah, false}; }

 private:
  KeyReading reading_;
};

// One run: the key as scripted (ms from the start), the device as scripted,
// for `runMs`. The sampler's state is the keying exercise's, at 700 Hz with
// the attack setting 5 (R = 11).
class SideToneRun {
 public:
  SideToneRun(DeviceScript device, std::vector<KeyChangeAt> key, int32_t runMs)
      : buffer_(nowNs_), device_(std::move(device)), key_(std::move(key)), runMs_(runMs) {
    state_.buffer = &buffer_;
    state_.clock = &clock_;
    state_.key = &fakeKey_;
    state_.phaseStep = PhaseStepForTone(700);
    state_.rampLength = RampLengthForAttack(5);
    state_.pauseTimeout = 1952;
  }

  // The key is a pair of paddles played by `keyer` at `wpm`, as scripted;
  // the straight key's script is then not used.
  void UsePaddles(KeyerMode keyer, int wpm, std::vector<PaddlesAt> paddles) {
    state_.keyer = PaddleKeyer(keyer, KeyerTimingForWpm(wpm));
    state_.key = &paddleKey_;
    paddles_ = std::move(paddles);
  }

  // Runs the whole script; Play comes with the first tick, as the exercise
  // starts playback once the sampler runs.
  void Run() {
    size_t nextKey = 0;
    size_t nextPaddles = 0;
    int64_t nextRequest = 0;
    DeviceRequest request = device_(0);
    buffer_.Play();
    for (int64_t step = 0; step <= int64_t{runMs_} * 10; ++step) {
      nowNs_ = step * 100'000 + kStartNs;
      if (step % 50 == 0) {
        const int32_t ms = static_cast<int32_t>(step / 10);
        while (nextKey < key_.size() && key_[nextKey].atMs <= ms) {
          fakeKey_.Set(key_[nextKey++].down);
        }
        while (nextPaddles < paddles_.size() && paddles_[nextPaddles].atMs <= ms) {
          paddleKey_.Set(paddles_[nextPaddles].dit, paddles_[nextPaddles].dah);
          ++nextPaddles;
        }
        clock_.Set(static_cast<uint32_t>(1000 + ms));
        KeySampler(state_);
      }
      while (request.bytes > 0 && request.atNs + kStartNs <= nowNs_) {
        Take(request.bytes);
        request = device_(++nextRequest);
      }
    }
  }

  const std::vector<int16_t>& Recording() const { return recording_; }
  ScriptedSideTone& Buffer() { return buffer_; }
  KeySamplerState& State() { return state_; }
  // The time the recording's sample `index` was handed out, in ms from the start.
  double HandedAtMs(size_t index) const {
    size_t best = 0;
    for (size_t i = 0; i < handedAt_.size(); ++i) {
      if (handedAt_[i].first <= index) best = i;
    }
    return handedAt_.empty() ? 0 : static_cast<double>(handedAt_[best].second - kStartNs) / 1e6;
  }

 private:
  static constexpr int64_t kStartNs = 1'000'000'000;

  void Take(uint32_t bytes) {
    handedAt_.emplace_back(recording_.size(), nowNs_);
    std::vector<int16_t> chunk(bytes / 2);
    buffer_.Engine().Render(reinterpret_cast<uint8_t*>(chunk.data()), bytes, nowNs_);
    recording_.insert(recording_.end(), chunk.begin(), chunk.end());
  }

  int64_t nowNs_ = kStartNs;
  ScriptedSideTone buffer_;
  ManualClock clock_;
  FakeKey fakeKey_;
  PaddleKey paddleKey_;
  std::vector<PaddlesAt> paddles_;
  KeySamplerState state_{};
  DeviceScript device_;
  std::vector<KeyChangeAt> key_;
  int32_t runMs_;
  std::vector<int16_t> recording_;
  std::vector<std::pair<size_t, int64_t>> handedAt_;  // first sample of each request, time
};

}  // namespace dovrik::testing
