// The real program's command line, run where there is no display at all:
// with DISPLAY and WAYLAND_DISPLAY unset and Qt told to use X11, any attempt
// to start Qt's GUI would end the process with Qt's own error. Options that
// need no window must therefore never reach it.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
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

// A keyer the program does not know is refused before any window, whatever
// the settings file says, and neither file is touched.
TEST(ProgramCommandLine, ABadKeyerIsAUsageError) {
  QTemporaryDir folder;
  const QByteArray settings = "[keyer]\nmode=iambic-b\n";
  ASSERT_TRUE(QDir(folder.path()).mkpath("config/dovrik"));
  QFile file(folder.filePath("config/dovrik/settings.ini"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(settings);
  file.close();
  qputenv("XDG_CONFIG_HOME", folder.filePath("config").toLocal8Bit());
  for (const char* keyer : {"iambic-c", "iambic-b:51", "bug:"}) {
    const Outcome outcome = RunHeadless({"--keyer", keyer}, folder.path());
    EXPECT_EQ(outcome.status, 2) << keyer;
    EXPECT_EQ(outcome.out, "");
    EXPECT_TRUE(outcome.errors.startsWith("dovrik: option '--keyer': "))
        << outcome.errors.toStdString();
    EXPECT_TRUE(outcome.errors.contains("\nUsage: dovrik")) << keyer;
  }
  qunsetenv("XDG_CONFIG_HOME");
  EXPECT_FALSE(QFile::exists(folder.filePath("Dovrik.ini")));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), settings);
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

// The manual page, as its source reads.
QString ManualPage() {
  QFile page(QStringLiteral(DOVRIK_SOURCE_DIR "/resources/dovrik.1"));
  if (!page.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(page.readAll());
}

// The options `--help` lists, in its order: the lines that begin with two
// spaces and an option.
QStringList OptionsOfHelp(const QString& help) {
  QStringList options;
  static const QRegularExpression option(QStringLiteral("^  (--[a-z][a-z-]*)"),
                                         QRegularExpression::MultilineOption);
  for (const auto& match : option.globalMatch(help)) options << match.captured(1);
  return options;
}

// The options the manual page's OPTIONS section lists, in its order: the
// first option of each tagged paragraph's tag line.
QStringList OptionsOfManualPage(const QString& page) {
  const qsizetype start = page.indexOf(QStringLiteral("\n.SH OPTIONS\n"));
  const qsizetype end = page.indexOf(QStringLiteral("\n.SH "), start + 1);
  if (start < 0 || end < 0) return {};
  const QStringList lines = page.mid(start, end - start).split('\n');
  static const QRegularExpression option(QStringLiteral(R"(^\.B\w* \\-\\-([a-z\\-]+))"));
  QStringList options;
  for (qsizetype index = 1; index < lines.size(); ++index) {
    if (lines[index - 1] != QStringLiteral(".TP")) continue;
    const QRegularExpressionMatch match = option.match(lines[index]);
    if (match.hasMatch()) options << "--" + match.captured(1).remove('\\');
  }
  return options;
}

// The manual page keeps in step with the program: the same options as
// `--help`, in the same order, and the version `--version` prints.
TEST(ProgramCommandLine, TheManualPageListsTheOptionsOfHelp) {
  QTemporaryDir folder;
  const Outcome help = RunHeadless({"--help"}, folder.path());
  ASSERT_EQ(help.status, 0);
  const QStringList helpOptions = OptionsOfHelp(QString::fromUtf8(help.out));
  ASSERT_GE(helpOptions.size(), 6) << help.out.toStdString();

  const QString page = ManualPage();
  ASSERT_FALSE(page.isEmpty()) << "resources/dovrik.1 cannot be read";
  EXPECT_EQ(OptionsOfManualPage(page).join(' ').toStdString(), helpOptions.join(' ').toStdString());

  const Outcome version = RunHeadless({"--version"}, folder.path());
  const QString title = page.split('\n').filter(QRegularExpression("^\\.TH ")).value(0);
  EXPECT_TRUE(title.contains('"' + QString::fromUtf8(version.out).trimmed() + '"'))
      << title.toStdString() << " does not carry " << version.out.toStdString();
}

// The page renders without a warning from groff (bad macros, bad escapes).
TEST(ProgramCommandLine, TheManualPageRendersWithoutWarnings) {
  const QString groff = QStandardPaths::findExecutable(QStringLiteral("groff"));
  if (groff.isEmpty()) GTEST_SKIP() << "needs groff (scripts/dev installs groff-base)";
  QProcess render;
  render.start(groff, {"-man", "-Tutf8", "-ww", "-z", DOVRIK_SOURCE_DIR "/resources/dovrik.1"});
  ASSERT_TRUE(render.waitForFinished(30000));
  EXPECT_EQ(render.exitCode(), 0);
  EXPECT_EQ(render.readAllStandardError().toStdString(), "");
}

}  // namespace
}  // namespace dovrik
