#pragma once

#include "keyer/keyer_settings.h"

namespace dovrik {

class AudioSystem;
class Clock;
class DialogControls;
class DialogPoster;
class KeyInput;
class RandomSource;
class ThreadQueue;
class TimerService;

// Everything an exercise reaches outside itself. Owned by the program (or a
// test); the exercises only borrow it, on the worker thread.
struct ExerciseContext {
  ThreadQueue& queue;      // the worker's own queue
  DialogControls& dialog;  // the main dialog's controls
  DialogPoster& poster;    // replies to the dialog
  AudioSystem& audio;
  TimerService& timers;
  Clock& clock;
  KeyInput& key;
  RandomSource& random;
  // The keyer of this run: the settings file's, the command line's option
  // over it. Set before the worker starts and only read afterwards.
  KeyerSettings keyer{};
};

}  // namespace dovrik
