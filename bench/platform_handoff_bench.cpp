// Side-tone hand-off latency: how long a sample written at the looping
// buffer's write cursor waits before SDL's callback hands it to the device.
// This is the platform's share of the key-to-ear delay; the device period
// (128 frames, 5.8 ms) bounds it. Runs on SDL's dummy driver with the real
// 5 ms timer thread writing, as the key sampler does.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "bench/percentile.h"
#include "platform/audio_format.h"
#include "platform/sdl/sdl_audio_system.h"
#include "platform/thread_timer_service.h"
#include "tests/support/sdl_test_support.h"

namespace dovrik {
namespace {

using SteadyTime = std::chrono::steady_clock;

void BM_SideToneHandoff(benchmark::State& state) {
  const size_t wanted = static_cast<size_t>(state.range(0));
  ScopedAudioDriver driver("dummy");
  if (!driver.ok()) {
    state.SkipWithError("SDL's dummy audio driver is not available");
    return;
  }
  SdlAudioSystem audio;
  auto device = audio.CreateSoundDevice();
  auto buffer = device ? device->CreateLoopingBuffer(kBytesPerSecond) : nullptr;
  if (!buffer) {
    state.SkipWithError("no side-tone buffer");
    return;
  }
  buffer->Play();
  ThreadTimerService timers;

  // One marker in flight at a time: the tick writes it, this thread watches
  // the write cursor move past it.
  std::atomic<bool> pending{false};
  std::atomic<uint32_t> markerOffset{0};
  std::atomic<int64_t> writtenAtNs{0};
  int16_t markerValue = 1;  // timer thread only

  for (auto _ : state) {
    std::vector<double> latenciesMs;
    latenciesMs.reserve(wanted);
    auto timer = timers.StartPeriodic(5, [&] {
      if (pending.load(std::memory_order_acquire)) return;
      uint32_t play = 0;
      uint32_t write = 0;
      buffer->GetCurrentPosition(play, write);
      const LockedRegions regions = buffer->Lock(write, 2);
      if (!regions.Granted()) return;
      uint32_t stillWrite = 0;
      buffer->GetCurrentPosition(play, stillWrite);
      if (stillWrite == write) {  // not handed out between reading and locking
        *static_cast<int16_t*>(regions.first) = markerValue;
        markerValue = static_cast<int16_t>(markerValue % 30000 + 1);
        markerOffset.store(write, std::memory_order_relaxed);
        writtenAtNs.store(SteadyTime::now().time_since_epoch().count(), std::memory_order_relaxed);
        pending.store(true, std::memory_order_release);
      }
      buffer->Unlock(regions);
    });
    if (!timer) {
      state.SkipWithError("no timer");
      return;
    }
    while (latenciesMs.size() < wanted) {
      if (pending.load(std::memory_order_acquire)) {
        uint32_t play = 0;
        uint32_t write = 0;
        buffer->GetCurrentPosition(play, write);
        if (write != markerOffset.load(std::memory_order_relaxed)) {
          const int64_t now = SteadyTime::now().time_since_epoch().count();
          const auto waited = SteadyTime::duration(now - writtenAtNs.load());
          latenciesMs.push_back(std::chrono::duration<double, std::milli>(waited).count());
          pending.store(false, std::memory_order_release);
        }
      }
      std::this_thread::sleep_for(std::chrono::microseconds(20));
    }
    timer.reset();
    state.counters["handoff_p50_ms"] = Percentile(latenciesMs, 0.50);
    state.counters["handoff_p95_ms"] = Percentile(latenciesMs, 0.95);
    state.counters["handoff_max_ms"] = Percentile(latenciesMs, 1.0);
    state.counters["writes"] = double(latenciesMs.size());
  }
  buffer->Stop();
}

BENCHMARK(BM_SideToneHandoff)
    ->Arg(300)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace dovrik
