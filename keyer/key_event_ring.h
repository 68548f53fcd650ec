#pragma once

#include <atomic>
#include <cstdint>

namespace dovrik {

// A fixed ring of 1024 (time, value) entries with one writer (the key
// sampler, timer thread) and readers that each keep their own read index and
// must read at least every 1024 entries. The writer fills the slot, then
// publishes it by storing `head` with release semantics; readers load `head`
// with acquire semantics before they read the slots up to it. Time 0 marks a
// pause marker or a slot never written.
struct KeyEventRing {
  static constexpr int32_t kSize = 1024;
  static constexpr int32_t kMask = kSize - 1;

  // The slots are atomics too: a reader that has fallen a whole ring behind
  // reads a slot while the writer refills it. That must be a defined event
  // (the reader sees the old or the new value), not a data race; the
  // decoder detects the overrun itself. Plain reads (`times[i]`) load them.
  std::atomic<uint32_t> times[kSize] = {};
  std::atomic<int32_t> values[kSize] = {};
  std::atomic<int32_t> head{0};

  // Writer only.
  void Append(uint32_t time, int32_t value) {
    const int32_t index = (head.load(std::memory_order_relaxed) + 1) & kMask;
    times[index].store(time, std::memory_order_relaxed);
    values[index].store(value, std::memory_order_relaxed);
    head.store(index, std::memory_order_release);
  }

  // Readers: the index of the newest published entry.
  int32_t Head() const { return head.load(std::memory_order_acquire); }
};

}  // namespace dovrik
