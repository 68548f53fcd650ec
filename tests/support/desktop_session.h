#pragma once

#include <signal.h>
#include <unistd.h>

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

#include "tests/support/virtual_display.h"

namespace dovrik::testing {

// A helper program in a process group of its own, so that ending it also
// ends whatever it started (a bus launcher's bus daemon and registry).
class GroupProcess {
 public:
  GroupProcess() {
    process_.setChildProcessModifier([] { setsid(); });
  }
  ~GroupProcess() { Stop(); }
  QProcess& Process() { return process_; }
  void Stop() {
    if (process_.state() == QProcess::NotRunning) return;
    const pid_t group = static_cast<pid_t>(process_.processId());
    ::kill(-group, SIGTERM);
    if (!process_.waitForFinished(5000)) {
      ::kill(-group, SIGKILL);
      process_.waitForFinished(5000);
    }
    ::kill(-group, SIGKILL);  // members that outlived the leader
  }

 private:
  QProcess process_;
};

// The real program on a virtual display of its own, in a temporary working
// directory, driven with xdotool. Every wait is bounded.
class DesktopSession {
 public:
  explicit DesktopSession(const char* screen = "1024x768x24") : display_(screen) {}
  ~DesktopSession() { StopProgram(); }

  // Why the session cannot run here, or empty when it can.
  QString Missing() const {
    if (!display_.Ready()) return QStringLiteral("Xvfb");
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
      return QStringLiteral("xdotool");
    return {};
  }
  QString DisplayName() const { return display_.Name(); }
  QString Directory() const { return directory_.path(); }
  QProcess& Program() { return program_; }

  // The environment a helper or the program runs in: ours, on this display.
  QStringList Environment(const QStringList& extra = {}) const {
    QStringList ours = {"QT_QPA_PLATFORM=xcb", "DISPLAY=" + display_.Name(),
                        "SDL_AUDIODRIVER=dummy"};
    ours += extra;
    // A variable set here replaces the inherited one rather than following it.
    QStringList environment = QProcess::systemEnvironment();
    environment.erase(std::remove_if(environment.begin(), environment.end(),
                                     [&](const QString& entry) {
                                       const QString key = entry.section('=', 0, 0) + '=';
                                       return std::any_of(ours.begin(), ours.end(),
                                                          [&](const QString& mine) {
                                                            return mine.startsWith(key);
                                                          });
                                     }),
                      environment.end());
    return environment + ours;
  }

  // Runs a tool to its end (at most timeoutMs) and returns its output.
  QString Run(const QString& tool, const QStringList& arguments, int timeoutMs = 20000,
              const QStringList& extraEnvironment = {}) {
    QProcess process;
    process.setEnvironment(Environment(extraEnvironment));
    process.start(tool, arguments);
    if (!process.waitForFinished(timeoutMs)) {
      process.kill();
      process.waitForFinished(5000);
    }
    return QString::fromUtf8(process.readAllStandardOutput());
  }
  QString Xdotool(const QStringList& arguments) {
    return Run(QStringLiteral("xdotool"), arguments);
  }

  // How the window comes to the front: given the input focus the way a
  // window manager gives it, or left to itself as on an X server with no
  // window manager.
  enum class Activation { kByWindowManager, kNone };

  // Starts the program with `arguments` and waits for its window titled
  // `title` (a regular expression); returns the window id, or 0 when none
  // appeared.
  unsigned long StartProgram(const QStringList& extraEnvironment = {},
                             Activation activation = Activation::kByWindowManager,
                             const QStringList& arguments = {},
                             const QString& title = QStringLiteral("^Dovrik$")) {
    program_.setEnvironment(Environment(extraEnvironment));
    program_.setWorkingDirectory(directory_.path());
    program_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program_.start(QStringLiteral(DOVRIK_PROGRAM_PATH), arguments);
    if (!program_.waitForStarted()) return 0;
    const QString found =
        Xdotool({"search", "--sync", "--onlyvisible", "--name", title}).trimmed();
    if (found.isEmpty()) return 0;
    const unsigned long window = found.split('\n').first().toULong();
    if (activation == Activation::kByWindowManager)
      Xdotool({"windowfocus", "--sync", QString::number(window)});
    QTest::qWait(300);  // the start-up steps after the window appears
    return window;
  }
  void StopProgram() {
    if (program_.state() == QProcess::NotRunning) return;
    program_.kill();
    program_.waitForFinished(5000);
  }

 private:
  VirtualDisplay display_;
  QTemporaryDir directory_;
  QProcess program_;
};

}  // namespace dovrik::testing
