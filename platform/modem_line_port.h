#pragma once

#include <memory>
#include <string>

namespace dovrik {

// The modem lines of one serial port, as a key reads them.
class ModemLinePort {
 public:
  // The lines Read reports, one bit each.
  static constexpr unsigned kCts = 1u << 0;  // clear to send
  static constexpr unsigned kDsr = 1u << 1;  // data set ready
  static constexpr unsigned kDcd = 1u << 2;  // data carrier detect
  static constexpr unsigned kRing = 1u << 3;

  virtual ~ModemLinePort() = default;

  // Worker thread. Opens the port without waiting for a carrier and raises
  // DTR and RTS, so that a key wired from them can pull an input line. On
  // failure says why in `problem` and holds nothing.
  virtual bool Open(const std::string& device, std::string& problem) = 0;

  // Timer thread; one quick system call, never blocks. The input lines now
  // active, or false with `problem` when they cannot be read (the device
  // went away).
  virtual bool Read(unsigned& lines, std::string& problem) = 0;

  // Worker thread. Closes the port (DTR and RTS drop); nothing if not open.
  virtual void Close() = 0;
};

// The real port: a POSIX terminal device, read with TIOCMGET.
std::unique_ptr<ModemLinePort> MakePosixModemLinePort();

}  // namespace dovrik
