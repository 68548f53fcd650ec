#pragma once

#include <atomic>
#include <cstdint>

namespace dovrik {

// The program's one pseudo-random generator: a 32-bit linear congruential
// state. Each draw sets state = state * 214013 + 2531011 (mod 2^32) and gives
// (state >> 16) & 32767, a value in 0 .. 32767.
//
// Threads: the UI thread seeds it once at start-up; afterwards only the
// worker thread draws. The seeding happens-before the first draw because the
// start request that makes the worker draw is posted through the worker's
// ThreadQueue (a mutex) after the seeding. The state is still kept in an
// atomic (relaxed loads and stores, no read-modify-write) so that a seeding
// that raced a draw would be a defined, sanitizer-clean event; it is not
// meant for two threads drawing at once.
class RandomSource {
 public:
  static constexpr int32_t kMaximum = 32767;

  explicit RandomSource(uint32_t seed = 0) : state_(seed) {}

  RandomSource(const RandomSource&) = delete;
  RandomSource& operator=(const RandomSource&) = delete;

  void Seed(uint32_t seed) { state_.store(seed, std::memory_order_relaxed); }

  // One draw: 0 .. 32767. Worker thread only.
  int32_t Next();

  // The current state, for tests and diagnostics.
  uint32_t State() const { return state_.load(std::memory_order_relaxed); }

 private:
  std::atomic<uint32_t> state_;
};

}  // namespace dovrik
