#pragma once

namespace dovrik {

// One reading of a key source, for the straight key and for a keyer.
//  key           the straight key, exactly as IsDown reports it: what
//                straight keying sounds;
//  dit, dah      the two paddles, for a keyer;
//  straightOnly  what stays a straight key under a keyer, ORed into the
//                keyer's output (a pedal, a MIDI note that is no paddle).
struct KeyReading {
  bool key = false;
  bool dit = false;
  bool dah = false;
  bool straightOnly = false;
};

// The straight key, or several keys read as one.
class KeyInput {
 public:
  virtual ~KeyInput() = default;

  // Timer thread; must not block.
  virtual bool IsDown() = 0;

  // Timer thread; must not block. A reading in place of IsDown (the sampler
  // calls one or the other each tick, never both). A source without paddles
  // is a straight key under a keyer too.
  virtual KeyReading Read() {
    const bool down = IsDown();
    return KeyReading{down, false, false, down};
  }

  // Worker thread, around each keying exercise: BeginKeying before the
  // sampler's timer starts, EndKeying once it has stopped. A key that needs a
  // device (a serial port, MIDI inputs) takes it here and gives it back.
  virtual void BeginKeying() {}
  virtual void EndKeying() {}

  // A helper thread, a few times a second between BeginKeying and
  // EndKeying: the slow work the timer thread must not do, such as looking
  // for devices plugged in meanwhile or reporting one that went away.
  virtual void Watch() {}
};

}  // namespace dovrik
