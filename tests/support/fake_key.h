#pragma once

#include <atomic>
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "platform/key_input.h"
#include "tests/support/fake_call_log.h"

namespace dovrik::testing {

// A key the test presses and releases by hand; counts how often it was read.
// With a log it notes "key begin" and "key end" around an exercise.
class FakeKey : public KeyInput {
 public:
  explicit FakeKey(CallLog* log = nullptr) : log_(log) {}
  void BeginKeying() override {
    if (log_ != nullptr) log_->Add("key begin");
  }
  void EndKeying() override {
    if (log_ != nullptr) log_->Add("key end");
  }
  bool IsDown() override {
    reads_.fetch_add(1);
    return down_.load();
  }
  void Set(bool down) { down_.store(down); }
  int Reads() const { return reads_.load(); }

 private:
  CallLog* const log_;
  std::atomic<bool> down_{false};
  std::atomic<int> reads_{0};
};

// A key that follows a script against a clock: a list of (ms after Start,
// level) changes in rising time order. Up before the first change and after
// Start is called again. The script is fixed at construction, so any thread
// may read the key while another calls Start once.
class ScriptedKey : public KeyInput {
 public:
  struct Change {
    int32_t atMs = 0;
    bool down = false;
  };

  ScriptedKey(Clock& clock, std::vector<Change> script)
      : clock_(clock), script_(std::move(script)) {}

  void Start() {
    start_.store(clock_.NowMs());
    started_.store(true);
  }
  bool IsDown() override {
    if (!started_.load()) return false;
    const int32_t elapsed = ClockDifference(clock_.NowMs(), start_.load());
    bool down = false;
    for (const Change& change : script_) {
      if (change.atMs > elapsed) break;
      down = change.down;
    }
    return down;
  }
  const std::vector<Change>& Script() const { return script_; }
  uint32_t StartMs() const { return start_.load(); }

 private:
  Clock& clock_;
  const std::vector<Change> script_;
  std::atomic<uint32_t> start_{0};
  std::atomic<bool> started_{false};
};

}  // namespace dovrik::testing
