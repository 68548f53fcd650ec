#include "practice/remove_on_signal.h"

#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <cstring>

namespace dovrik {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The handler may only touch what is async-signal-safe: a fixed buffer
// written before the handlers are installed, unlink, signal and raise.
char removePath[PATH_MAX];
struct sigaction previous[std::size(kSignals)];

void RemoveAndDie(int signal) {
  unlink(removePath);
  ::signal(signal, SIG_DFL);
  raise(signal);
}

}  // namespace

RemoveOnSignal::RemoveOnSignal(const std::string& path) {
  if (path.size() >= sizeof removePath) return;  // no such file could be made
  std::memcpy(removePath, path.c_str(), path.size() + 1);
  struct sigaction action {};
  action.sa_handler = RemoveAndDie;
  sigemptyset(&action.sa_mask);
  for (int signal : kSignals) sigaddset(&action.sa_mask, signal);
  for (size_t i = 0; i < std::size(kSignals); ++i) {
    sigaction(kSignals[i], nullptr, &previous[i]);
    // A signal the process was told to ignore (nohup, a background job)
    // stays ignored.
    if (previous[i].sa_handler != SIG_IGN) sigaction(kSignals[i], &action, nullptr);
  }
}

RemoveOnSignal::~RemoveOnSignal() {
  if (removePath[0] == '\0') return;
  for (size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &previous[i], nullptr);
  removePath[0] = '\0';
}

}  // namespace dovrik
