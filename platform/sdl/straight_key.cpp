#include "platform/sdl/straight_key.h"

#include "platform/sdl/sdl_library.h"

namespace dovrik {
namespace {

// A joystick that is listed but will not open (no permission, say) is tried
// again after this many reads, 0.5 s at the sampler's 5 ms, instead of on
// every tick.
constexpr int kReadsBetweenOpenAttempts = 100;

}  // namespace

StraightKeyInput::StraightKeyInput() : sdlStarted_(InitSdlOnce()) {}

StraightKeyInput::~StraightKeyInput() {
  if (joystick_ != nullptr) SDL_JoystickClose(joystick_);
}

bool StraightKeyInput::IsDown() {
  // The keyboard is checked first so that it answers even while SDL is busy.
  if (KeyboardDown()) return true;
  return (JoystickButtons() & kFirstButton) != 0;
}

KeyReading StraightKeyInput::Read() {
  const unsigned buttons = JoystickButtons();
  const bool left = leftControl_.load(std::memory_order_relaxed);
  const bool right = rightControl_.load(std::memory_order_relaxed);
  const bool first = (buttons & kFirstButton) != 0;
  return KeyReading{left || right || first, left || first, right || (buttons & kSecondButton) != 0,
                    false};
}

unsigned StraightKeyInput::JoystickButtons() {
  if (!sdlStarted_ || SDL_WasInit(SDL_INIT_JOYSTICK) == 0) return 0;
  SDL_JoystickUpdate();
  if (joystick_ != nullptr && !SDL_JoystickGetAttached(joystick_)) {
    SDL_JoystickClose(joystick_);
    joystick_ = nullptr;
    readsUntilNextOpen_ = 0;
  }
  if (joystick_ == nullptr) {
    if (readsUntilNextOpen_ > 0) {
      --readsUntilNextOpen_;
      return 0;
    }
    if (SDL_NumJoysticks() <= 0) return 0;
    joystick_ = SDL_JoystickOpen(0);
    if (joystick_ == nullptr) {
      readsUntilNextOpen_ = kReadsBetweenOpenAttempts;
      return 0;
    }
    // The state of a joystick opened just now is read on the next update.
    SDL_JoystickUpdate();
  }
  const int count = SDL_JoystickNumButtons(joystick_);
  unsigned buttons = 0;
  if (count > 0 && SDL_JoystickGetButton(joystick_, 0) != 0) buttons |= kFirstButton;
  if (count > 1 && SDL_JoystickGetButton(joystick_, 1) != 0) buttons |= kSecondButton;
  return buttons;
}

}  // namespace dovrik
