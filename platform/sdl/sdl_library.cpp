#include "platform/sdl/sdl_library.h"

#include <SDL.h>

#include <mutex>

namespace dovrik {

bool InitSdlOnce() {
  static std::once_flag once;
  static bool started = false;
  std::call_once(once, [] {
    // A missing joystick or sound card is no reason to fail: each subsystem
    // is tried on its own, and the device that needs it reports the failure.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    started = SDL_Init(0) == 0;
    if (started) {
      SDL_InitSubSystem(SDL_INIT_AUDIO);
      SDL_InitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER);
    }
  });
  return started;
}

}  // namespace dovrik
