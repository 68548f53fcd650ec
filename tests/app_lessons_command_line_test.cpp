// The lessons' command line through the real program, with no display at
// all and its own settings and history folders: a lesson written as a
// sound file with its key, and a copy scored, printed and recorded.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdlib>
#include <vector>

#include "history/history_store.h"
#include "lessons/farnsworth.h"
#include "lessons/lesson_sound.h"
#include "tests/support/headless_environment.h"

namespace dovrik {
namespace {

struct Outcome {
  int status = -1;
  QByteArray out;
  QByteArray errors;
};

class LessonCommandLine : public ::testing::Test {
 protected:
  Outcome Run(const QStringList& arguments) {
    QStringList environment = testing::EnvironmentWithoutDisplay();
    environment << "QT_QPA_PLATFORM=xcb"
                << "XDG_CONFIG_HOME=" + folder_.filePath("config")
                << "XDG_DATA_HOME=" + folder_.filePath("data");
    QProcess program;
    program.setEnvironment(environment);
    program.setWorkingDirectory(folder_.path());
    program.start(QStringLiteral(DOVRIK_PROGRAM_PATH), arguments);
    Outcome outcome;
    if (!program.waitForFinished(60000) || program.exitStatus() != QProcess::NormalExit)
      return outcome;
    outcome.status = program.exitCode();
    outcome.out = program.readAllStandardOutput();
    outcome.errors = program.readAllStandardError();
    return outcome;
  }
  QByteArray Read(const QString& name) {
    QFile file(folder_.filePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  void Write(const QString& name, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(folder_.filePath(name)).path());
    QFile file(folder_.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }
  bool Exists(const QString& name) { return QFile::exists(folder_.filePath(name)); }
  QString HistoryPath() { return folder_.filePath("data/dovrik/history.sqlite3"); }

  QTemporaryDir folder_;
};

// The lengths of the silent stretches (at least 200 samples of zero) of a
// noiseless sound, in order.
std::vector<int> SilentRuns(const int16_t* samples, size_t count) {
  std::vector<int> runs;
  size_t start = 0;
  for (size_t k = 0; k <= count; ++k) {
    if (k < count && samples[k] == 0) continue;
    if (k - start >= 200) runs.push_back(static_cast<int>(k - start));
    start = k + 1;
  }
  return runs;
}

TEST_F(LessonCommandLine, LessonFileHoldsItsKeyAtFarnsworthTiming) {
  const Outcome outcome =
      Run({"--practice-file", "lesson.wav", "--lesson", "5", "--seed", "11", "--minutes", "1"});
  ASSERT_EQ(outcome.status, 0) << outcome.errors.toStdString();
  EXPECT_TRUE(outcome.out.startsWith("Wrote lesson.wav (lesson 5: KMURES, 20/10 WPM, "))
      << outcome.out.toStdString();
  EXPECT_EQ(outcome.errors, "");

  const QByteArray keyFile = Read("lesson.txt");
  ASSERT_TRUE(keyFile.endsWith("\n"));
  const std::string key = keyFile.chopped(1).toStdString();
  const QList<QByteArray> groups = keyFile.chopped(1).split(' ');
  ASSERT_GE(groups.size(), 5);
  for (const QByteArray& group : groups) {
    EXPECT_EQ(group.size(), 5) << key;
    for (const char c : group) EXPECT_NE(std::string("KMURES").find(c), std::string::npos) << key;
  }

  // The sound: a 44-byte WAV header, the one-second lead-in, then the key
  // at 20/10 WPM to the sample.
  const LessonTiming timing = *FarnsworthTiming(20, 10, nullptr);
  const QByteArray wav = Read("lesson.wav");
  ASSERT_EQ(wav.size(), 44 + 2 * (kLessonLeadIn + TextSamples(key, timing)));
  const auto* samples = reinterpret_cast<const int16_t*>(wav.constData() + 44);
  const size_t count = static_cast<size_t>(wav.size() - 44) / 2;
  // Without noise, silence is exact zeros: the lead-in, and each space but
  // for the release of the mark before it (5 ms, 110 samples).
  const std::vector<int> runs = SilentRuns(samples, count);
  ASSERT_FALSE(runs.empty());
  EXPECT_GE(runs.front(), kLessonLeadIn);
  int wordSpaces = 0;
  int characterSpaces = 0;
  for (size_t k = 1; k < runs.size(); ++k) {
    const int run = runs[k];
    const bool element = std::abs(run - (timing.elementSpace - 110)) <= 3;
    const bool character = std::abs(run - (timing.characterSpace - 110)) <= 3;
    const bool word = std::abs(run - (timing.wordSpace - 110)) <= 3;
    EXPECT_TRUE(element || character || word) << "silence of " << run << " samples";
    characterSpaces += character;
    wordSpaces += word;
  }
  EXPECT_EQ(wordSpaces, groups.size());  // the last one ends the file
  EXPECT_EQ(characterSpaces, 4 * groups.size());

  // The same seed gives the same file.
  ASSERT_EQ(Run({"--practice-file=again.wav", "--lesson=5", "--seed=11", "--minutes=1"}).status, 0);
  EXPECT_EQ(Read("again.wav"), wav);
  EXPECT_EQ(Read("again.txt"), keyFile);
}

TEST_F(LessonCommandLine, BadLessonValuesWriteNothing) {
  const QStringList bad[] = {
      {"--practice-file", "bad.wav", "--lesson", "0"},
      {"--practice-file", "bad.wav", "--lesson", "39"},
      {"--practice-file", "bad.wav", "--lesson", "3", "--char-wpm", "15", "--effective-wpm", "20"},
      {"--practice-file", "bad.wav", "--lesson", "3", "--char-wpm", "51"},
      {"--practice-file", "bad.wav", "--lesson", "3", "--effective-wpm", "25"},  // above C = 20
      {"--practice-file", "bad.wav", "--lesson", "3", "--minutes", "11"},
      {"--score-copy", "missing.txt", "copy.txt"},
      {"--score-copy", "key.txt", "missing.txt", "--json"},
      {"--score-copy", "key.txt", "copy.txt", "--lesson", "39"},
  };
  Write("key.txt", "KMURE\n");
  Write("copy.txt", "KMURE\n");
  for (const QStringList& arguments : bad) {
    const Outcome outcome = Run(arguments);
    EXPECT_EQ(outcome.status, 2) << arguments.join(' ').toStdString();
    EXPECT_EQ(outcome.out, "") << arguments.join(' ').toStdString();
    EXPECT_TRUE(outcome.errors.startsWith("dovrik: ")) << outcome.errors.toStdString();
  }
  EXPECT_FALSE(Exists("bad.wav"));
  EXPECT_FALSE(Exists("bad.txt"));
  EXPECT_FALSE(Exists("data/dovrik/history.sqlite3"));
}

TEST_F(LessonCommandLine, ScoredCopyIsPrintedAsJsonAndRecorded) {
  Write("key.txt", "KMURE SNAPT LWIJZ\n");
  Write("copy.txt", "kmure  snapr\n");  // T copied as R, the last group missed
  const Outcome outcome = Run({"--score-copy", "key.txt", "copy.txt", "--json"});
  ASSERT_EQ(outcome.status, 0) << outcome.errors.toStdString();
  EXPECT_EQ(outcome.errors, "");
  ASSERT_TRUE(outcome.out.endsWith("}\n"));
  QJsonParseError problem;
  const QJsonObject json = QJsonDocument::fromJson(outcome.out, &problem).object();
  ASSERT_EQ(problem.error, QJsonParseError::NoError) << outcome.out.toStdString();
  EXPECT_NEAR(json["score"].toDouble(), 1.0 - 7.0 / 17.0, 1e-5);
  EXPECT_EQ(json["errors"].toInt(), 7);
  EXPECT_EQ(json["sent_length"].toInt(), 17);
  EXPECT_EQ(json["substitutions"].toInt(), 1);
  EXPECT_EQ(json["insertions"].toInt(), 0);
  EXPECT_EQ(json["deletions"].toInt(), 6);
  const QJsonObject perChar = json["per_char"].toObject();
  EXPECT_EQ(perChar.size(), 15);
  EXPECT_EQ(perChar["T"].toObject()["sent"].toInt(), 1);
  EXPECT_EQ(perChar["T"].toObject()["right"].toInt(), 0);
  EXPECT_EQ(perChar["K"].toObject()["right"].toInt(), 1);
  EXPECT_EQ(perChar["Z"].toObject()["right"].toInt(), 0);
  EXPECT_EQ(json["confusions"].toArray(), QJsonArray({QJsonArray({"T", "R", 1})}));
  EXPECT_TRUE(json["saved"].toBool());

  HistoryStore store = HistoryStore::Open(HistoryPath().toStdString());
  ASSERT_TRUE(store.Usable()) << store.Problem();
  const std::vector<Attempt> attempts = store.Attempts();
  ASSERT_EQ(attempts.size(), 1u);
  EXPECT_EQ(attempts[0].exercise, "file");
  EXPECT_EQ(attempts[0].sentText, "KMURE SNAPT LWIJZ");
  EXPECT_EQ(attempts[0].typedText, "KMURE SNAPR");
  EXPECT_NEAR(attempts[0].score, 10.0 / 17.0, 1e-9);
  EXPECT_EQ(attempts[0].confusions, (std::vector<Confusion>{{"T", "R", 1}}));
}

TEST_F(LessonCommandLine, ScoreIsPrintedWhenTheHistoryCannotBeWritten) {
  Write("key.txt", "KMKMK MMKKM\n");
  Write("copy.txt", "KMKMK MMKKM\n");
  const QByteArray notADatabase = "this is my shopping list, not a history\n";
  Write("data/dovrik/history.sqlite3", notADatabase);
  const Outcome outcome = Run({"--score-copy", "key.txt", "copy.txt", "--lesson", "1"});
  EXPECT_EQ(outcome.status, 1);
  EXPECT_TRUE(outcome.out.startsWith("Score 100.0 %: 0 errors in 11 characters sent"))
      << outcome.out.toStdString();
  EXPECT_TRUE(outcome.out.contains("Lesson 1: passed; lesson 2 is next"));
  EXPECT_TRUE(
      outcome.errors.startsWith("dovrik: History is not being saved: " + HistoryPath().toUtf8()))
      << outcome.errors.toStdString();
  EXPECT_EQ(Read("data/dovrik/history.sqlite3"), notADatabase);
}

}  // namespace
}  // namespace dovrik
