#pragma once

// Attempts the history tests and the writer helper agree on: attempt `n` is
// always the same, so a reader can tell a whole attempt from a torn one.

#include <string>

#include "history/history_store.h"

namespace dovrik::testing {

inline Attempt NumberedAttempt(int n) {
  static const char* const kExercises[] = {"copy", "send", "file"};
  static const std::string kCourse = "KMURESNAPTLWIJZ=FOYVG5/Q92H38B?47C1D60X";
  Attempt attempt;
  attempt.timeUtcMs = 1'796'000'000'000 + int64_t{n} * 60'000;
  attempt.exercise = kExercises[n % 3];
  attempt.lesson = n % 39;
  attempt.characterSet = kCourse.substr(0, static_cast<size_t>(attempt.lesson + 1));
  attempt.charWpm = 20 + n % 5;
  attempt.effectiveWpm = 10 + n % 7;
  attempt.minutes = 2.5;
  for (int i = 0; i < 300; ++i) {
    attempt.sentText += (i % 6 == 5) ? ' ' : kCourse[static_cast<size_t>((n + i) % 39)];
  }
  attempt.typedText = attempt.sentText;
  attempt.typedText[3] = '?';
  attempt.score = static_cast<double>(n % 101) / 100.0;
  for (int i = 0; i <= attempt.lesson; ++i) {
    attempt.perChar.push_back(
        {std::string(1, kCourse[static_cast<size_t>(i)]), 5 + (n + i) % 9, (n + i) % 5});
  }
  attempt.confusions = {{"K", "R", 1 + n % 4}, {"=", "\"", 2}};
  attempt.figures = "{\"attempt\":" + std::to_string(n) + "}";
  return attempt;
}

}  // namespace dovrik::testing
