// How soon a key change is heard: from the moment the key changes to the
// moment the first sample of the new state (the attack or release block) is
// handed to the audio device, with the real 5 ms timer, the key sampler and
// the SDL looping buffer on SDL's dummy driver and on real sound servers.
// And what one attack tick costs on the timer thread.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/percentile.h"
#include "keyer/key_sampler.h"
#include "platform/audio_format.h"
#include "platform/sdl/sdl_audio_system.h"
#include "tests/support/sdl_test_support.h"
#include "platform/steady_clock.h"
#include "platform/thread_timer_service.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_key.h"
#include "tests/support/fake_side_tone_probe.h"
#include "tests/support/sound_server.h"

namespace dovrik {
namespace {

using testing::ProbeClock;

// A key that changes at fixed instants of the steady clock, from the moment
// Begin is called (up before). The gaps vary between 25 and 56 ms and fall
// at every phase of the timer's 5 ms grid. Begin runs before the sampler
// starts; the timer thread then only reads the schedule.
class ScheduledKey : public KeyInput {
 public:
  explicit ScheduledKey(int changes) : count_(changes) {}
  void Begin(ProbeClock::time_point start) {
    uint32_t seed = 12345;
    ProbeClock::time_point at = start;
    for (int i = 0; i < count_; ++i) {
      seed = seed * 1103515245u + 12345u;
      at += std::chrono::microseconds(25000 + (seed >> 8) % 31000);
      changes_.push_back(at);
    }
  }
  bool IsDown() override {
    const auto passed =
        std::upper_bound(changes_.begin(), changes_.end(), ProbeClock::now()) - changes_.begin();
    return passed % 2 == 1;
  }
  const std::vector<ProbeClock::time_point>& Changes() const { return changes_; }

