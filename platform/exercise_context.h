#pragma once

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
  ThreadQueue& queue;        // the worker's own queue
  DialogControls& dialog;    // the main dialog's controls
  DialogPoster& poster;      // replies to the dialog
  AudioSystem& audio;
  TimerService& timers;
  Clock& clock;
  KeyInput& key;
  RandomSource& random;
};

}  // namespace dovrik
