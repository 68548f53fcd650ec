#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QStandardPaths>
#include <QString>
#include <string>

namespace dovrik::testing {

// An Xvfb server of our own on a free display number, ended with the test.
class VirtualDisplay {
 public:
  // screen: width x height x depth.
  explicit VirtualDisplay(const char* screen = "1024x768x24") {
    const QString server = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (server.isEmpty()) return;
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(pipeEnds[0]);
      const std::string fd = std::to_string(pipeEnds[1]);
      const std::string path = server.toStdString();
      // -noreset: an X server resets when its last client leaves, and a
      // connection made during the reset fails; a helper that looks at the
      // display and leaves (the accessibility bus launcher) must not make the
      // program's own connection fail.
      execl(path.c_str(), "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen, "-nolisten",
            "tcp", "-noreset", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(pipeEnds[1]);
    char digits[16] = {};
    ssize_t got = 0;
    ssize_t part = 0;
    while (got < 15 && (part = read(pipeEnds[0], digits + got, 15 - got)) > 0) {
      got += part;
      if (digits[got - 1] == '\n') break;
    }
    close(pipeEnds[0]);
    if (got > 0) name_ = QStringLiteral(":%1").arg(QString::fromLatin1(digits).trimmed());
  }
  ~VirtualDisplay() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  bool Ready() const { return !name_.isEmpty(); }
  QString Name() const { return name_; }

 private:
  pid_t pid_ = -1;
  QString name_;
};

}  // namespace dovrik::testing
