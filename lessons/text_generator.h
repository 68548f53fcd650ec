#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "lessons/course.h"
#include "lessons/farnsworth.h"

namespace dovrik {

enum class GroupMode {
  kFive,      // every group five characters
  kVariable,  // each group 2 .. 7 characters, drawn
};

// How well the learner copied one character over the last attempts (from
// the history): `right` of `sent` occurrences.
struct CharacterRecord {
  char character = '\0';
  int sent = 0;
  int right = 0;
};

struct TextRequest {
  CharacterSet set;
  GroupMode groups = GroupMode::kFive;
  int minutes = 2;  // of sound at `timing`
  LessonTiming timing;
  uint32_t seed = 0;
  std::vector<CharacterRecord> records;  // may be empty
};

// The weight a character is drawn with: 1 + 2 (1 - accuracy), accuracy being
// right / sent of its records; 1 without records. A character never copied
// right comes three times as often as one always copied right.
double CharacterWeight(char character, const std::vector<CharacterRecord>& records);

// Groups of the set's characters, one space between groups, as many whole
// groups as fit in `minutes` at the timing (TextSamples), and at least one.
// The newest character makes up at least a fifth of the characters and
// comes at least five times (when the text has room for five); the others
// are drawn by CharacterWeight. The same request gives the same text.
std::string GenerateLessonText(const TextRequest& request);

}  // namespace dovrik
