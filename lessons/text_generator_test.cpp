#include "lessons/text_generator.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "lessons/lesson_attempt.h"
#include "platform/audio_format.h"

namespace dovrik {
namespace {

TextRequest Request(int lesson, uint32_t seed, int minutes = 2,
                    GroupMode groups = GroupMode::kFive) {
  TextRequest request;
  request.set = *LessonCharacterSet(lesson);
  request.groups = groups;
  request.minutes = minutes;
  request.timing = *FarnsworthTiming(20, 10, nullptr);
  request.seed = seed;
  return request;
}

int Count(const std::string& text, char character) {
  return static_cast<int>(std::count(text.begin(), text.end(), character));
}

std::vector<std::string> Groups(const std::string& text) {
  std::vector<std::string> groups;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = std::min(text.find(' ', start), text.size());
    groups.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return groups;
}

// Every lesson, a few seeds and lengths: only the lesson's characters in
// groups of five, the newest at least a fifth and at least five times, and
// the whole within its minutes.
TEST(LessonText, LessonCharactersNewestShareAndLength) {
  for (int lesson = 1; lesson <= 38; ++lesson) {
    for (const int minutes : {1, 3}) {
      const TextRequest request =
          Request(lesson, static_cast<uint32_t>(lesson * 31 + minutes), minutes);
      const std::string text = GenerateLessonText(request);
      int letters = 0;
      for (const char character : text) {
        if (character == ' ') continue;
        ++letters;
        ASSERT_NE(request.set.characters.find(character), std::string::npos)
            << "lesson " << lesson << ": " << character;
      }
      for (const std::string& group : Groups(text)) ASSERT_EQ(group.size(), 5u) << text;
      const int newest = Count(text, request.set.newest);
      EXPECT_GE(newest * 5, letters) << "lesson " << lesson;
      EXPECT_GE(newest, 5) << "lesson " << lesson;
      const int64_t samples = TextSamples(text, request.timing);
      EXPECT_LE(samples, int64_t{minutes} * 60 * kSampleRate) << "lesson " << lesson;
      // Whole groups up to the end, less at most two (the newest character's
      // share may have cost the last one): a group is at most five zeros.
      const int64_t longestGroup = 5 * 19 * request.timing.dot + 4 * request.timing.characterSpace +
                                   request.timing.wordSpace;
      EXPECT_GT(samples, int64_t{minutes} * 60 * kSampleRate - 2 * longestGroup);
    }
  }
}

TEST(LessonText, SameSeedSameText) {
  const std::string first = GenerateLessonText(Request(12, 4242));
  EXPECT_EQ(GenerateLessonText(Request(12, 4242)), first);
  EXPECT_NE(GenerateLessonText(Request(12, 4243)), first);
  // Ten minutes at 20/10 WPM: a hundred words, give or take.
  const std::string tenMinutes = GenerateLessonText(Request(38, 1, 10));
  EXPECT_GT(tenMinutes.size(), 450u);
}

TEST(LessonText, VariableGroupsOfTwoToSeven) {
  const std::string text = GenerateLessonText(Request(20, 99, 5, GroupMode::kVariable));
  std::vector<int> seen(8, 0);
  for (const std::string& group : Groups(text)) {
    ASSERT_GE(group.size(), 2u) << text;
    ASSERT_LE(group.size(), 7u) << text;
    ++seen[group.size()];
  }
  for (size_t length = 2; length <= 7; ++length) EXPECT_GT(seen[length], 0) << length;
}

TEST(LessonText, WeakCharactersComeMoreOften) {
  EXPECT_DOUBLE_EQ(CharacterWeight('K', {}), 1.0);
  EXPECT_DOUBLE_EQ(CharacterWeight('K', {{'K', 10, 10}}), 1.0);
  EXPECT_DOUBLE_EQ(CharacterWeight('K', {{'K', 10, 0}}), 3.0);
  EXPECT_DOUBLE_EQ(CharacterWeight('K', {{'K', 4, 3}, {'K', 6, 2}}), 2.0);  // 5 of 10

  TextRequest plain = Request(9, 5, 10);
  TextRequest weak = plain;
  weak.records = {{'U', 40, 4}, {'M', 40, 40}, {'K', 40, 40}};
  const std::string before = GenerateLessonText(plain);
  const std::string after = GenerateLessonText(weak);
  // U goes from weight 1 to 2.8 among ten characters.
  EXPECT_GT(Count(after, 'U'), 2 * Count(before, 'U'));
  EXPECT_GT(Count(after, 'U'), 2 * Count(after, 'M'));
}

}  // namespace
}  // namespace dovrik

namespace dovrik {
namespace {

// The weights come from the last ten attempts only: an old bad run of K
// is forgotten once the learner has copied it well ten times since.
TEST(LessonText, RecordsOfTheLastAttempts) {
  std::vector<Attempt> attempts(12);
  attempts[0].perChar = {{"K", 50, 0}};
  attempts[1].perChar = {{"K", 50, 0}, {"M", 5, 1}};
  for (size_t k = 2; k < attempts.size(); ++k) attempts[k].perChar = {{"K", 5, 5}, {"M", 5, 4}};
  const std::vector<CharacterRecord> records = RecentRecords(attempts);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].character, 'K');
  EXPECT_EQ(records[0].sent, 50);
  EXPECT_EQ(records[0].right, 50);
  EXPECT_EQ(records[1].sent, 50);
  EXPECT_EQ(records[1].right, 40);
  EXPECT_DOUBLE_EQ(CharacterWeight('M', records), 1.4);
  EXPECT_EQ(RecentRecords(attempts, 12)[0].right, 50);
  EXPECT_EQ(RecentRecords(attempts, 12)[0].sent, 150);
}

}  // namespace
}  // namespace dovrik
