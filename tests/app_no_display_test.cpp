// The real program started where it cannot open a window: no X display, a
// display that does not answer, or no window-system plug-in at all. It says
// so in one line and fails, without a crash and without touching its file.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "tests/support/headless_environment.h"

namespace dovrik {
namespace {

struct NoWindowCase {
  const char* name;
  QStringList environment;  // added to an environment without any display
};

void PrintTo(const NoWindowCase& c, std::ostream* os) {
  *os << c.name;
}

class NoWindowTest : public ::testing::TestWithParam<NoWindowCase> {};

TEST_P(NoWindowTest, SaysSoInOneLineAndFails) {
  QTemporaryDir directory;
  const QByteArray settings = "[SPEED]\n20\n";
  {
    QFile file(directory.filePath(QStringLiteral("Dovrik.ini")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(settings);
  }
  QStringList environment = testing::EnvironmentWithoutDisplay();
  environment << GetParam().environment;
  QProcess program;
  program.setEnvironment(environment);
  program.setWorkingDirectory(directory.path());
  program.start(QStringLiteral(DOVRIK_PROGRAM_PATH), {});
  ASSERT_TRUE(program.waitForFinished(30000));

  EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << "it must not look like a crash";
  EXPECT_EQ(program.exitCode(), 1);
  EXPECT_EQ(program.readAllStandardError().toStdString(), "cannot open a window: no display\n");
  EXPECT_TRUE(program.readAllStandardOutput().isEmpty());
  QFile file(directory.filePath(QStringLiteral("Dovrik.ini")));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), settings) << "the settings file is neither read nor written";
}

INSTANTIATE_TEST_SUITE_P(
    Environments, NoWindowTest,
    ::testing::Values(NoWindowCase{"NoDisplayAtAll", {}},
                      NoWindowCase{"X11WithoutDisplay", {"QT_QPA_PLATFORM=xcb"}},
                      NoWindowCase{"DisplayThatIsNotThere",
                                   {"QT_QPA_PLATFORM=xcb", "DISPLAY=:4093"}},
                      NoWindowCase{"NoSuchPlugin", {"QT_QPA_PLATFORM=no-such-window-system"}}),
    [](const ::testing::TestParamInfo<NoWindowCase>& info) {
      return std::string(info.param.name);
    });

}  // namespace
}  // namespace dovrik
