#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "keyer/keyer_mode.h"
#include "keyer/paddle_keyer.h"
#include "platform/key_input.h"

namespace dovrik {

class SettingsFile;

// How the keying exercise turns the key sources into elements. The default
// is the straight key, exactly as Dovrik has always keyed.
struct KeyerSettings {
  KeyerMode mode = KeyerMode::kStraight;
  int wpm = kDefaultKeyerWpm;  // 5..50
  bool swapPaddles = false;    // dah on the left, for left-handed users
};

// Section [keyer] of the settings file: `mode` (a KeyerModeName), `wpm`
// (5..50) and `swap` (0 or 1). A missing or unknown mode reads as straight; a
// speed out of range is brought to the nearer end and one that is no whole
// number reads as 20; a swap that is no 0/1 (or true/false, yes/no, on/off)
// reads as 0. Nothing of the file is changed by reading it.
KeyerSettings ReadKeyerSettings(const SettingsFile& file);
// Sets the three keys in the file's [keyer] section, keeping every other line.
void WriteKeyerSettings(const KeyerSettings& settings, SettingsFile& file);

// `--keyer MODE[:WPM]`: a mode, and a speed that replaces the file's when
// given.
struct KeyerOption {
  KeyerMode mode = KeyerMode::kStraight;
  std::optional<int> wpm;
};
// Parses MODE[:WPM]; on failure says why in `error`, one line naming the
// text that is wrong.
std::optional<KeyerOption> ParseKeyerOption(std::string_view text, std::string& error);
// The settings of one run: the file's, with the option's mode and speed.
KeyerSettings ApplyKeyerOption(KeyerSettings settings, const KeyerOption& option);

// The settings of one run: the [keyer] section of the settings file at
// `path` (none: the defaults), with the command line's option over them.
KeyerSettings LoadKeyerSettings(const std::string& path, const std::optional<KeyerOption>& option);

// The paddles of a reading, swapped when the settings ask: Left Ctrl (and
// the other dit inputs) then key dahs and Right Ctrl dits.
inline Paddles PaddlesOf(const KeyReading& reading, const KeyerSettings& settings) {
  return settings.swapPaddles ? Paddles{reading.dah, reading.dit}
                              : Paddles{reading.dit, reading.dah};
}

}  // namespace dovrik
