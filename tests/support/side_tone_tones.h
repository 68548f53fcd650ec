#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace dovrik::testing {

// Tones in a side-tone recording: [first, last] sample indices of runs of
// sound separated by at least 100 silent samples.
struct Tone {
  size_t first;
  size_t last;
};

inline std::vector<Tone> FindTones(const std::vector<int16_t>& recording) {
  std::vector<Tone> tones;
  size_t silent = 100;
  for (size_t i = 0; i < recording.size(); ++i) {
    if (recording[i] == 0) {
      ++silent;
      continue;
    }
    if (silent >= 100) {
      tones.push_back({i, i});
    } else {
      tones.back().last = i;
    }
    silent = 0;
  }
  return tones;
}

}  // namespace dovrik::testing
