#pragma once

#include <cstdint>
#include <span>
#include <string_view>

class QKeyEvent;

namespace dovrik {

// Accelerators on any keyboard layout. Alt+S must start the exercise when the
// layout in force is Russian, Greek or Hebrew and the S key gives no "S":
// as desktop programs do, a key whose character is not Latin stands for the
// Latin letter that another group of the keymap gives the same key, and,
// when no group has one, for the letter printed on that key of a US
// keyboard.

// The accelerator letter ('A' to 'Z') of a key, or 0.
//   qtKey         the key the layout in force gives (QKeyEvent::key())
//   groupSymbols  the X key symbols of the physical key at the first shift
//                 level, one per group of the keymap, in group order
//   keyName       the XKB name of the key's position ("AC02" is US "S")
// A key that already gives a Latin letter, or that is no character at all
// (Tab, Ctrl), keeps its own meaning.
char AcceleratorLetter(int qtKey, std::span<const uint32_t> groupSymbols, std::string_view keyName);

// The same for a key event of the running program: the physical key is
// looked up in the X keyboard map on X11; elsewhere only Latin keys count.
// UI thread.
char AcceleratorLetter(const QKeyEvent& key);

}  // namespace dovrik
