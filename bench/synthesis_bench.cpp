// How much faster than real time the group synthesis runs. A group must be
// ready before the buffer playing meanwhile runs out, so `realtime_ratio`
// (playing time of the samples made / time taken to make them) must stay
// well above 1 on one core.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/audio_format.h"
#include "sender/group_synthesis.h"
#include "sender/random_source.h"
#include "tables/character_table.h"

namespace dovrik {
namespace {

const SendingSliders kDefault{};                                    // 12 groups/min, no noise
const SendingSliders kSlowestWidest{6, 5, 4, 4, 1500, 75, 50, 50};  // longest group, jitter, noise

// Five random characters of the whole table, drawn the way the exercise
// draws them, from a fixed seed so every run measures the same group.
std::vector<const char*> RandomGroup() {
  RandomSource random(2024);
  std::vector<const char*> patterns;
  for (int i = 0; i < 5; ++i)
    patterns.push_back(CharacterTable[random.Next() % kCharacterCount].pattern);
  return patterns;
}

// Five zeros: all dashes, the most tone (one sine per sample) per group.
std::vector<const char*> DenseGroup() {
  return std::vector<const char*>(5, "-----");
}

void SynthesizeOneGroup(benchmark::State& state, const SendingSliders& sliders,
                        const std::vector<const char*>& patterns) {
  const SendingParameters parameters = DeriveSendingParameters(sliders);
  std::vector<int16_t> buffer(static_cast<size_t>(parameters.capacity));
  NoiseCursor cursor(0);
  int64_t samples = 0;
  for (auto _ : state) {
    const std::optional<int32_t> count = SynthesizeGroup(patterns, buffer, parameters, cursor);
    if (!count) {
      state.SkipWithError("the group does not fit");
      return;
    }
    samples += *count;
    benchmark::DoNotOptimize(buffer.data());
    benchmark::ClobberMemory();
  }
  // Seconds of sound per second of synthesis.
  state.counters["realtime_ratio"] = benchmark::Counter(
      static_cast<double>(samples) / static_cast<double>(kSampleRate), benchmark::Counter::kIsRate);
  state.counters["group_samples"] =
      benchmark::Counter(static_cast<double>(samples) / static_cast<double>(state.iterations()));
}

void BM_SynthesizeGroupDefaultRandom(benchmark::State& state) {
  SynthesizeOneGroup(state, kDefault, RandomGroup());
}
void BM_SynthesizeGroupDefaultAllDashes(benchmark::State& state) {
  SynthesizeOneGroup(state, kDefault, DenseGroup());
}
void BM_SynthesizeGroupSlowestWidestRandom(benchmark::State& state) {
  SynthesizeOneGroup(state, kSlowestWidest, RandomGroup());
}
void BM_SynthesizeGroupSlowestWidestAllDashes(benchmark::State& state) {
  SynthesizeOneGroup(state, kSlowestWidest, DenseGroup());
}

BENCHMARK(BM_SynthesizeGroupDefaultRandom)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SynthesizeGroupDefaultAllDashes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SynthesizeGroupSlowestWidestRandom)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SynthesizeGroupSlowestWidestAllDashes)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace dovrik
