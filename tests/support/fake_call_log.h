#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace dovrik::testing {

// One ordered record of calls that several fakes share, so that a test can
// check the order of set-up and release across objects. Any thread.
class CallLog {
 public:
  void Add(const std::string& entry) {
    std::lock_guard lock(mutex_);
    entries_.push_back(entry);
  }
  std::vector<std::string> Entries() {
    std::lock_guard lock(mutex_);
    return entries_;
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> entries_;
};

}  // namespace dovrik::testing
