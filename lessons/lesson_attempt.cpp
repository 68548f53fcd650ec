#include "lessons/lesson_attempt.h"

#include <algorithm>

namespace dovrik {

Attempt MakeAttempt(const CopyScore& score, const CharacterSet& set, const char* exercise,
                    int charWpm, int effectiveWpm, double minutes, int64_t timeUtcMs) {
  Attempt attempt;
  attempt.timeUtcMs = timeUtcMs;
  attempt.exercise = exercise;
  attempt.lesson = set.lesson;
  attempt.characterSet = set.characters;
  attempt.charWpm = charWpm;
  attempt.effectiveWpm = effectiveWpm;
  attempt.minutes = minutes;
  attempt.sentText = score.sent;
  attempt.typedText = score.typed;
  attempt.score = score.score;
  for (const CopyScore::CharacterCount& count : score.perCharacter) {
    attempt.perChar.push_back({std::string(1, count.character), count.sent, count.right});
  }
  for (const CopyScore::Confusion& confusion : score.confusions) {
    attempt.confusions.push_back(
        {std::string(1, confusion.sent), std::string(1, confusion.typed), confusion.count});
  }
  return attempt;
}

std::vector<CharacterRecord> RecentRecords(const std::vector<Attempt>& attempts, int lastAttempts) {
  std::vector<CharacterRecord> records;
  const size_t first = attempts.size() > static_cast<size_t>(std::max(lastAttempts, 0))
                           ? attempts.size() - static_cast<size_t>(std::max(lastAttempts, 0))
                           : 0;
  for (size_t k = first; k < attempts.size(); ++k) {
    for (const CharCount& count : attempts[k].perChar) {
      if (count.character.size() != 1) continue;
      const char character = count.character[0];
      auto found = std::find_if(records.begin(), records.end(),
                                [&](const CharacterRecord& r) { return r.character == character; });
      if (found == records.end()) {
        records.push_back({character, 0, 0});
        found = records.end() - 1;
      }
      found->sent += count.sent;
      found->right += count.right;
    }
  }
  return records;
}

}  // namespace dovrik
