#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "cli/command_line.h"
#include "lessons/scoring.h"
#include "platform/clock.h"

namespace dovrik {

// `dovrik --practice-file FILE --lesson N [--char-wpm C] [--effective-wpm E]
// [--minutes M] [--seed S]`: writes lesson N with the lessons' settings of
// settings.ini (the options in place of theirs) as a sound file with its
// answer key. Without --seed the clock seeds the text and starts the noise.
// The text is drawn without the history, so a seed always gives the same
// file. Returns the exit status: 0 written, 1 not written, 2 for values
// that cannot make a lesson (nothing is written then).
int RunLessonFileCommand(const PracticeFileOptions& options, Clock& clock, std::FILE* out,
                         std::FILE* errors);

// `dovrik --score-copy KEY COPY [--lesson N] [--json]`: scores the copy
// against the key, prints the result on `out` and records it in the history
// at `historyPath` (empty: the default place) as an attempt of exercise
// "file". Returns 0 when printed and recorded; 1 when printed but the
// history could not be written (the reason on `errors`); 2 when a file
// cannot be read or is longer than kLongestScoredText (nothing printed or
// written).
int RunScoreCopyCommand(const ScoreCopyOptions& options, const std::string& historyPath,
                        int64_t nowUtcMs, std::FILE* out, std::FILE* errors);

// The result as one JSON object: score, errors, sent_length,
// substitutions, insertions, deletions, per_char {character: {sent, right}},
// confusions [[sent, typed, count]], the aligned texts and their markers,
// and with a lesson the lesson and whether it passed.
std::string ScoreJson(const CopyScore& score, int lesson, bool passed, bool saved);

// The result for a reader: the score and counts, the aligned texts with a
// marker line under them in lines of at most `width` columns, the
// per-character counts and the confusions.
std::string ScoreText(const CopyScore& score, int width = 60);

}  // namespace dovrik
