#include "lessons/text_generator.h"

#include <algorithm>

#include "platform/audio_format.h"
#include "sender/random_source.h"

namespace dovrik {

namespace {

constexpr int kLeastNewest = 5;
constexpr int kNewestShareDivisor = 5;  // at least one character in five

// Draws from the program's generator: two 15-bit draws make one 30-bit
// fraction, so the weighted choice is fine-grained.
class Draws {
 public:
  explicit Draws(uint32_t seed) : random_(seed) {}
  double Fraction() {
    const int64_t high = random_.Next();
    const int64_t low = random_.Next();
    return static_cast<double>(high * 32768 + low) / 1073741824.0;
  }
  // 0 .. count - 1.
  int Below(int count) { return std::min(count - 1, static_cast<int>(Fraction() * count)); }

 private:
  RandomSource random_;
};

struct Weighted {
  std::vector<char> characters;
  std::vector<double> cumulative;

  char Draw(Draws& draws) const {
    const double point = draws.Fraction() * cumulative.back();
    const auto found = std::upper_bound(cumulative.begin(), cumulative.end(), point);
    const size_t index =
        std::min(static_cast<size_t>(found - cumulative.begin()), characters.size() - 1);
    return characters[index];
  }
};

int CountOf(const std::string& text, char character) {
  return static_cast<int>(std::count(text.begin(), text.end(), character));
}

int Letters(const std::string& text) {
  return static_cast<int>(text.size()) - CountOf(text, ' ');
}

// The newest character's least count in a text of `letters` characters.
int NewestNeeded(int letters) {
  const int share = (letters + kNewestShareDivisor - 1) / kNewestShareDivisor;
  return std::min(letters, std::max(kLeastNewest, share));
}

// Turns drawn characters other than the newest into the newest until it
// has its share; the positions are drawn.
void GiveNewestItsShare(std::string& text, char newest, Draws& draws) {
  const int needed = NewestNeeded(Letters(text));
  int have = CountOf(text, newest);
  while (have < needed) {
    std::vector<size_t> others;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] != ' ' && text[i] != newest) others.push_back(i);
    }
    if (others.empty()) return;
    text[others[static_cast<size_t>(draws.Below(static_cast<int>(others.size())))]] = newest;
    ++have;
  }
}

}  // namespace

double CharacterWeight(char character, const std::vector<CharacterRecord>& records) {
  int sent = 0;
  int right = 0;
  for (const CharacterRecord& record : records) {
    if (record.character != character) continue;
    sent += record.sent;
    right += std::min(record.right, record.sent);
  }
  if (sent <= 0) return 1.0;
  const double accuracy = static_cast<double>(right) / sent;
  return 1.0 + 2.0 * (1.0 - accuracy);
}

std::string GenerateLessonText(const TextRequest& request) {
  if (request.set.characters.empty()) return {};
  Draws draws(request.seed);
  Weighted weighted;
  double total = 0;
  for (const char character : request.set.characters) {
    total += CharacterWeight(character, request.records);
    weighted.characters.push_back(character);
    weighted.cumulative.push_back(total);
  }

  // Whole groups while they fit; each group's samples end with its word
  // space, so the groups' lengths simply add up.
  const int64_t budget = int64_t{std::max(request.minutes, 1)} * 60 * kSampleRate;
  std::vector<std::string> groups;
  int64_t used = 0;
  for (;;) {
    const int length = request.groups == GroupMode::kFive ? 5 : 2 + draws.Below(6);
    std::string group;
    for (int i = 0; i < length; ++i) group += weighted.Draw(draws);
    const int64_t samples = TextSamples(group, request.timing);
    if (samples <= 0 || (used + samples > budget && !groups.empty())) break;
    used += samples;
    groups.push_back(std::move(group));
    if (used >= budget) break;
  }

  // The newest character's share changes the lengths a little: a text
  // that no longer fits loses its last group and is looked at again.
  for (;;) {
    std::string text;
    for (const std::string& group : groups) {
      if (!text.empty()) text += ' ';
      text += group;
    }
    GiveNewestItsShare(text, request.set.newest, draws);
    if (groups.size() == 1 || TextSamples(text, request.timing) <= budget) return text;
    groups.pop_back();
  }
}

}  // namespace dovrik
