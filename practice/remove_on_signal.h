#pragma once

#include <string>

namespace dovrik {

// While one of these exists, an interrupt (SIGINT), a termination request
// (SIGTERM) or a hang-up (SIGHUP) first removes the file it names and then
// ends the process as the signal would have, so that Ctrl+C in the middle of
// a long write leaves no half-written temporary file behind. The previous
// handlers come back when it is destroyed; a signal that was ignored stays
// ignored. One at a time per process; made
// and destroyed on the same thread.
class RemoveOnSignal {
 public:
  explicit RemoveOnSignal(const std::string& path);
  ~RemoveOnSignal();
  RemoveOnSignal(const RemoveOnSignal&) = delete;
  RemoveOnSignal& operator=(const RemoveOnSignal&) = delete;
};

}  // namespace dovrik
