#pragma once

#include <cstdint>

#include "sender/noise_table.h"

namespace dovrik {

// The index into the NoiseTable shared by every sample of one sending
// exercise: the lead-in, the tones and the spaces of every group. It moves
// on by one after every emitted sample and wraps from 19,999 to 0, so the
// noise of the whole played stream is the table read cyclically. Reading a
// jitter offset (Peek) does not move it. One per exercise, worker thread.
class NoiseCursor {
 public:
  // Starts at `index`, taken modulo the table size.
  explicit NoiseCursor(uint32_t index = 0)
      : table_(&NoiseTable::Get()),
        index_(static_cast<int32_t>(index % static_cast<uint32_t>(NoiseTable::kSize))) {}

  int32_t Index() const { return index_; }

  // The value at the cursor; the cursor stays where it is.
  float Peek() const { return (*table_)[index_]; }

  // The value at the cursor; the cursor then moves on by one.
  float Next() {
    const float value = (*table_)[index_];
    ++index_;
    if (index_ == NoiseTable::kSize) index_ = 0;
    return value;
  }

 private:
  const NoiseTable* table_;
  int32_t index_;
};

}  // namespace dovrik
