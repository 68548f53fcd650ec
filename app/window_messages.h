#pragma once

#include <cstdint>

namespace dovrik {

// The window messages and notification codes MainDialogProc and
// AboutDialogProc understand, each a fixed number so that a message can be
// posted, logged and compared as one integer. Qt signals and events are turned into
// these before they reach the procedures, so each procedure stays one
// dispatch point.
inline constexpr uint32_t WM_CLOSE = 0x0010;
inline constexpr uint32_t WM_COMMAND = 0x0111;
// lParam carries the scroll bar's control id (it stands for the bar's window).
inline constexpr uint32_t WM_HSCROLL = 0x0114;

// Scroll requests, in the low word of a WM_HSCROLL wParam.
inline constexpr uint16_t SB_LINELEFT = 0;
inline constexpr uint16_t SB_LINERIGHT = 1;
inline constexpr uint16_t SB_PAGELEFT = 2;
inline constexpr uint16_t SB_PAGERIGHT = 3;
inline constexpr uint16_t SB_THUMBPOSITION = 4;
inline constexpr uint16_t SB_THUMBTRACK = 5;
inline constexpr uint16_t SB_LEFT = 6;
inline constexpr uint16_t SB_RIGHT = 7;
inline constexpr uint16_t SB_ENDSCROLL = 8;

// Notification codes, in the high word of a WM_COMMAND wParam.
inline constexpr uint16_t BN_CLICKED = 0;
inline constexpr uint16_t EN_SETFOCUS = 0x0100;

inline constexpr uintptr_t MakeWParam(uint16_t low, uint16_t high) {
  return static_cast<uintptr_t>(low) | (static_cast<uintptr_t>(high) << 16);
}
inline constexpr uint16_t LowWord(uintptr_t value) {
  return static_cast<uint16_t>(value & 0xFFFF);
}
inline constexpr uint16_t HighWord(uintptr_t value) {
  return static_cast<uint16_t>((value >> 16) & 0xFFFF);
}

}  // namespace dovrik
