#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/exercise_context.h"

namespace dovrik {

// Where the sending exercise gets the sample memory of its two playback
// buffers. Allocate gives a block of `samples` 16-bit samples, or null when
// there is no memory; it never throws. Worker thread.
class SampleAllocator {
 public:
  virtual ~SampleAllocator() = default;
  virtual int16_t* Allocate(size_t samples) = 0;
  virtual void Free(int16_t* block) = 0;
};

// The heap, without exceptions (new (std::nothrow)).
class HeapSampleAllocator : public SampleAllocator {
 public:
  int16_t* Allocate(size_t samples) override;
  void Free(int16_t* block) override;
};

// The sending exercise: random five-character groups of the ticked
// characters, played through the wave-out device in two alternating buffers
// after a two-second lead-in, each group's text appended to the output box as
// the group starts to sound. Reads its settings from the dialog once, at the
// start. Returns when the last group has played, on MSG_STOP_EXERCISE, or
// after an error box; nothing of it survives the call. Worker thread only;
// the worker posts MSG_EXERCISE_ENDED afterwards.
//
// It takes messages from context.queue only while it runs and never drains
// it on the way out: a request posted while an error box is showing stays
// for the worker's idle loop. A failed audio write (or a failed prepare)
// stops the sound, shows "No audio output" and tears down, since the buffer
// would never come back; a failed message retrieval (the queue is closed)
// tears down without a message.
void RunSendingExercise(ExerciseContext& context);

// The same with the buffers' memory from `allocator` (tests inject failures).
void RunSendingExercise(ExerciseContext& context, SampleAllocator& allocator);

}  // namespace dovrik
