#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/modem_line_port.h"

namespace dovrik {
namespace {

std::string SystemError(const char* what, int error) {
  return std::string(what) + ": " + std::strerror(error);
}

class PosixModemLinePort : public ModemLinePort {
 public:
  ~PosixModemLinePort() override { Close(); }

  bool Open(const std::string& device, std::string& problem) override {
    Close();
    // O_NONBLOCK: a port without a carrier would otherwise hold open() until
    // one comes. No data is ever read or written.
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
      problem = SystemError("cannot open it", errno);
      return false;
    }
    int raise = TIOCM_DTR | TIOCM_RTS;
    if (::ioctl(fd, TIOCMBIS, &raise) != 0) {
      problem = SystemError("cannot raise DTR and RTS", errno);
      ::close(fd);
      return false;
    }
    fd_ = fd;
    return true;
  }

  bool Read(unsigned& lines, std::string& problem) override {
    int status = 0;
    if (fd_ < 0 || ::ioctl(fd_, TIOCMGET, &status) != 0) {
      problem = SystemError("cannot read its modem lines", fd_ < 0 ? EBADF : errno);
      return false;
    }
    lines = ((status & TIOCM_CTS) != 0 ? kCts : 0) | ((status & TIOCM_DSR) != 0 ? kDsr : 0) |
            ((status & TIOCM_CD) != 0 ? kDcd : 0) | ((status & TIOCM_RI) != 0 ? kRing : 0);
    return true;
  }

  void Close() override {
    if (fd_ < 0) return;
    ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

}  // namespace

std::unique_ptr<ModemLinePort> MakePosixModemLinePort() {
  return std::make_unique<PosixModemLinePort>();
}

}  // namespace dovrik
