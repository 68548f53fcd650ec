#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dovrik {

// One physical key of the X server's keyboard map.
struct X11PhysicalKey {
  std::vector<uint32_t> groupSymbols;  // first shift level, one per group
  std::string name;                    // the XKB position name, "AC02"
};

// Reads the key with this X keycode from the server's current map (fresh on
// every call, so a layout changed while the program runs counts). Empty
// when the program does not run on X11. UI thread.
X11PhysicalKey LookUpX11Key(uint32_t keycode);

}  // namespace dovrik
