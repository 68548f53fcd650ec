#pragma once

#include <optional>
#include <string>

#include "keyer/keyer_settings.h"

namespace dovrik {

// The whole life of the program on the UI thread: start-up, the message
// loop, shutdown. Returns the exit code, which is always 0. The worker
// thread is still blocked for good when this returns; the caller ends the
// process without waiting for it. `serialKey` names the serial port whose
// modem lines key the keying exercise too; empty for none. `keyer` is the
// command line's keyer, over the [keyer] section of the settings file.
// `openLessons` opens the lessons window beside the main dialog.
int RunProgram(int argc, char** argv, const std::string& serialKey = "",
               const std::optional<KeyerOption>& keyer = std::nullopt, bool openLessons = false);

}  // namespace dovrik
