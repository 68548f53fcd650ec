#pragma once

#include <cstdint>

namespace dovrik {

// The private messages between the dialog and the worker. Each carries
// wParam 0 and lParam 0.
inline constexpr uint32_t MSG_WORKER_QUIT = 2935;     // dialog -> worker
inline constexpr uint32_t MSG_APP_QUIT = 2936;        // worker -> dialog
inline constexpr uint32_t MSG_STOP_EXERCISE = 2937;   // dialog -> worker
inline constexpr uint32_t MSG_EXERCISE_ENDED = 2938;  // worker -> dialog
inline constexpr uint32_t MSG_START_SENDING = 2939;   // dialog -> worker
inline constexpr uint32_t MSG_START_KEYING = 2940;    // dialog -> worker
// The lessons window's copy exercise: started by the window, its end replied
// to the window (not the main dialog).
inline constexpr uint32_t MSG_START_COPY = 2941;  // lessons window -> worker
inline constexpr uint32_t MSG_COPY_ENDED = 2942;  // worker -> lessons window

// The audio device's notice that a written buffer has finished playing;
// lParam carries the address of that buffer's WaveHeader.
inline constexpr uint32_t MM_WOM_DONE = 957;

}  // namespace dovrik
