#pragma once

#include <QProcess>
#include <QStringList>
#include <algorithm>

namespace dovrik::testing {

// This process's environment with no display of any kind: no X11 or
// Wayland display and no Qt platform chosen, for running the program as on
// a machine without one.
inline QStringList EnvironmentWithoutDisplay() {
  QStringList environment = QProcess::systemEnvironment();
  environment.erase(std::remove_if(environment.begin(), environment.end(),
                                   [](const QString& entry) {
                                     return entry.startsWith("QT_QPA_PLATFORM=") ||
                                            entry.startsWith("DISPLAY=") ||
                                            entry.startsWith("WAYLAND_DISPLAY=");
                                   }),
                    environment.end());
  return environment;
}

}  // namespace dovrik::testing
