#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "tests/support/fake_key.h"

namespace dovrik::testing {

// Tones in a side-tone recording: [first, last] sample indices of runs of
// sound, a sample being sound when its magnitude is above `quietUpTo`, and
// runs separated by at least `quietRun` quiet samples. The defaults suit an
// exact recording (SDL's disk driver); a sound server's monitor, resampled,
// needs a level.
struct Tone {
  size_t first;
  size_t last;
};

inline std::vector<Tone> FindTones(const std::vector<int16_t>& recording, int quietUpTo = 0,
                                   size_t quietRun = 100) {
  std::vector<Tone> tones;
  size_t quiet = quietRun;
  for (size_t i = 0; i < recording.size(); ++i) {
    if (std::abs(recording[i]) <= quietUpTo) {
      ++quiet;
      continue;
    }
    if (quiet >= quietRun) {
      tones.push_back({i, i});
    } else {
      tones.back().last = i;
    }
    quiet = 0;
  }
  return tones;
}

// A word keyed as a script for ScriptedKey: each code (".--." and so on)
// with dots of `dotMs`, dashes of three dots, one dot between elements and
// three between characters, from `startMs` on. `endMs` is where it ends.
inline std::vector<ScriptedKey::Change> KeyedWord(const std::vector<const char*>& codes,
                                                  int32_t dotMs, int32_t startMs,
                                                  int32_t* endMs = nullptr) {
  std::vector<ScriptedKey::Change> script;
  int32_t at = startMs;
  for (const char* code : codes) {
    for (const char* element = code; *element != '\0'; ++element) {
      script.push_back({at, true});
      at += *element == '.' ? dotMs : 3 * dotMs;
      script.push_back({at, false});
      at += dotMs;
    }
    at += 2 * dotMs;
  }
  if (endMs != nullptr) *endMs = at;
  return script;
}

}  // namespace dovrik::testing
