#pragma once

#include <span>

#include "platform/dialog_controls.h"

namespace dovrik {

// Reads the text of a configuration file held in memory. Check-button values
// go to the dialog's buttons at once; slider values replace the start values
// of their SliderTable rows (when within range), for InitSliders to apply.
// Malformed records are passed over silently; the end of the text in the
// middle of a record ends the reading. UI thread (it writes SliderTable).
void LoadConfigFromMemory(std::span<const char> text, DialogControls& dialog);

}  // namespace dovrik
