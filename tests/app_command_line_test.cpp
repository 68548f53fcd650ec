// The real program's command line, run where there is no display at all:
// with DISPLAY and WAYLAND_DISPLAY unset and Qt told to use X11, any attempt
// to start Qt's GUI would end the process with Qt's own error. Options that
// need no window must therefore never reach it.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>

#include "platform/audio_format.h"
#include "tests/support/headless_environment.h"

namespace dovrik {
namespace {

struct Outcome {
  int status = -1;
  QByteArray out;
  QByteArray errors;
};

Outcome RunHeadless(const QStringList& arguments, const QString& folder) {
  QStringList environment = testing::EnvironmentWithoutDisplay();
  environment << "QT_QPA_PLATFORM=xcb";
  QProcess program;
  program.setEnvironment(environment);
  program.setWorkingDirectory(folder);
  program.start(QStringLiteral(DOVRIK_PROGRAM_PATH), arguments);
  Outcome outcome;
  if (!program.waitForFinished(60000) || program.exitStatus() != QProcess::NormalExit)
    return outcome;
  outcome.status = program.exitCode();
  outcome.out = program.readAllStandardOutput();
  outcome.errors = program.readAllStandardError();
  return outcome;
}

TEST(ProgramCommandLine, HelpAndVersionNeedNoDisplay) {
  QTemporaryDir folder;
  const Outcome version = RunHeadless({"--version"}, folder.path());
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "Dovrik 1.5.2\n");
  EXPECT_EQ(version.errors, "");

  const Outcome help = RunHeadless({"--help"}, folder.path());
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(help.out.startsWith("Usage: dovrik")) << help.out.toStdString();
  EXPECT_TRUE(help.out.contains("--practice-file FILE"));
  EXPECT_EQ(help.errors, "");
}

// One line naming the fault, the usage after it, status 2, no window, and
// the configuration file neither read into anything nor written.
TEST(ProgramCommandLine, UnknownOptionIsAUsageError) {
  QTemporaryDir folder;
  const Outcome outcome = RunHeadless({"--bogus"}, folder.path());
  EXPECT_EQ(outcome.status, 2);
  EXPECT_EQ(outcome.out, "");
  EXPECT_TRUE(outcome.errors.startsWith("dovrik: unknown option '--bogus'\nUsage: dovrik"))
      << outcome.errors.toStdString();
  EXPECT_FALSE(QFile::exists(folder.filePath("Dovrik.ini")));
}

TEST(ProgramCommandLine, PracticeFileIsWrittenWithoutADisplay) {
  QTemporaryDir folder;
  QFile ini(folder.filePath("Dovrik.ini"));
  ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
  ini.write("[SPEED]\n36\n\n[GROUPS]\n2\n\n[Q]\n1\n\n");
  ini.close();

  const Outcome outcome =
      RunHeadless({"--practice-file", "lesson.wav", "--seed", "8"}, folder.path());
  EXPECT_EQ(outcome.status, 0) << outcome.errors.toStdString();
  EXPECT_EQ(outcome.out.toStdString(),
            "Wrote lesson.wav (2 groups, 0:09) and its answer key lesson.txt\n");
  EXPECT_EQ(outcome.errors, "");  // no terminal, so no progress line
  QFile key(folder.filePath("lesson.txt"));
  ASSERT_TRUE(key.open(QIODevice::ReadOnly));
  EXPECT_EQ(key.readAll(), "QQQQQ QQQQQ \n");
  EXPECT_GT(QFile(folder.filePath("lesson.wav")).size(), 44 + 2 * kBytesPerSecond);
}

}  // namespace
}  // namespace dovrik
