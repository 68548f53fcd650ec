#include "sender/random_source.h"

namespace dovrik {

int32_t RandomSource::Next() {
  // The state is taken modulo 2^32, which unsigned arithmetic does by wrapping.
  const uint32_t state = state_.load(std::memory_order_relaxed) * 214013u + 2531011u;
  state_.store(state, std::memory_order_relaxed);
  return static_cast<int32_t>((state >> 16) & 32767u);
}

}  // namespace dovrik
