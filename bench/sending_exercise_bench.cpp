// One whole sending exercise (speed 36, 25 groups, every character ticked)
// against a wave-out device that finishes each buffer as soon as the next
// one is queued, so the exercise runs flat out. Reports the exercise
// thread's CPU time against the playing time of everything it queued, and
// the longest time from a buffer finishing to the next one being queued
// against the shortest group's playing time.

#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/audio_format.h"
#include "platform/messages.h"
#include "sender/sending_exercise.h"
#include "tables/character_table.h"
#include "tables/slider_table.h"
#include "tests/support/fake_worker_context.h"

namespace dovrik {
namespace {

constexpr int kGroups = 25;
constexpr size_t kWrites = 2 + kGroups;  // two lead-in buffers, then the groups
constexpr uint32_t kForeignMessage = 0x0113;

double ThreadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

void BM_SendingExerciseSpeed36(benchmark::State& state) {
  double cpuSeconds = 0;
  double playSeconds = 0;
  double longestGapMs = 0;
  double shortestGroupMs = 1e9;
  for (auto _ : state) {
    testing::WorkerTestContext parts(static_cast<uint32_t>(state.iterations()) + 1);
    const std::pair<int, int> sliders[] = {
        {kSpeedScrollBarId, 36},    {kGroupsScrollBarId, kGroups}, {kRatioScrollBarId, 3},
        {kCharSpaceScrollBarId, 1}, {kGroupSpaceScrollBarId, 1},   {kToneScrollBarId, 900},
        {kJitterScrollBarId, 0},    {kAttackScrollBarId, 5},       {kVolumeScrollBarId, 100},
        {kNoiseScrollBarId, 20}};
    for (auto [id, value] : sliders) parts.dialog.SetScroll(id, value);
    for (int row = 0; CharacterTable[row].buttonId != 0; ++row) {
      parts.dialog.SetTicked(CharacterTable[row].buttonId, true);
    }
    parts.device.KeepSamples(false);

    double exerciseCpu = 0;
    std::thread exercise([&] {
      const double start = ThreadCpuSeconds();
      RunSendingExercise(parts.context);
      exerciseCpu = ThreadCpuSeconds() - start;
    });
    // Finish buffer k once buffer k + 1 is queued (the last when it is
    // queued). The foreign message shields the exercise's overrun check.
    for (size_t k = 0; k < kWrites; ++k) {
      if (!parts.device.WaitForWrites(std::min(k + 2, kWrites))) break;
      parts.queue.Post(kForeignMessage);
      parts.device.FinishOldest();
    }
    exercise.join();

    const auto writes = parts.device.Writes();
    const auto finishes = parts.device.FinishTimes();
    if (writes.size() != kWrites || !parts.dialog.Warnings().empty()) {
      state.SkipWithError("the exercise did not play all its groups");
      return;
    }
    cpuSeconds += exerciseCpu;
    for (const auto& write : writes) {
      playSeconds += static_cast<double>(write.bytes) / kBytesPerSecond;
    }
    for (size_t k = 2; k < writes.size(); ++k) {
      const std::chrono::duration<double, std::milli> gap = writes[k].when - finishes[k - 2];
      longestGapMs = std::max(longestGapMs, gap.count());
      shortestGroupMs = std::min(shortestGroupMs, 1000.0 * writes[k].bytes / kBytesPerSecond);
    }
  }
  state.counters["cpu_s"] = benchmark::Counter(cpuSeconds, benchmark::Counter::kAvgIterations);
  state.counters["play_s"] = benchmark::Counter(playSeconds, benchmark::Counter::kAvgIterations);
  state.counters["cpu_per_play"] = cpuSeconds / playSeconds;
  state.counters["longest_gap_ms"] = longestGapMs;
  state.counters["shortest_group_ms"] = shortestGroupMs;
  state.counters["gap_per_group"] = longestGapMs / shortestGroupMs;
}
BENCHMARK(BM_SendingExerciseSpeed36)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace dovrik
