#include "worker/worker_thread.h"

#include <chrono>
#include <thread>

#include "platform/dialog_controls.h"
#include "platform/messages.h"
#include "platform/thread_queue.h"

namespace dovrik {
namespace {

void RunExercise(ExerciseContext& context, const std::function<void(ExerciseContext&)>& routine,
                 uint32_t reply = MSG_EXERCISE_ENDED) {
  if (routine) routine(context);
  // However the exercise ended, the window that started it returns to idle
  // on this reply.
  context.poster.PostToDialog(reply);
}

}  // namespace

void RunWorkerIdleLoop(ExerciseContext& context, const ExerciseRoutines& routines) {
  QueuedMessage request;
  while (context.queue.Get(request) && request.message != MSG_WORKER_QUIT) {
    if (request.message == MSG_START_SENDING) {
      RunExercise(context, routines.sending);
    } else if (request.message == MSG_START_KEYING) {
      RunExercise(context, routines.keying);
    } else if (request.message == MSG_START_COPY) {
      RunExercise(context, routines.copy, MSG_COPY_ENDED);
    }
  }
  context.poster.PostToDialog(MSG_APP_QUIT);
}

void WorkerThreadProc(ExerciseContext& context, ExerciseRoutines routines) {
  RunWorkerIdleLoop(context, routines);
  // Blocked for good: the process ends around this thread. Sleeping needs no
  // object of the program, so static destruction cannot pull anything away.
  for (;;) std::this_thread::sleep_for(std::chrono::hours(24));
}

}  // namespace dovrik
