#pragma once

#include "platform/exercise_context.h"

namespace dovrik {

// The keying exercise. Worker thread; the worker posts MSG_EXERCISE_ENDED
// afterwards. Reads tone, attack, speed and ratio from the dialog once,
// clears the output box, opens the side-tone device and its one-second
// looping buffer, lets the key take its devices (KeyInput::BeginKeying),
// starts the key sampler on a 5 ms timer and, 50 ms later, playback. Then,
// every 20 ms, it takes at most one message from context.queue
// (MSG_STOP_EXERCISE ends the exercise, anything else is dropped), draws the
// strip chart and decodes the keying into the output box. The timer is
// cancelled before the key gives its devices back and the buffer is stopped
// and released, so no tick runs once they are gone. A device, buffer or
// timer that cannot be made is reported with a warning box after releasing
// what exists.
void RunKeyingExercise(ExerciseContext& context);

}  // namespace dovrik
