#pragma once

namespace dovrik {

// Initialises SDL's audio and joystick subsystems once for the process.
// Safe to call from any thread, any number of times. Returns false when SDL
// itself cannot start; the devices then fail to open with their own messages.
bool InitSdlOnce();

}  // namespace dovrik
