#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/clock.h"
#include "platform/exercise_context.h"
#include "platform/key_input.h"
#include "platform/periodic_timer.h"
#include "platform/thread_queue.h"
#include "sender/random_source.h"
#include "tests/support/fake_dialog.h"
#include "tests/support/fake_wave_out.h"

namespace dovrik::testing {

// Everything the worker and the sending exercise borrow, made of fakes: the
// worker's queue, a control store, a reply recorder, the scripted wave-out
// device, a clock the test sets, and a seeded RandomSource. The key and the
// timers are there only because the context carries them; the sending
// exercise uses neither (no timer starts, the key is always up).
struct WorkerTestContext {
  class SetClock : public Clock {
   public:
    uint32_t NowMs() override { return now.load(); }
    std::atomic<uint32_t> now{0};
  };
  class NoTimers : public TimerService {
   public:
    std::unique_ptr<PeriodicTimer> StartPeriodic(int, std::function<void()>) override {
      return nullptr;
    }
  };
  class KeyUp : public KeyInput {
   public:
    bool IsDown() override { return false; }
  };

  explicit WorkerTestContext(uint32_t seed = 1) : random(seed) {}

  ThreadQueue queue;
  FakeDialog dialog;
  FakePoster poster;
  FakeWaveOutDevice device;
  FakeWaveOutAudioSystem audio{device};
  NoTimers timers;
  SetClock clock;
  KeyUp key;
  RandomSource random;
  ExerciseContext context{queue, dialog, poster, audio, timers, clock, key, random};
};

}  // namespace dovrik::testing