 private:
  const int count_;
  std::vector<ProbeClock::time_point> changes_;
};

// What one run of keying measured.
struct KeyToDeviceFigures {
  std::vector<double> latenciesMs;
  int unmatched = 0;
  double periodMs = 0;
  uint32_t underruns = 0;
  int32_t largestLeadBytes = 0;
  int32_t finalLeadBytes = 0;
  std::string error;
};

// Keys 240 changes into the real sampler on the real 5 ms timer and the SDL
// side-tone buffer on whatever driver SDL has been switched to, and matches
// each change the sampler saw to the moment its block reached the device.
KeyToDeviceFigures KeyAgainstTheDevice(const std::function<void()>& whilePlaying = {}) {
  constexpr int kChanges = 240;
  KeyToDeviceFigures figures;
  SteadyClock clock;
  ScheduledKey key(kChanges);
  SdlAudioSystem sdl;
  testing::SideToneProbe probe(key, sdl);
  {
    auto device = probe.Audio().CreateSoundDevice();
    auto buffer = device ? device->CreateLoopingBuffer(kSideToneBufferBytes) : nullptr;
    if (!buffer) {
      figures.error = "no side-tone device";
      return figures;
    }
    KeySamplerState sampler{};
    sampler.buffer = buffer.get();
    sampler.clock = &clock;
    sampler.key = &probe.Key();
    sampler.phaseStep = PhaseStepForTone(900);
    sampler.rampLength = RampLengthForAttack(5);
    sampler.pauseTimeout = 1952;
    key.Begin(ProbeClock::now() + std::chrono::milliseconds(300));
    std::atomic<int32_t> largestLead{0};
    ThreadTimerService timers;
    LoopingSoundBuffer* const side = buffer.get();
    auto timer = timers.StartPeriodic(kKeySamplerPeriodMs, [&sampler, &largestLead, side] {
      KeySampler(sampler);
      const int32_t lead = side->Lead();
      if (lead > largestLead.load(std::memory_order_relaxed)) {
        largestLead.store(lead, std::memory_order_relaxed);
      }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    buffer->Play();
    std::this_thread::sleep_until(key.Changes()[kChanges / 2]);
    if (whilePlaying) whilePlaying();
    std::this_thread::sleep_until(key.Changes().back() + std::chrono::milliseconds(100));
    timer.reset();
    figures.underruns = buffer->Underruns();
    figures.largestLeadBytes = largestLead.load();
    figures.finalLeadBytes = buffer->Lead();
    buffer->Stop();
  }
  figures.periodMs = probe.PeriodBytes() * 1000.0 / kBytesPerSecond;
  // Each change the sampler saw belongs to the last scheduled change
  // before it read the key. A stalled timer can miss a short press
  // altogether; such changes are counted, not measured.
  const std::vector<ProbeClock::time_point>& scheduled = key.Changes();
  std::vector<bool> matched(scheduled.size(), false);
  for (const auto& change : probe.Changes()) {
    const auto after = std::upper_bound(scheduled.begin(), scheduled.end(), change.readAt);
    if (after == scheduled.begin()) continue;
    size_t k = static_cast<size_t>(after - scheduled.begin()) - 1;
    // Even changes press the key. A change that fell between the key's
    // clock reading and the probe's is the one before.
    if ((k % 2 == 0) != change.down) {
      if (k == 0) continue;
      --k;
    }
    const testing::HandedBlock handed = probe.Handed(change, kSideToneBufferBytes);
    if (!handed.found || matched[k]) continue;
    matched[k] = true;
    figures.latenciesMs.push_back(
        std::chrono::duration<double, std::milli>(handed.handedAt - scheduled[k]).count());
  }
  figures.unmatched = static_cast<int>(std::count(matched.begin(), matched.end(), false));
  return figures;
}

void BM_KeyToDevice(benchmark::State& state) {
  ScopedAudioDriver driver("dummy");
  if (!driver.ok()) {
    state.SkipWithError("SDL's dummy audio driver is not available");
    return;
  }
  KeyToDeviceFigures figures;
  for (auto _ : state) figures = KeyAgainstTheDevice();
  if (!figures.error.empty()) {
    state.SkipWithError(figures.error.c_str());
    return;
  }
  state.counters["key_to_device_p50_ms"] = Percentile(figures.latenciesMs, 0.50);
  state.counters["key_to_device_p95_ms"] = Percentile(figures.latenciesMs, 0.95);
  state.counters["key_to_device_max_ms"] = Percentile(figures.latenciesMs, 1.0);
  state.counters["key_changes"] = static_cast<double>(figures.latenciesMs.size());
  state.counters["key_changes_unmatched"] = figures.unmatched;
  state.counters["device_period_ms"] = figures.periodMs;
  state.counters["underruns"] = figures.underruns;
}
BENCHMARK(BM_KeyToDevice)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

// The same on a real sound server of our own with a null sink: PulseAudio
// through SDL's pulseaudio driver (argument 0), PipeWire through its
// PulseAudio service (argument 1) or through SDL's own pipewire driver
// (argument 2). The server has been idle for two seconds first, as
// a desktop's sink often has. "Handed to the device" is handed to the
// server's client library; the sink's own latency, as pactl reports it
// half way through, is printed.
void BM_ServerKeyToDevice(benchmark::State& state) {
  const std::string kind = state.range(0) == 0 ? "pulse" : "pipewire";
  const char* sdlDriver = state.range(0) == 2 ? "pipewire" : "pulseaudio";
  testing::SoundServer server(kind);
  if (!server.ok()) {
    state.SkipWithError(("no " + kind + " server: " + server.Error()).c_str());
    return;
  }
  std::this_thread::sleep_for(std::chrono::seconds(2));
  ScopedAudioDriver driver(sdlDriver);
  if (!driver.ok()) {
    state.SkipWithError((std::string("SDL's ") + sdlDriver + " driver is not available").c_str());
    return;
  }
  KeyToDeviceFigures figures;
  std::string latencies;
  for (auto _ : state) figures = KeyAgainstTheDevice([&] { latencies = server.Latencies(); });
  if (!figures.error.empty()) {
    state.SkipWithError(figures.error.c_str());
    return;
  }
  std::printf("%s while keying:\n%s", kind.c_str(), latencies.c_str());
  state.counters["server_key_to_device_p50_ms"] = Percentile(figures.latenciesMs, 0.50);
  state.counters["server_key_to_device_p95_ms"] = Percentile(figures.latenciesMs, 0.95);
  state.counters["server_key_to_device_max_ms"] = Percentile(figures.latenciesMs, 1.0);
  state.counters["server_underruns"] = figures.underruns;
  state.counters["server_key_changes"] = static_cast<double>(figures.latenciesMs.size());
  state.counters["server_key_changes_unmatched"] = figures.unmatched;
  state.counters["server_lead_largest_ms"] = figures.largestLeadBytes * 1000.0 / kBytesPerSecond;
  state.counters["server_lead_final_ms"] = figures.finalLeadBytes * 1000.0 / kBytesPerSecond;
  state.counters["server_device_period_ms"] = figures.periodMs;
}
BENCHMARK(BM_ServerKeyToDevice)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// A looping buffer with nothing around the bytes, so that the tick's own
// work is what is measured.
class BareBuffer : public LoopingSoundBuffer {
 public:
  uint32_t Size() const override { return kSideToneBufferBytes; }
  bool GetCurrentPosition(uint32_t& playCursor, uint32_t& writeCursor) override {
    playCursor = writeCursor = 43000;  // the attack block wraps at the end
    return true;
  }
  LockedRegions Lock(uint32_t offset, uint32_t bytes) override {
    LockedRegions regions;
    regions.firstBytes = std::min(bytes, kSideToneBufferBytes - offset);
    regions.secondBytes = bytes - regions.firstBytes;
    regions.first = bytes_ + offset;
    regions.second = regions.secondBytes > 0 ? bytes_ : nullptr;
    return regions;
  }
  void Unlock(const LockedRegions&) override {}
  void Play() override {}
  void Stop() override {}
  int16_t FirstSample() const {
    int16_t sample;
    std::memcpy(&sample, bytes_ + 43002, sizeof sample);
    return sample;
  }

 private:
  alignas(int16_t) uint8_t bytes_[kSideToneBufferBytes] = {};
};

// One tick that starts a tone: 662 ramped sine samples. The time column is
// the cost of one attack tick on the timer thread, in microseconds.
void BM_AttackTick(benchmark::State& state) {
  testing::ManualClock clock;
  testing::FakeKey key;
  BareBuffer buffer;
  auto sampler = std::make_unique<KeySamplerState>();
  sampler->buffer = &buffer;
  sampler->clock = &clock;
  sampler->key = &key;
  sampler->phaseStep = PhaseStepForTone(900);
  sampler->rampLength = RampLengthForAttack(75);  // the longest ramp
  key.Set(true);
  for (auto _ : state) {
    sampler->toneState = Silent;
    sampler->pollAfter = 0;
    clock.Advance(5);
    KeySampler(*sampler);
    benchmark::DoNotOptimize(buffer.FirstSample());
  }
}
BENCHMARK(BM_AttackTick)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace dovrik
