// Writing a practice file: the whole sending exercise at the default
// settings (every character ticked, no preamble) synthesised and written as
// a WAV file with its answer key, flat out. `practice_realtime_ratio` is the
// audio written per second of wall-clock time; an hour of audio in two
// seconds is 1800.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/audio_format.h"
#include "practice/practice_file.h"
#include "tables/character_table.h"

namespace dovrik {
namespace {

constexpr int32_t kGroups = 100;  // about eight and a half minutes at 12 groups a minute

void BM_PracticeFileWavDefault(benchmark::State& state) {
  char folder[] = "/tmp/dovrik-bench-XXXXXX";
  if (mkdtemp(folder) == nullptr) {
    state.SkipWithError("no temporary folder");
    return;
  }
  const std::string path = std::string(folder) + "/lesson.wav";

  PracticeSettings settings;  // the sliders' defaults
  settings.sending.groups = kGroups;
  for (int row = 0; row < kCharacterCount; ++row)
    settings.ticked.rows[static_cast<size_t>(settings.ticked.count++)] = static_cast<uint8_t>(row);

  int64_t samples = 0;
  uint32_t seed = 1;
  for (auto _ : state) {
    RandomSource random(seed);
    const PracticeFileResult result = WritePracticeFile(path, settings, random, seed);
    ++seed;
    if (!result.written) {
      state.SkipWithError(result.error.c_str());
      break;
    }
    samples += result.recording.samples;
  }
  std::remove(path.c_str());
  std::remove(AnswerKeyPath(path).c_str());
  rmdir(folder);

  state.counters["practice_realtime_ratio"] = benchmark::Counter(
      static_cast<double>(samples) / static_cast<double>(kSampleRate), benchmark::Counter::kIsRate);
  state.counters["audio_seconds"] =
      benchmark::Counter(static_cast<double>(samples) / static_cast<double>(kSampleRate) /
                         static_cast<double>(state.iterations()));
}

// Wall-clock time: the file is written on the calling thread, but the disk
// does its part beside it.
BENCHMARK(BM_PracticeFileWavDefault)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace dovrik
