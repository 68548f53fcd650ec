#include "platform/sdl/sdl_library.h"

#include <SDL.h>

#include <cstdlib>
#include <mutex>

namespace dovrik {
namespace {

// What the side-tone asks of a sound server. libpulse reads
// PULSE_LATENCY_MSEC when a stream connects (SDL's pulseaudio driver, on
// PulseAudio and on PipeWire's PulseAudio service): the stream then makes the
// server run the sink at a matching latency, instead of the hundreds of
// milliseconds an idle sink drifts to, at which the server takes audio in
// bursts far beyond the side-tone's lead. At 20 ms PulseAudio runs its null
// sink at 5 ms and no tone is split; at 10 ms the sink runs at 2.5 ms, which
// leaves a busy two-core machine too little room. A value the user set is
// kept.
//
// SDL's own pipewire driver needs nothing: it asks for one device period as
// the node's latency and hands the server exactly one period per cycle. A
// longer latency (PIPEWIRE_LATENCY) would make the cycle longer than what it
// hands over, and the rest of every cycle would be silent.
void AskSoundServersForLowLatency() { setenv("PULSE_LATENCY_MSEC", "20", 0); }

}  // namespace

bool InitSdlOnce() {
  static std::once_flag once;
  static bool started = false;
  std::call_once(once, [] {
    AskSoundServersForLowLatency();
    // A missing joystick or sound card is no reason to fail: each subsystem
    // is tried on its own, and the device that needs it reports the failure.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    // SDL's audio thread feeds the side-tone to the device: on a busy
    // desktop it must not be late any more than the key sampler's timer, so
    // it too asks for real-time scheduling (directly, or through RealtimeKit)
    // and runs as an ordinary thread where neither grants it.
    SDL_SetHint(SDL_HINT_THREAD_FORCE_REALTIME_TIME_CRITICAL, "1");
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
