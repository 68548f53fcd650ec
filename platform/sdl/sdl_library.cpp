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
    // Qt owns the process's signals: SDL would turn Ctrl+C into an SDL_QUIT
    // event that nobody reads.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    started = SDL_Init(0) == 0;
    if (started) {
      SDL_InitSubSystem(SDL_INIT_AUDIO);
      if (SDL_InitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER) == 0) {
        // Nobody pumps SDL's event queue: the key reader polls the joystick
        // with SDL_JoystickUpdate, so its events would only pile up.
        SDL_JoystickEventState(SDL_IGNORE);
        SDL_GameControllerEventState(SDL_IGNORE);
      }
    }
  });
  return started;
}

}  // namespace dovrik
