#pragma once

#include "platform/exercise_context.h"
#include "platform/thread_queue.h"
#include "platform/thread_timer_service.h"
#include "sender/random_source.h"
#include "tests/support/fake_dialog.h"

namespace dovrik::testing {

// What a keying exercise on the real 5 ms timer borrows besides its audio,
// clock and key: the worker's queue, a control store holding the exercise's
// four settings (speed 12, ratio 3), a reply recorder and a seeded
// RandomSource. Declare it after the audio system, so that the timers stop
// before the audio goes.
struct KeyingRig {
  KeyingRig(int toneHz, int attackTenthsMs) {
    dialog.SetScroll(1019, toneHz);
    dialog.SetScroll(1021, attackTenthsMs);
    dialog.SetScroll(1005, 12);  // speed
    dialog.SetScroll(1009, 3);   // ratio
  }
  ExerciseContext Context(AudioSystem& audio, Clock& clock, KeyInput& key) {
    return {queue, dialog, poster, audio, timers, clock, key, random};
  }

  ThreadTimerService timers;
  ThreadQueue queue;
  FakeDialog dialog;
  FakePoster poster;
  RandomSource random{1};
};

}  // namespace dovrik::testing
