// The lessons' two costs that a learner could feel: synthesising a whole
// 10-minute lesson (lesson 38, 20/10 WPM, the default tone with noise and
// jitter so that every part of the synthesis works) into memory pieces, and
// scoring the copy of a 10-minute lesson (2,500 characters, a mistake in
// every group).
//
// `lesson_synthesis_ratio` is audio seconds per CPU second (at least 2,000
// wanted); `score_copy_ms` the CPU milliseconds of one scoring.

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "lessons/course.h"
#include "lessons/lesson_sound.h"
#include "lessons/scoring.h"
#include "lessons/text_generator.h"
#include "platform/audio_format.h"
#include "sender/timed_synthesis.h"

namespace dovrik {
namespace {

void BM_LessonSynthesis(benchmark::State& state) {
  LessonSettings settings;
  settings.noise = 20;
  settings.jitter = 5;
  settings.minutes = 10;
  const LessonTiming timing = *FarnsworthTiming(settings.charWpm, settings.effectiveWpm, nullptr);
  TextRequest request;
  request.set = *LessonCharacterSet(kLastLesson);
  request.minutes = settings.minutes;
  request.timing = timing;
  request.seed = 38;
  const std::string text = GenerateLessonText(request);
  const std::vector<TimedSpan> spans = LessonSpans(text, timing);
  const TimedTone tone = LessonTone(settings, timing);
  std::vector<int16_t> piece(kSampleRate);

  int64_t samples = 0;
  for (auto _ : state) {
    NoiseCursor cursor(1);
    TimedSynthesis synthesis(spans, tone, cursor);
    while (synthesis.Fill(piece) > 0) benchmark::DoNotOptimize(piece.data());
    samples += synthesis.Written();
  }
  state.counters["lesson_synthesis_ratio"] =
      benchmark::Counter(static_cast<double>(samples) / kSampleRate, benchmark::Counter::kIsRate);
  state.counters["audio_seconds"] = benchmark::Counter(static_cast<double>(samples) / kSampleRate /
                                                       static_cast<double>(state.iterations()));
}
BENCHMARK(BM_LessonSynthesis)->Name("lesson_synthesis_ratio")->Unit(benchmark::kMillisecond);

void BM_ScoreCopy(benchmark::State& state) {
  std::mt19937 random(2500);
  const std::string alphabet(kKochOrder);
  std::string sent, typed;
  while (sent.size() < 2500) {
    if (!sent.empty()) {
      sent += ' ';
      typed += ' ';
    }
    std::string group;
    for (int k = 0; k < 5; ++k) group += alphabet[random() % alphabet.size()];
    sent += group;
    // One mistake a group: a wrong character, a missed one or an extra one.
    switch (random() % 3) {
      case 0:
        group[random() % 5] = 'E';
        break;
      case 1:
        group.erase(random() % 5, 1);
        break;
      default:
        group.insert(random() % 5, 1, 'T');
        break;
    }
    typed += group;
  }
  for (auto _ : state) benchmark::DoNotOptimize(ScoreCopy(sent, typed));
  state.counters["characters"] = static_cast<double>(sent.size());
}
// score_copy_ms: the time column, in milliseconds of CPU.
BENCHMARK(BM_ScoreCopy)->Name("score_copy_ms")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace dovrik
