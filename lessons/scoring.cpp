#include "lessons/scoring.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <utility>

namespace dovrik {

namespace {

// The step that reached a cell of the alignment, two bits per cell.
enum Step : uint8_t {
  kDiagonal = 0,   // sent[i-1] against typed[j-1]: a match or a substitution
  kDeletion = 1,   // sent[i-1] not typed
  kInsertion = 2,  // typed[j-1] not sent
};

// (n + 1) x (m + 1) steps packed four to a byte.
class StepMatrix {
 public:
  StepMatrix(size_t rows, size_t columns)
      : columns_(columns), bytes_((rows * columns + 3) / 4, 0) {}
  void Set(size_t i, size_t j, Step step) {
    const size_t cell = i * columns_ + j;
    bytes_[cell / 4] |= static_cast<uint8_t>(step << (2 * (cell % 4)));
  }
  Step Get(size_t i, size_t j) const {
    const size_t cell = i * columns_ + j;
    return static_cast<Step>((bytes_[cell / 4] >> (2 * (cell % 4))) & 3);
  }

 private:
  size_t columns_;
  std::vector<uint8_t> bytes_;
};

bool IsWhitespace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

}  // namespace

std::string NormaliseCopy(std::string_view text) {
  std::string normal;
  normal.reserve(text.size());
  bool pendingSpace = false;
  for (const char c : text) {
    if (IsWhitespace(c)) {
      pendingSpace = !normal.empty();
      continue;
    }
    if (pendingSpace) normal += ' ';
    pendingSpace = false;
    normal += c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  }
  return normal;
}

CopyScore ScoreCopy(std::string_view sentText, std::string_view typedText) {
  CopyScore result;
  result.sent = NormaliseCopy(sentText);
  result.typed = NormaliseCopy(typedText);
  const std::string& sent = result.sent;
  const std::string& typed = result.typed;
  const size_t n = sent.size();
  const size_t m = typed.size();

  // The table is filled over the reversed texts, so that cell (i, j) is
  // the best alignment of the last i sent and last j typed characters and
  // the walk back from the full texts meets them from the start. Where
  // several alignments tie, the walk takes a pair (match or substitution)
  // before a deletion before an insertion: the copy is paired with the
  // text as early as it can be, and what the learner missed at the end
  // shows as missed.
  //
  // Each cell's cost orders alignments by errors first, then by matches
  // (more is better): cost = errors * weight - matches, weight larger than
  // any count of matches. Along a path both parts add up, so the least
  // cost of a cell is the least of its three ways in.
  const auto sentAt = [&](size_t i) { return sent[n - i]; };  // i-th from the end, 1-based
  const auto typedAt = [&](size_t j) { return typed[m - j]; };
  const int64_t weight = static_cast<int64_t>(std::min(n, m)) + 1;
  std::vector<int64_t> previous(m + 1);
  std::vector<int64_t> current(m + 1);
  StepMatrix steps(n + 1, m + 1);
  for (size_t j = 0; j <= m; ++j) {
    previous[j] = static_cast<int64_t>(j) * weight;
    if (j > 0) steps.Set(0, j, kInsertion);
  }
  for (size_t i = 1; i <= n; ++i) {
    current[0] = static_cast<int64_t>(i) * weight;
    steps.Set(i, 0, kDeletion);
    for (size_t j = 1; j <= m; ++j) {
      const int64_t diagonal = previous[j - 1] + (sentAt(i) == typedAt(j) ? -1 : weight);
      const int64_t deletion = previous[j] + weight;
      const int64_t insertion = current[j - 1] + weight;
      int64_t best = diagonal;
      Step step = kDiagonal;
      if (deletion < best) {
        best = deletion;
        step = kDeletion;
      }
      if (insertion < best) {
        best = insertion;
        step = kInsertion;
      }
      current[j] = best;
      steps.Set(i, j, step);
    }
    std::swap(previous, current);
  }

  // From the full texts to the empty ends: the aligned pairs in order.
  std::string alignedSent, alignedTyped, markers;
  result.sentRight.assign(n, false);
  size_t i = n;
  size_t j = m;
  while (i > 0 || j > 0) {
    const Step step = steps.Get(i, j);
    const size_t sentIndex = n - i;  // valid while i > 0
    const size_t typedIndex = m - j;
    if (step == kDiagonal) {
      alignedSent += sent[sentIndex];
      alignedTyped += typed[typedIndex];
      if (sent[sentIndex] == typed[typedIndex]) {
        result.sentRight[sentIndex] = true;
        markers += ' ';
      } else {
        ++result.substitutions;
        markers += 'x';
      }
      --i;
      --j;
    } else if (step == kDeletion) {
      ++result.deletions;
      alignedSent += sent[sentIndex];
      alignedTyped += '_';
      markers += '-';
      --i;
    } else {
      ++result.insertions;
      alignedSent += '_';
      alignedTyped += typed[typedIndex];
      markers += '+';
      --j;
    }
  }
  result.alignedSent = std::move(alignedSent);
  result.alignedTyped = std::move(alignedTyped);
  result.markers = std::move(markers);

  result.sentLength = static_cast<int>(n);
  result.errors = result.substitutions + result.insertions + result.deletions;
  if (n == 0) {
    result.score = m == 0 ? 1.0 : 0.0;
  } else {
    result.score = std::max(0.0, 1.0 - static_cast<double>(result.errors) / static_cast<double>(n));
  }

  for (size_t k = 0; k < n; ++k) {
    if (sent[k] == ' ') continue;
    auto found =
        std::find_if(result.perCharacter.begin(), result.perCharacter.end(),
                     [&](const CopyScore::CharacterCount& c) { return c.character == sent[k]; });
    if (found == result.perCharacter.end()) {
      result.perCharacter.push_back({sent[k], 0, 0});
      found = result.perCharacter.end() - 1;
    }
    ++found->sent;
    if (result.sentRight[k]) ++found->right;
  }

  std::map<std::pair<char, char>, int> confusions;
  for (size_t k = 0; k < result.markers.size(); ++k) {
    if (result.markers[k] != 'x') continue;
    const char s = result.alignedSent[k];
    const char t = result.alignedTyped[k];
    if (s != ' ' && t != ' ') ++confusions[{s, t}];
  }
  for (const auto& [pair, count] : confusions) {
    result.confusions.push_back({pair.first, pair.second, count});
  }
  std::stable_sort(result.confusions.begin(), result.confusions.end(),
                   [](const CopyScore::Confusion& a, const CopyScore::Confusion& b) {
                     return a.count > b.count;
                   });
  return result;
}

CopyScore::CharacterCount CountOf(const CopyScore& score, char character) {
  for (const CopyScore::CharacterCount& count : score.perCharacter) {
    if (count.character == character) return count;
  }
  return {character, 0, 0};
}

}  // namespace dovrik
