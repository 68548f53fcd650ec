#pragma once

#include <QtGlobal>

namespace dovrik {

// The exit status of a start where no window can be opened. Every other
// exit of the program is 0.
inline constexpr int kNoWindowExitStatus = 1;

// Watches Qt's messages while the application object is being made. When
// no window system can be reached (no X display, a display that does not
// answer, no platform plug-in), Qt ends the process with a fatal message,
// a list of plug-ins and an abort that looks like a crash. Instead the
// program then writes the one line "cannot open a window: no display" to
// standard error and ends at once with kNoWindowExitStatus; nothing has been
// read or saved by then. Qt's other messages of that time are held and
// passed on when the watch ends, so a good start says what it always said.
// UI thread, once, around the QApplication constructor.
class WindowSystemStartWatch {
 public:
  WindowSystemStartWatch();
  ~WindowSystemStartWatch();
  WindowSystemStartWatch(const WindowSystemStartWatch&) = delete;
  WindowSystemStartWatch& operator=(const WindowSystemStartWatch&) = delete;

 private:
  QtMessageHandler previous_;
};

}  // namespace dovrik
