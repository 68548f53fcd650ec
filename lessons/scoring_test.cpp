#include "lessons/scoring.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "lessons/promotion.h"

namespace dovrik {
namespace {

// The sent text given back by the aligned line: the line without its gaps.
std::string WithoutGaps(const std::string& aligned) {
  std::string text = aligned;
  text.erase(std::remove(text.begin(), text.end(), '_'), text.end());
  return text;
}

TEST(CopyScoring, NormalisesCaseAndWhitespace) {
  EXPECT_EQ(NormaliseCopy("  kmu\t\n  re \r\n"), "KMU RE");
  EXPECT_EQ(NormaliseCopy("\n\t "), "");
  EXPECT_EQ(NormaliseCopy("k/=?5"), "K/=?5");
  const CopyScore score = ScoreCopy("KMURE SNAPT", "  kmure\n\nsnapt ");
  EXPECT_EQ(score.errors, 0);
  EXPECT_DOUBLE_EQ(score.score, 1.0);
}

// Worked by hand: the counts, the score and the marker line of each case.
struct HandCase {
  const char* name;
  const char* sent;
  const char* typed;
  int substitutions, insertions, deletions;
  double score;
};

class HandWorked : public testing::TestWithParam<HandCase> {};

TEST_P(HandWorked, CountsAndScore) {
  const HandCase& c = GetParam();
  const CopyScore score = ScoreCopy(c.sent, c.typed);
  EXPECT_EQ(score.substitutions, c.substitutions);
  EXPECT_EQ(score.insertions, c.insertions);
  EXPECT_EQ(score.deletions, c.deletions);
  EXPECT_EQ(score.errors, c.substitutions + c.insertions + c.deletions);
  EXPECT_DOUBLE_EQ(score.score, c.score);
  EXPECT_EQ(score.sentLength, static_cast<int>(score.sent.size()));
  // The three lines agree with each other and with both texts.
  ASSERT_EQ(score.alignedSent.size(), score.markers.size());
  ASSERT_EQ(score.alignedTyped.size(), score.markers.size());
  EXPECT_EQ(WithoutGaps(score.alignedSent), score.sent);
  EXPECT_EQ(WithoutGaps(score.alignedTyped), score.typed);
  EXPECT_EQ(static_cast<int>(std::count_if(score.markers.begin(), score.markers.end(),
                                           [](char m) { return m != ' '; })),
            score.errors);
}

INSTANTIATE_TEST_SUITE_P(
    Copies, HandWorked,
    testing::Values(
        HandCase{"Perfect", "KMURE SNAPT", "KMURE SNAPT", 0, 0, 0, 1.0},
        // "SNAPT " is gone: six deletions in 17 characters.
        HandCase{"MissedGroup", "KMURE SNAPT LWIJZ", "KMURE LWIJZ", 0, 0, 6, 1.0 - 6.0 / 17.0},
        HandCase{"ExtraSpace", "KMURE", "KM URE", 0, 1, 0, 0.8},
        HandCase{"TwoGroupsRunTogether", "KMURE SNAPT", "KMURESNAPT", 0, 0, 1, 1.0 - 1.0 / 11.0},
        // One character for another, twice.
        HandCase{"Substitutions", "KMKMK", "RMRMK", 2, 0, 0, 0.6},
        // Swapped neighbours cost two edits either way; the alignment that
        // keeps one of them right is taken over two substitutions.
        HandCase{"Transposition", "KM", "MK", 0, 1, 1, 0.0},
        HandCase{"TranspositionInAGroup", "KMURE", "KMRUE", 0, 1, 1, 0.6},
        HandCase{"EmptyCopy", "KMURE SNAPT", "", 0, 0, 11, 0.0},
        HandCase{"EmptyCopyOfNothing", "", "  ", 0, 0, 0, 1.0},
        HandCase{"SomethingCopiedOfNothing", "", "K", 0, 1, 0, 0.0},
        // Four characters too many in two: the score stops at zero.
        HandCase{"CopyLongerThanSent", "KM", "KMKMKM", 0, 4, 0, 0.0},
        HandCase{"CopyLongerByOneGroup", "KMURE", "KMURE SNAPT", 0, 6, 0, 0.0},
        HandCase{"LowerCaseCopy", "KMU", "kmu", 0, 0, 0, 1.0}),
    [](const testing::TestParamInfo<HandCase>& info) { return std::string(info.param.name); });

TEST(CopyScoring, MissedGroupMarksItsCharactersWrongAndNoOther) {
  const CopyScore score = ScoreCopy("KMURE SNAPT LWIJZ", "KMURE LWIJZ");
  for (size_t k = 0; k < score.sent.size(); ++k) {
    if (score.sent[k] == ' ') continue;
    const bool inMissedGroup = k >= 6 && k <= 10;
    EXPECT_EQ(score.sentRight[k], !inMissedGroup) << "position " << k;
  }
  EXPECT_EQ(CountOf(score, 'S').sent, 1);
  EXPECT_EQ(CountOf(score, 'S').right, 0);
  EXPECT_EQ(CountOf(score, 'K').right, 1);
  EXPECT_TRUE(score.confusions.empty());
  EXPECT_EQ(score.markers.find_first_not_of(' '), 6u);  // the space after KMURE was copied
}

// Two alignments tie here (7 errors, 10 matches): R against T with the
// last group missed, or R against Z with "T LWIJ" missed. The copy is
// paired with the text from its start: the learner stopped copying.
TEST(CopyScoring, ACopyThatStopsEarlyMissesTheEnd) {
  const CopyScore score = ScoreCopy("KMURE SNAPT LWIJZ", "kmure  snapr");
  EXPECT_EQ(score.errors, 7);
  EXPECT_EQ(score.alignedTyped, "KMURE SNAPR______");
  EXPECT_EQ(score.markers, "          x------");
  ASSERT_EQ(score.confusions.size(), 1u);
  EXPECT_EQ(score.confusions[0].sent, 'T');
  EXPECT_EQ(score.confusions[0].typed, 'R');
}

TEST(CopyScoring, ConfusionsAndPerCharacterCounts) {
  const CopyScore score = ScoreCopy("KMKMK EEKTT", "RMRMK EIKTM");
  ASSERT_EQ(score.confusions.size(), 3u);
  EXPECT_EQ(score.confusions[0].sent, 'K');
  EXPECT_EQ(score.confusions[0].typed, 'R');
  EXPECT_EQ(score.confusions[0].count, 2);
  // The rest, once each, in character order.
  EXPECT_EQ(score.confusions[1].sent, 'E');
  EXPECT_EQ(score.confusions[1].typed, 'I');
  EXPECT_EQ(score.confusions[2].sent, 'T');
  EXPECT_EQ(score.confusions[2].typed, 'M');
  EXPECT_EQ(CountOf(score, 'K').sent, 4);
  EXPECT_EQ(CountOf(score, 'K').right, 2);
  EXPECT_EQ(CountOf(score, 'M').sent, 2);
  EXPECT_EQ(CountOf(score, 'M').right, 2);
  EXPECT_EQ(CountOf(score, ' ').sent, 0);  // spaces are scored, not listed
  EXPECT_EQ(score.markers, "x x    x  x");
  EXPECT_EQ(score.perCharacter.front().character, 'K');  // first-sent order
}

TEST(CopyScoring, AlignedLinesMarkEachKindOfError) {
  const CopyScore score = ScoreCopy("KMURE", "KMXUE");
  // KM match, X inserted, U matches, R deleted, E matches.
  EXPECT_EQ(score.alignedSent, "KM_URE");
  EXPECT_EQ(score.alignedTyped, "KMXU_E");
  EXPECT_EQ(score.markers, "  + - ");
}

// Every alignment of two short texts, tried one by one: the least errors
// and, among those, the most matches.
void BestByHand(const std::string& a, const std::string& b, size_t i, size_t j, int errors,
                int matches, int& bestErrors, int& bestMatches) {
  if (i == a.size() && j == b.size()) {
    if (errors < bestErrors || (errors == bestErrors && matches > bestMatches)) {
      bestErrors = errors;
      bestMatches = matches;
    }
    return;
  }
  if (i < a.size() && j < b.size()) {
    const bool same = a[i] == b[j];
    BestByHand(a, b, i + 1, j + 1, errors + (same ? 0 : 1), matches + (same ? 1 : 0), bestErrors,
               bestMatches);
  }
  if (i < a.size()) BestByHand(a, b, i + 1, j, errors + 1, matches, bestErrors, bestMatches);
  if (j < b.size()) BestByHand(a, b, i, j + 1, errors + 1, matches, bestErrors, bestMatches);
}

TEST(CopyScoring, LeastErrorsThenMostMatchesOnEveryShortPair) {
  std::mt19937 random(18);
  const char letters[] = "KME";
  for (int round = 0; round < 400; ++round) {
    std::string a, b;
    const int lengthA = static_cast<int>(random() % 7);
    const int lengthB = static_cast<int>(random() % 7);
    for (int k = 0; k < lengthA; ++k) a += letters[random() % 3];
    for (int k = 0; k < lengthB; ++k) b += letters[random() % 3];
    int bestErrors = 1 << 20;
    int bestMatches = -1;
    BestByHand(a, b, 0, 0, 0, 0, bestErrors, bestMatches);
    const CopyScore score = ScoreCopy(a, b);
    const int matches =
        static_cast<int>(std::count(score.markers.begin(), score.markers.end(), ' '));
    ASSERT_EQ(score.errors, bestErrors) << a << " / " << b;
    ASSERT_EQ(matches, bestMatches) << a << " / " << b;
    ASSERT_EQ(WithoutGaps(score.alignedSent), a);
    ASSERT_EQ(WithoutGaps(score.alignedTyped), b);
  }
}

TEST(CopyScoring, LongCopyKeepsItsAlignmentWhole) {
  // A 10-minute copy: 2,500 characters with a mistake in every group.
  std::mt19937 random(7);
  const std::string alphabet = "KMURESNAPTLWIJZ=FOY";
  std::string sent, typed;
  for (int group = 0; group < 417; ++group) {
    if (!sent.empty()) {
      sent += ' ';
      typed += ' ';
    }
    std::string five;
    for (int k = 0; k < 5; ++k) five += alphabet[random() % alphabet.size()];
    sent += five;
    five[static_cast<size_t>(group % 5)] = five[static_cast<size_t>(group % 5)] == 'Q' ? 'X' : 'Q';
    typed += five;
  }
  ASSERT_GE(sent.size(), 2500u);
  const CopyScore score = ScoreCopy(sent, typed);
  EXPECT_EQ(score.errors, 417);
  EXPECT_EQ(score.substitutions, 417);
  EXPECT_EQ(WithoutGaps(score.alignedSent), score.sent);
  EXPECT_EQ(WithoutGaps(score.alignedTyped), score.typed);
}

TEST(Promotion, NinetyPercentAndTheNewestCharacter) {
  // Ten characters, M the newest and sent five times.
  const char* sent = "KMKMKMKMKM";
  EXPECT_TRUE(JudgeAttempt(ScoreCopy(sent, "KMKMKMKMKM"), 'M').passed);
  // One K wrong: 90 % exactly, M 5 of 5.
  const PromotionVerdict oneK = JudgeAttempt(ScoreCopy(sent, "RMKMKMKMKM"), 'M');
  EXPECT_TRUE(oneK.passed);
  EXPECT_EQ(oneK.newestRight, 5);
  // One M wrong: still 90 %, but M only 4 of 5.
  const PromotionVerdict oneM = JudgeAttempt(ScoreCopy(sent, "KRKMKMKMKM"), 'M');
  EXPECT_TRUE(oneM.scoreEnough);
  EXPECT_FALSE(oneM.newestEnough);
  EXPECT_FALSE(oneM.passed);
  // Two K wrong: 80 %.
  const PromotionVerdict twoK = JudgeAttempt(ScoreCopy(sent, "RMRMKMKMKM"), 'M');
  EXPECT_FALSE(twoK.scoreEnough);
  EXPECT_TRUE(twoK.newestEnough);
  EXPECT_FALSE(twoK.passed);
  // A newest character never sent earns nothing.
  EXPECT_FALSE(JudgeAttempt(ScoreCopy("KKKKK", "KKKKK"), 'M').passed);
  // 9 of 10 newest right is enough.
  EXPECT_TRUE(JudgeAttempt(ScoreCopy("MMMMMMMMMMKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKK",
                                     "MMMMMMMMMKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKK"),
                           'M')
                  .passed);
}

}  // namespace
}  // namespace dovrik
