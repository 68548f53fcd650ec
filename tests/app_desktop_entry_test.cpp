// The menu entry a desktop shows for Dovrik: valid for the desktop's own
// checker, and its Lessons action opens the lessons window through an
// option the program understands.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringList>

#include "cli/command_line.h"

namespace dovrik {
namespace {

const QString kEntry = QStringLiteral(DOVRIK_SOURCE_DIR "/resources/dovrik.desktop");

// The "key=value" lines of one [group] of the entry.
QStringList GroupLines(const QString& group) {
  QFile file(kEntry);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
  QStringList lines;
  bool inside = false;
  for (const QString& line : QString::fromUtf8(file.readAll()).split('\n')) {
    if (line.startsWith('[')) {
      inside = line == '[' + group + ']';
    } else if (inside && line.contains('=')) {
      lines << line;
    }
  }
  return lines;
}

TEST(DesktopEntry, ItsLessonsActionRunsDovrikWithTheLessonsWindow) {
  EXPECT_TRUE(GroupLines("Desktop Entry").contains("Actions=Lessons;"));
  const QStringList action = GroupLines("Desktop Action Lessons");
  EXPECT_TRUE(action.contains("Name=Lessons"));
  const QStringList exec = action.filter(QRegularExpression("^Exec="));
  ASSERT_EQ(exec.size(), 1);
  const QStringList words = exec[0].mid(5).split(' ');
  ASSERT_EQ(words.front(), "dovrik");
  std::vector<std::string> arguments;
  for (const QString& word : words.mid(1)) arguments.push_back(word.toStdString());
  std::vector<const char*> argv;
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  const CommandLine line = ParseCommandLine(static_cast<int>(argv.size()), argv.data());
  EXPECT_EQ(line.action, CommandAction::kRunProgram) << line.error;
  EXPECT_TRUE(line.lessons);

  const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
  if (validator.isEmpty()) GTEST_SKIP() << "needs desktop-file-validate (desktop-file-utils)";
  QProcess check;
  check.start(validator, {kEntry});
  ASSERT_TRUE(check.waitForFinished(20000));
  EXPECT_EQ(check.exitCode(), 0) << check.readAllStandardOutput().toStdString();
}

}  // namespace
}  // namespace dovrik
