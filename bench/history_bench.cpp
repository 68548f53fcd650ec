// Saving attempts to the history: a real SQLite file in a temporary folder,
// in WAL mode with every commit synced to the disk, growing by one attempt
// per iteration. Each attempt is the largest a lesson makes: ten minutes of
// copy (2,500 characters sent and typed), all 39 characters' results and 20
// confusions. `history_insert_ms` is the 95th percentile of the time one Add
// takes, from the call to its return (the commit on the disk included).

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/percentile.h"
#include "history/history_store.h"

namespace dovrik {
namespace {

using SteadyTime = std::chrono::steady_clock;

const std::string kCourse = "KMURESNAPTLWIJZ=FOYVG5/Q92H38B?47C1D60X";

Attempt TenMinuteCopy(int n) {
  Attempt attempt;
  attempt.timeUtcMs = NowUtcMs();
  attempt.exercise = "copy";
  attempt.lesson = 38;
  attempt.characterSet = kCourse;
  attempt.charWpm = 20;
  attempt.effectiveWpm = 10;
  attempt.minutes = 10;
  for (int i = 0; i < 2500; ++i) {
    attempt.sentText += (i % 6 == 5) ? ' ' : kCourse[static_cast<size_t>((n * 7 + i) % 39)];
  }
  attempt.typedText = attempt.sentText;
  for (size_t i = 3; i < attempt.typedText.size(); i += 97) attempt.typedText[i] = 'E';
  attempt.score = 0.97;
  for (size_t i = 0; i < kCourse.size(); ++i) {
    attempt.perChar.push_back({kCourse.substr(i, 1), 55, 53});
  }
  for (size_t i = 0; i < 20; ++i) attempt.confusions.push_back({kCourse.substr(i, 1), "E", 1});
  return attempt;
}

void BM_HistoryInsert(benchmark::State& state) {
  char folder[] = "/tmp/dovrik-bench-XXXXXX";
  if (mkdtemp(folder) == nullptr) {
    state.SkipWithError("no temporary folder");
    return;
  }
  const std::string path = std::string(folder) + "/history.sqlite3";
  std::vector<double> insertMs;
  {
    HistoryStore store = HistoryStore::Open(path);
    if (!store.Usable()) {
      state.SkipWithError(store.Problem().c_str());
      return;
    }
    int n = 0;
    for (auto _ : state) {
      state.PauseTiming();
      Attempt attempt = TenMinuteCopy(n++);
      state.ResumeTiming();
      const SteadyTime::time_point start = SteadyTime::now();
      std::string error;
      const bool saved = store.Add(attempt, &error);
      insertMs.push_back(
          std::chrono::duration<double, std::milli>(SteadyTime::now() - start).count());
      if (!saved) {
        state.SkipWithError(error.c_str());
        break;
      }
    }
  }
  for (const char* suffix : {"", "-wal", "-shm"}) std::remove((path + suffix).c_str());
  rmdir(folder);
  if (!insertMs.empty()) {
    state.counters["history_insert_ms"] = Percentile(insertMs, 0.95);
    state.counters["history_insert_p50_ms"] = Percentile(insertMs, 0.50);
    state.counters["history_insert_max_ms"] = Percentile(insertMs, 1.0);
  }
}

// Wall-clock time: most of an Add is the disk's sync.
BENCHMARK(BM_HistoryInsert)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(500);

}  // namespace
}  // namespace dovrik
