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

  // Any thread (the UI thread).
  void SetKeyboardKeyDown(bool down) { keyboardDown_.store(down, std::memory_order_relaxed); }

 private:
  // Reading thread.
  bool JoystickButtonDown();

  std::atomic<bool> keyboardDown_{false};
  bool sdlStarted_ = false;
  SDL_Joystick* joystick_ = nullptr;  // reading thread only
  int readsUntilNextOpen_ = 0;        // reading thread only
};

}  // namespace dovrik
