#pragma once

#include <string>

namespace dovrik {

// The user's base directories, by the XDG rules: $XDG_CONFIG_HOME and
// $XDG_DATA_HOME when set to an absolute path, otherwise ~/.config and
// ~/.local/share under $HOME. Empty when neither the variable nor HOME
// gives an absolute path.
std::string XdgConfigHome();
std::string XdgDataHome();

// Dovrik's own folders under them ("<base>/dovrik"), empty like the base.
std::string DovrikConfigDirectory();
std::string DovrikDataDirectory();

// The additions' settings, "<config>/dovrik/settings.ini".
std::string SettingsFilePath();

// Creates `directory` and any missing parents (0700 for those it makes, as
// the XDG rules ask). True when it exists as a directory afterwards.
bool MakeDirectories(const std::string& directory);

}  // namespace dovrik
