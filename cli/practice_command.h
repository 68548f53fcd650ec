#pragma once

#include <cstdio>

#include "cli/command_line.h"
#include "platform/clock.h"

namespace dovrik {

// `dovrik --practice-file FILE [--groups N] [--seed N]`: loads "Dovrik.ini"
// from the working folder into stored controls (no window, no display), and
// writes the sending exercise those settings describe, with its answer key
// (WritePracticeFile). Without --seed, the clock's tick count seeds the
// groups and starts the noise, as at the program's start and the exercise's.
// A line on `out` names what was written; a failure is one line on `errors`.
// While writing, a one-line percentage goes to `errors` when it is a
// terminal. Returns the exit status: 0 when written, 1 when not.
int RunPracticeFileCommand(const PracticeFileOptions& options, Clock& clock, std::FILE* out,
                           std::FILE* errors);

}  // namespace dovrik
