#include "platform/real_time.h"

#include <pthread.h>
#include <sched.h>

namespace dovrik {

void AskForRealTimeScheduling() {
  constexpr int kPriority = 3;
  sched_param parameters{};
  parameters.sched_priority = kPriority;
  pthread_setschedparam(pthread_self(), SCHED_FIFO | SCHED_RESET_ON_FORK, &parameters);
}

}  // namespace dovrik
