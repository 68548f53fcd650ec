#pragma once

#include <SDL.h>

#include <atomic>

#include "platform/key_input.h"

namespace dovrik {

// The straight key: down while the first button of the first joystick or
// gamepad is held, or while the keyboard key is held (the program sets that
// while Left or Right Ctrl is down in one of its active windows, as the
// common USB key adapters present themselves as a keyboard).
//
// For a keyer the same inputs are the paddles, as the common USB paddle
// adapters send them: Left Ctrl or joystick button 1 the dit paddle, Right
// Ctrl or joystick button 2 the dah paddle.
//
// IsDown runs on the key sampler's timer thread, one exercise's thread after
// the other, never two at once. It refreshes the joystick state itself
// (SDL_JoystickUpdate), opens the first joystick when one appears and drops
// it when it goes; with none attached the joystick reads as up.
class StraightKeyInput : public KeyInput {
 public:
  StraightKeyInput();
  ~StraightKeyInput() override;
  StraightKeyInput(const StraightKeyInput&) = delete;
  StraightKeyInput& operator=(const StraightKeyInput&) = delete;

  bool IsDown() override;
  KeyReading Read() override;

  // Any thread (the UI thread): the states of Left and Right Ctrl.
  void SetControlKeys(bool left, bool right) {
    leftControl_.store(left, std::memory_order_relaxed);
    rightControl_.store(right, std::memory_order_relaxed);
  }
  // A Ctrl key whose side is not known, which counts as Left Ctrl.
  void SetKeyboardKeyDown(bool down) { SetControlKeys(down, false); }

 private:
  static constexpr unsigned kFirstButton = 1u << 0;
  static constexpr unsigned kSecondButton = 1u << 1;

  // Reading thread: the first two buttons of the first joystick, one bit
  // each; 0 with no joystick.
  unsigned JoystickButtons();
  bool KeyboardDown() const {
    return leftControl_.load(std::memory_order_relaxed) ||
           rightControl_.load(std::memory_order_relaxed);
  }

  std::atomic<bool> leftControl_{false};
  std::atomic<bool> rightControl_{false};
  bool sdlStarted_ = false;
  SDL_Joystick* joystick_ = nullptr;  // reading thread only
  int readsUntilNextOpen_ = 0;        // reading thread only
};

}  // namespace dovrik
