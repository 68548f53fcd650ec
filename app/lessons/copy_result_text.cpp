#include "app/lessons/copy_result_text.h"

#include <QStringList>
#include <algorithm>
#include <cmath>
#include <vector>

namespace dovrik {
namespace {

QString Character(char character) {
  return QString(QLatin1Char(character));
}

QString Errors(int count) {
  return count == 1 ? QStringLiteral("1 error") : QStringLiteral("%1 errors").arg(count);
}

QString Verdict(const PromotionVerdict& verdict, const CharacterSet& set) {
  if (verdict.passed) {
    if (set.lesson > 0 && set.lesson < kLastLesson) {
      return QStringLiteral("Passed: lesson %1 is open.").arg(set.lesson + 1);
    }
    return QStringLiteral("Passed.");
  }
  QStringList missing;
  if (!verdict.scoreEnough) missing << QStringLiteral("a score of 90 %");
  if (!verdict.newestEnough) {
    missing << QStringLiteral("%1 copied right at least 9 times in 10").arg(Character(set.newest));
  }
  return QStringLiteral("Not passed yet: a pass needs %1.")
      .arg(missing.join(QStringLiteral(" and ")));
}

}  // namespace

int WholePercent(double share) {
  return static_cast<int>(std::floor(std::clamp(share, 0.0, 1.0) * 100.0 + 1e-9));
}

QString CopyResultAnnouncement(const CopyScore& score, const PromotionVerdict& verdict,
                               const CharacterSet& set) {
  return QStringLiteral("Score %1 %, %2. %3")
      .arg(WholePercent(score.score))
      .arg(Errors(score.errors), Verdict(verdict, set));
}

QString CopyResultText(const CopyScore& score, const PromotionVerdict& verdict,
                       const CharacterSet& set) {
  QStringList lines;
  lines << QStringLiteral("Score %1 %: %2 in %3 sent characters.")
               .arg(WholePercent(score.score))
               .arg(Errors(score.errors))
               .arg(score.sentLength);
  lines << Verdict(verdict, set);
  lines << QStringLiteral("Substitutions %1, insertions %2, deletions %3.")
               .arg(score.substitutions)
               .arg(score.insertions)
               .arg(score.deletions);
  lines << QString();
  lines << QStringLiteral("Sent:   ") + QString::fromLatin1(score.alignedSent.c_str());
  lines << QStringLiteral("Copied: ") + QString::fromLatin1(score.alignedTyped.c_str());
  lines << QStringLiteral("Errors: ") + QString::fromLatin1(score.markers.c_str());
  lines << QStringLiteral(
      "(x wrong character, + typed but not sent, - sent but not typed, "
      "_ a gap in the other line)");
  lines << QString();

  std::vector<CopyScore::CharacterCount> counts = score.perCharacter;
  // Weakest first; ties in course order of first sending, which the score keeps.
  std::stable_sort(counts.begin(), counts.end(), [](const auto& a, const auto& b) {
    return static_cast<int64_t>(a.right) * b.sent < static_cast<int64_t>(b.right) * a.sent;
  });
  lines << QStringLiteral("Each character, weakest first:");
  for (const CopyScore::CharacterCount& count : counts) {
    const double share = count.sent > 0 ? static_cast<double>(count.right) / count.sent : 0.0;
    lines << QStringLiteral("  %1  %2 of %3 right (%4 %)")
                 .arg(Character(count.character))
                 .arg(count.right)
                 .arg(count.sent)
                 .arg(WholePercent(share));
  }
  if (!score.confusions.empty()) {
    lines << QStringLiteral("Mistaken for another character:");
    for (const CopyScore::Confusion& confusion : score.confusions) {
      lines << QStringLiteral("  %1 copied as %2, %3 %4")
                   .arg(Character(confusion.sent), Character(confusion.typed))
                   .arg(confusion.count)
                   .arg(confusion.count == 1 ? QStringLiteral("time") : QStringLiteral("times"));
    }
  }
  return lines.join(QLatin1Char('\n'));
}

}  // namespace dovrik
