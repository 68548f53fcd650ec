#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace dovrik {

// The value at `fraction` (0 to 1) of the sorted values, nearest rank; 0
// for none.
inline double Percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[static_cast<size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5)];
}

}  // namespace dovrik
