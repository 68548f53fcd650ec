#include "lessons/farnsworth.h"

#include <gtest/gtest.h>

#include "lessons/course.h"
#include "lessons/lesson_sound.h"

namespace dovrik {
namespace {

TEST(FarnsworthTiming, TwentyCharactersAtTen) {
  const std::optional<LessonTiming> timing = FarnsworthTiming(20, 10, nullptr);
  ASSERT_TRUE(timing);
  EXPECT_EQ(timing->dot, 1323);  // 60 ms
  EXPECT_EQ(timing->dash, 3969);
  EXPECT_EQ(timing->elementSpace, 1323);
  // t_a = 4.14 s: 3/19 of it is 14,413.7 samples, 7/19 is 33,632.05.
  EXPECT_EQ(timing->characterSpace, 14414);
  EXPECT_EQ(timing->wordSpace, 33632);
}

TEST(FarnsworthTiming, UnstretchedAtTheCharacterSpeed) {
  for (const int speed : {5, 13, 20, 37, 50}) {
    const std::optional<LessonTiming> timing = FarnsworthTiming(speed, speed, nullptr);
    ASSERT_TRUE(timing) << speed;
    EXPECT_EQ(timing->characterSpace, 3 * timing->dot) << speed;
    EXPECT_EQ(timing->wordSpace, 7 * timing->dot) << speed;
  }
  EXPECT_EQ(FarnsworthTiming(13, 13, nullptr)->dot, 2035);  // 2,035.4 rounded
}

TEST(FarnsworthTiming, SpeedsOutOfRangeAreRefused) {
  const std::pair<int, int> bad[] = {{4, 4}, {51, 10}, {20, 21}, {20, 4}, {0, 0}, {50, 51}};
  for (const auto& [c, e] : bad) {
    std::string error;
    EXPECT_FALSE(FarnsworthTiming(c, e, &error)) << c << "/" << e;
    EXPECT_FALSE(error.empty());
  }
  EXPECT_TRUE(FarnsworthTiming(50, 5, nullptr));
  EXPECT_TRUE(FarnsworthTiming(5, 5, nullptr));
}

TEST(FarnsworthTiming, TextLengthAndItsSpans) {
  const LessonTiming timing = *FarnsworthTiming(20, 10, nullptr);
  const int64_t k = 3969 + 1323 + 1323 + 1323 + 3969;  // -.-
  const int64_t m = 3969 + 1323 + 3969;                // --
  const int64_t expected = k + 14414 + m + 33632 + k + 33632;
  EXPECT_EQ(TextSamples("KM K", timing), expected);
  EXPECT_EQ(TextSamples("KM   K ", timing), expected);  // a run of spaces is one break

  const std::vector<TimedSpan> spans = LessonSpans("KM K", timing);
  EXPECT_EQ(TotalSamples(spans), kLessonLeadIn + expected);
  ASSERT_EQ(spans.size(), 1u + 5 + 1 + 3 + 1 + 5 + 1);  // lead-in, K, space, M, space, K, space
  EXPECT_FALSE(spans[0].tone);
  EXPECT_TRUE(spans[1].tone);
  EXPECT_EQ(spans[1].samples, 3969);
  EXPECT_EQ(spans[6].samples, 14414);
  EXPECT_FALSE(spans.back().tone);
  EXPECT_EQ(spans.back().samples, 33632);
}

TEST(Course, KochOrderOverDovriksCharacters) {
  ASSERT_EQ(kKochOrder.size(), 39u);
  for (const char character : kKochOrder) {
    EXPECT_NE(MorsePattern(character), nullptr) << character;
    EXPECT_EQ(kKochOrder.find(character), kKochOrder.rfind(character)) << character;
  }
  EXPECT_EQ(kKochOrder.find('!'), std::string_view::npos);

  EXPECT_EQ(LessonCharacterSet(1)->characters, "KM");
  EXPECT_EQ(LessonCharacterSet(1)->newest, 'M');
  EXPECT_EQ(LessonCharacterSet(38)->characters.size(), 39u);
  EXPECT_EQ(LessonCharacterSet(38)->newest, 'X');
  EXPECT_FALSE(LessonCharacterSet(0));
  EXPECT_FALSE(LessonCharacterSet(39));
}

TEST(Course, CustomSets) {
  std::string error;
  const std::optional<CharacterSet> set = CustomCharacterSet("q z k Q ?", &error);
  ASSERT_TRUE(set) << error;
  EXPECT_EQ(set->characters, "QZK?");
  EXPECT_EQ(set->newest, '?');
  EXPECT_EQ(set->lesson, 0);
  EXPECT_FALSE(CustomCharacterSet("KM,", &error));
  EXPECT_NE(error.find("','"), std::string::npos) << error;
  EXPECT_FALSE(CustomCharacterSet("   ", &error));
}

}  // namespace
}  // namespace dovrik
