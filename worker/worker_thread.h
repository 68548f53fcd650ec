#pragma once

#include <functional>

#include "platform/exercise_context.h"

namespace dovrik {

// The exercise routines the worker runs on request. The program wires in
// RunSendingExercise, RunKeyingExercise and the lessons window's copy
// exercise; tests wire in scripted ones. An empty routine ends at once (the
// reply still follows: MSG_COPY_ENDED after a copy exercise, which the
// lessons window started, MSG_EXERCISE_ENDED after the others).
struct ExerciseRoutines {
  std::function<void(ExerciseContext&)> sending{};
  std::function<void(ExerciseContext&)> keying{};
  std::function<void(ExerciseContext&)> copy{};
};

// Worker thread. Takes the requests from context.queue, one at a time, and runs
// each start request's exercise to its end, replying MSG_EXERCISE_ENDED after
// every one. Every other message met while idle (a stop request that came too
// late, a late MM_WOM_DONE) is ignored. Returns right after posting
// MSG_APP_QUIT, which happens on MSG_WORKER_QUIT and also when the queue can
// no longer deliver anything (ThreadQueue::Get fails once it is closed and
// empty): no request can reach the worker any more, so it reports that it has
// stopped and the program can still end in order, instead of spinning.
void RunWorkerIdleLoop(ExerciseContext& context, const ExerciseRoutines& routines);

// The worker thread's routine: the idle loop, then blocks for good. Never
// returns. Once MSG_APP_QUIT is posted it touches nothing at all, neither the
// context nor any static object, so the program may return from main (and
// tear down its statics) while this thread is still blocked; it is never
// joined.
[[noreturn]] void WorkerThreadProc(ExerciseContext& context, ExerciseRoutines routines);

}  // namespace dovrik
