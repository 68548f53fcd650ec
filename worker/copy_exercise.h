#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/exercise_context.h"

namespace dovrik {

// One copy exercise as the lessons window asks for it. `synthesize` runs on
// the worker thread and returns the lesson's whole sound (16-bit mono at
// 22,050 Hz), whose first `leadInSamples` are the lead-in before the first
// character; it must not touch anything of the window.
struct CopyLesson {
  std::function<std::vector<int16_t>()> synthesize;
  int64_t leadInSamples = 0;
  uint32_t deviceVolume = 0xFFFFFFFFu;  // as WaveOut::SetVolume takes it
};

// How a copy exercise ended, for the window once MSG_COPY_ENDED arrives.
struct CopyOutcome {
  int64_t lessonSamples = 0;  // the sound's length, lead-in not counted
  int64_t playedSamples = 0;  // of it (lead-in not counted), handed to the device
  bool stoppedEarly = false;
  std::string failure;  // empty, or one sentence ("No audio output")
};

// The hand-over between the window (UI thread) and the worker: the window
// puts the lesson here and then posts MSG_START_COPY; the worker takes it,
// plays it and leaves the outcome here before it replies. Any thread.
class CopyExerciseBoard {
 public:
  void Hand(CopyLesson lesson);
  std::optional<CopyLesson> Take();
  void Report(CopyOutcome outcome);
  CopyOutcome Outcome() const;
  // Lesson samples handed to the device so far; grows while it plays.
  int64_t PlayedSamples() const { return played_.load(std::memory_order_acquire); }
  void SetPlayedSamples(int64_t samples) { played_.store(samples, std::memory_order_release); }

 private:
  mutable std::mutex mutex_;
  std::optional<CopyLesson> lesson_;
  CopyOutcome outcome_;
  std::atomic<int64_t> played_{0};
};

// Each buffer written to the wave-out device holds a fifth of a second.
inline constexpr int64_t kCopyChunkSamples = 4410;

// Worker thread. Takes the board's lesson (none: ends at once), synthesises
// it, and plays it through a wave-out device in a
// few buffers that take turns, until the end or MSG_STOP_EXERCISE. Every
// other message met meanwhile is discarded, as in the sending exercise. The
// outcome is left on the board; a device that cannot be opened or written
// ends the exercise with "No audio output". The worker posts MSG_COPY_ENDED
// afterwards.
void RunCopyExercise(ExerciseContext& context, CopyExerciseBoard& board);

}  // namespace dovrik
