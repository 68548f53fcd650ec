#pragma once

#include <cstdint>

#include "keyer/key_event_ring.h"
#include "keyer/keyer_mode.h"
#include "keyer/paddle_keyer.h"

namespace dovrik {

class Clock;
class KeyInput;
class LoopingSoundBuffer;

// The side-tone machine. Bit 0 is the key level (1 = down). `Starting` and
// `Stopping` are transient: the key read sets them and the same tick turns
// them into `Sounding` and `Silent`.
enum ToneState : int32_t {
  Silent = 0,
  Starting = 1,
  Stopping = 2,
  Sounding = 3,
};

// Everything the key sampler keeps between ticks. The keying exercise
// value-initialises it (every field zero), sets `buffer`, `clock`, `key`,
// `phaseStep`, `rampLength` and `pauseTimeout` before it starts the timer and
// changes none of them afterwards. From then on the sampler (timer thread) is
// the only writer of the other fields; the exercise (worker thread) only
// reads the two rings, through their acquire-loaded heads. The record must
// stay at one address until the timer has been cancelled.
struct KeySamplerState {
  LoopingSoundBuffer* buffer = nullptr;  // the side-tone buffer (44,100 bytes)
  Clock* clock = nullptr;                // the millisecond clock
  KeyInput* key = nullptr;               // the straight key

  uint32_t lastTick = 0;   // ms: clock value of the last tick that did work
  uint32_t pollAfter = 0;  // ms: no key read until the clock has passed this; 0 = none yet
  int32_t writePos = 0;    // bytes, even, 0..44099: where the sampler writes next
  float phase = 0.0f;      // radians: phase of the next sine sample
  int32_t toneState = Silent;
  float phaseStep = 0.0f;    // radians per sample: tone frequency * 2 pi / 22050
  int32_t rampLength = 0;    // samples: length R of the attack and release ramps
  KeyEventRing keyLevels;    // (tick time, key level) for every tick that did work
  KeyEventRing toneEvents;   // (time, 1) tone start, (time, 0) tone stop, (0, 0) pause
  int32_t pauseTimeout = 0;  // ms of silence after a tone stop before a pause marker

  // The keyer, for paddles (the exercise sets `keyer` and `swapPaddles`
  // before the timer starts; in straight mode none of this is used). Its
  // sample clock is the side-tone stream: `keyerSample` is the stream sample
  // at `keyerCursor`, the write cursor of the last tick.
  PaddleKeyer keyer{KeyerMode::kStraight, KeyerTiming{}};
  bool swapPaddles = false;
  bool keyerStarted = false;
  uint32_t keyerCursor = 0;
  int64_t keyerSample = 0;
  bool straightOnly = false;     // a straight key beside the keyer, as last read
  bool keyerDown = false;        // the keyer's own output, as last committed
  bool keyerLevel = false;       // the key as last committed (keyer or straight key)
  int64_t toneStartSample = 0;   // where the committed tone began
  bool renderedSilence = false;  // what is queued beyond the cursor is silence, and stays so
};

}  // namespace dovrik
