#pragma once

namespace dovrik {

// The straight key, or several keys read as one.
class KeyInput {
 public:
  virtual ~KeyInput() = default;

  // Timer thread; must not block.
  virtual bool IsDown() = 0;

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
