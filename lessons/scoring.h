#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace dovrik {

// How one copy compares with the text that was sent. Both texts are
// normalised first (NormaliseCopy); the errors are the Levenshtein distance
// between them, each substitution, insertion and deletion counting 1,
// spaces included. Of the alignments with the least distance the one with
// the most matching characters is taken; it gives, for each sent character,
// whether it was copied right, and the confusions.
struct CopyScore {
  std::string sent;   // normalised
  std::string typed;  // normalised
  int sentLength = 0;
  int errors = 0;
  int substitutions = 0;
  int insertions = 0;  // typed characters that were not sent
  int deletions = 0;   // sent characters that were not typed
  // 0 .. 1: max(0, 1 - errors / sentLength). An empty sent text scores 1
  // when nothing was typed and 0 when something was.
  double score = 0;

  // One entry per sent character: true when the alignment matches it.
  std::vector<bool> sentRight;

  // Per character of the sent text (spaces left out), in first-sent order.
  struct CharacterCount {
    char character = '\0';
    int sent = 0;
    int right = 0;
  };
  std::vector<CharacterCount> perCharacter;

  // Sent `sent`, typed `typed` in its place (substitutions of two
  // characters other than spaces), most frequent first, then by sent and
  // typed character.
  struct Confusion {
    char sent = '\0';
    char typed = '\0';
    int count = 0;
  };
  std::vector<Confusion> confusions;

  // The alignment for the eye, three lines of equal length: the sent text,
  // the typed text, each with '_' where the other has a character it lacks,
  // and a marker line with ' ' under a match, 'x' under a substitution, '+'
  // under an insertion and '-' under a deletion.
  std::string alignedSent;
  std::string alignedTyped;
  std::string markers;
};

// The longest normalised text worth scoring: far beyond the copy of a
// 10-minute lesson at 50 WPM (about 3,000 characters). Two such texts need
// 100 MB of traceback; callers refuse longer ones before scoring.
inline constexpr size_t kLongestScoredText = 20000;

// Upper-cases ASCII letters, turns every run of whitespace into one space
// and trims both ends.
std::string NormaliseCopy(std::string_view text);

// Scores `typed` against `sent`. Time O(n m), memory two rows of the
// distance and two bits per cell of the traceback. Pure; any thread.
CopyScore ScoreCopy(std::string_view sent, std::string_view typed);

// The per-character right/sent count of `character`, {0, 0} when not sent.
CopyScore::CharacterCount CountOf(const CopyScore& score, char character);

}  // namespace dovrik
