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
  if (keyboardDown_.load(std::memory_order_relaxed)) return true;
  return JoystickButtonDown();
}

bool StraightKeyInput::JoystickButtonDown() {
  if (!sdlStarted_ || SDL_WasInit(SDL_INIT_JOYSTICK) == 0) return false;
  SDL_JoystickUpdate();
  if (joystick_ != nullptr && !SDL_JoystickGetAttached(joystick_)) {
    SDL_JoystickClose(joystick_);
    joystick_ = nullptr;
    readsUntilNextOpen_ = 0;
  }
  if (joystick_ == nullptr) {
    if (readsUntilNextOpen_ > 0) {
      --readsUntilNextOpen_;
      return false;
    }
    if (SDL_NumJoysticks() <= 0) return false;
    joystick_ = SDL_JoystickOpen(0);
    if (joystick_ == nullptr) {
      readsUntilNextOpen_ = kReadsBetweenOpenAttempts;
      return false;
    }
    // The state of a joystick opened just now is read on the next update.
    SDL_JoystickUpdate();
  }
  return SDL_JoystickNumButtons(joystick_) > 0 && SDL_JoystickGetButton(joystick_, 0) != 0;
}

}  // namespace dovrik
