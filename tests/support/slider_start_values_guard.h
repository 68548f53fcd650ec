#pragma once

#include <array>

#include "tables/slider_table.h"

namespace dovrik {

// For tests: SliderTable's start values are process-wide state that the
// configuration reader writes. This keeps them on construction and puts them
// back on destruction, so one test cannot leak its settings into the next.
class SliderStartValuesGuard {
 public:
  SliderStartValuesGuard() {
    for (int i = 0; i < kSliderCount; ++i) saved_[i] = SliderTable[i].startValue;
  }
  ~SliderStartValuesGuard() {
    for (int i = 0; i < kSliderCount; ++i) SliderTable[i].startValue = saved_[i];
  }
  SliderStartValuesGuard(const SliderStartValuesGuard&) = delete;
  SliderStartValuesGuard& operator=(const SliderStartValuesGuard&) = delete;

 private:
  std::array<int32_t, kSliderCount> saved_{};
};

}  // namespace dovrik
