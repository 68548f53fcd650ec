// The real program as a screen reader meets it: a private session bus, the
// accessibility bus and its registry (at-spi2-core), the program under Xvfb,
// and a walker on python3-pyatspi that reads the tree and hears the events.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <map>
#include <vector>

#include "tests/support/desktop_session.h"

namespace dovrik {
namespace {

constexpr const char* kPython = "/usr/bin/python3";
constexpr const char* kBusLauncher = "/usr/libexec/at-spi-bus-launcher";

QString WalkerPath() {
  return QStringLiteral(DOVRIK_SOURCE_DIR "/tests/support/screen_reader_view.py");
}

// One accessible object as the walker prints it.
struct Node {
  QString role;
  QString name;
  QString value;
  QString description;
  QStringList states;
};

std::vector<Node> ParseTree(const QString& text) {
  std::vector<Node> nodes;
  for (const QString& line : text.split('\n', Qt::SkipEmptyParts)) {
    const QStringList fields = line.split('\t');
    if (fields.size() < 5) continue;
    nodes.push_back({fields[0], fields[1], fields[2], fields[3], fields[4].split(',')});
  }
  return nodes;
}

std::vector<Node> WithRole(const std::vector<Node>& nodes, const QString& role) {
  std::vector<Node> found;
  for (const Node& node : nodes)
    if (node.role == role) found.push_back(node);
  return found;
}

class ScreenReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const QString missing = session_.Missing(); !missing.isEmpty())
      GTEST_SKIP() << "needs " << missing.toStdString() << " (scripts/dev installs it)";
    if (!QFileInfo(kBusLauncher).isExecutable() ||
        QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
      GTEST_SKIP() << "needs dbus and at-spi2-core (scripts/dev installs them)";
    // No bus yet: the check must not start one of its own for the display.
    if (session_
            .Run(kPython, {"-c", "import pyatspi; print('yes')"}, 20000,
                 {"DBUS_SESSION_BUS_ADDRESS=disabled:"})
            .trimmed() != "yes")
      GTEST_SKIP() << "needs python3-pyatspi (scripts/dev installs it)";

    // A session bus of our own; it prints its address once it listens.
    QProcess& bus = sessionBus_.Process();
    bus.setEnvironment(session_.Environment());
    bus.start(QStringLiteral("dbus-daemon"),
              {"--session", "--nofork", "--nopidfile", "--print-address=1"});
    ASSERT_TRUE(bus.waitForStarted(10000));
    for (int wait = 0; wait < 100 && !bus.canReadLine(); ++wait) bus.waitForReadyRead(100);
    const QString address = QString::fromUtf8(bus.readLine()).trimmed();
    ASSERT_TRUE(address.startsWith("unix:")) << address.toStdString();
    busEnvironment_ = {"DBUS_SESSION_BUS_ADDRESS=" + address, "NO_AT_BRIDGE=1"};

    // The accessibility bus; its registry starts on the first request.
    QProcess& launcher = busLauncher_.Process();
    launcher.setEnvironment(session_.Environment(busEnvironment_));
    launcher.setProcessChannelMode(QProcess::MergedChannels);
    launcher.start(kBusLauncher, {"--launch-immediately"});
    ASSERT_TRUE(launcher.waitForStarted(10000));
  }
  void TearDown() override {
    session_.StopProgram();
    busLauncher_.Stop();
    sessionBus_.Stop();
  }

  void WriteIni(const QByteArray& text) {
    QFile file(QDir(session_.Directory()).filePath(QStringLiteral("Dovrik.ini")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
  }
  unsigned long StartProgram(testing::DesktopSession::Activation activation =
                                 testing::DesktopSession::Activation::kByWindowManager) {
    return session_.StartProgram(
        busEnvironment_ + QStringList{"QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1"}, activation);
  }
  // The real program with the lessons window open, its settings and history
  // in the session's folder; the lessons play fast (40 WPM, no noise).
  unsigned long StartWithLessons() {
    const QDir folder(session_.Directory());
    folder.mkpath(QStringLiteral("config/dovrik"));
    QFile settings(folder.filePath(QStringLiteral("config/dovrik/settings.ini")));
    if (!settings.open(QIODevice::WriteOnly)) return 0;
    settings.write("[lessons]\nchar_wpm=40\neffective_wpm=40\nnoise=0\nminutes=1\n");
    settings.close();
    return session_.StartProgram(
        busEnvironment_ + QStringList{"QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1",
                                      "XDG_CONFIG_HOME=" + folder.filePath(QStringLiteral("config")),
                                      "XDG_DATA_HOME=" + folder.filePath(QStringLiteral("data"))},
        testing::DesktopSession::Activation::kByWindowManager, {QStringLiteral("--lessons")},
        QStringLiteral("^Dovrik Lessons$"));
  }
  QString Walker(const QStringList& arguments, int timeoutMs) {
    return session_.Run(kPython, QStringList{WalkerPath()} + arguments, timeoutMs, busEnvironment_);
  }

  testing::DesktopSession session_;
  testing::GroupProcess sessionBus_;
  testing::GroupProcess busLauncher_;
  QStringList busEnvironment_;
};

TEST_F(ScreenReaderTest, TheTreeNamesEveryControlAndItsSetting) {
  WriteIni("[SPEED]\n20\n[ATTACK]\n75\n[TONE]\n1500\n[E]\n1\n[vvv=]\n1\n[?]\n1\n");
  // No window manager gives the window the focus: the program takes it.
  ASSERT_NE(StartProgram(testing::DesktopSession::Activation::kNone), 0u);
  const std::vector<Node> tree = ParseTree(Walker({"tree", "20"}, 40000));
  ASSERT_FALSE(tree.empty()) << "no Dovrik window on the accessibility bus";
  EXPECT_EQ(tree.front().role, "dialog");
  EXPECT_EQ(tree.front().name, "Dovrik");

  // The ten scroll bars by name, each with its position and its label's text.
  struct Bar {
    QString name, value, text;
  };
  const std::vector<Bar> expectedBars = {{"Speed", "20", "20 gpm"},  {"Groups", "25", "25"},
                                         {"-/. ratio", "3", "3x"},   {"Group Space", "1", "1x"},
                                         {"Char Space", "1", "1x"},  {"Volume", "100", "100 %"},
                                         {"Noise", "0", "0 %"},      {"Tone", "1500", "1500 Hz"},
                                         {"Attack", "75", "7.5 ms"}, {"Jitters", "0", "0 %"}};
  std::vector<Node> bars;
  QStringList outputBars;
  for (const Node& node : WithRole(tree, "scroll bar")) {
    if (node.name.startsWith("Output "))
      outputBars << node.name;  // the output box's own
    else
      bars.push_back(node);
  }
  // The output box's own scroll bars carry names of their own too.
  EXPECT_TRUE(outputBars.contains("Output vertical scroll bar"))
      << outputBars.join('|').toStdString();
  for (const QString& name : outputBars)
    EXPECT_TRUE(name == "Output vertical scroll bar" || name == "Output horizontal scroll bar")
        << name.toStdString();
  ASSERT_EQ(bars.size(), expectedBars.size());
  for (size_t index = 0; index < bars.size(); ++index) {
    EXPECT_EQ(bars[index].name, expectedBars[index].name);
    EXPECT_EQ(bars[index].value, expectedBars[index].value) << bars[index].name.toStdString();
    EXPECT_EQ(bars[index].description, expectedBars[index].text) << bars[index].name.toStdString();
    EXPECT_TRUE(bars[index].states.contains("focusable"));
  }

  // The preamble and the forty characters in template order, ticked as the
  // file says.
  const QString characters = "ABSTGJNOKQFMZIXDRHEWLYPVCU0123456789?!/=";
  const std::vector<Node> checks = WithRole(tree, "check box");
  ASSERT_EQ(checks.size(), 41u);
  EXPECT_EQ(checks[0].name, "VVV=");
  EXPECT_TRUE(checks[0].states.contains("checked"));
  for (int index = 0; index < 40; ++index) {
    const Node& check = checks[index + 1];
    EXPECT_EQ(check.name, QString(characters[index]));
    const bool ticked = characters[index] == 'E' || characters[index] == '?';
    EXPECT_EQ(check.states.contains("checked"), ticked) << check.name.toStdString();
  }

  std::vector<QString> commands;
  for (const Node& node : WithRole(tree, "push button")) commands.push_back(node.name);
  EXPECT_EQ(commands, (std::vector<QString>{"Start", "Key", "About", "Exit"}));

  const std::vector<Node> texts = WithRole(tree, "text");
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].name, "Output");
  EXPECT_TRUE(texts[0].states.contains("read-only"));
  const std::vector<Node> images = WithRole(tree, "image");
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].name, "Strip chart");
  EXPECT_EQ(images[0].description, "keying trace of the last four seconds");

  // At start-up the first control in the Tab order has the focus, and
  // nothing else, as in a dialog.
  QStringList focused;
  for (const Node& node : tree)
    if (node.states.contains("focused")) focused << node.role + ": " + node.name;
  EXPECT_EQ(focused.join(" | ").toStdString(), "scroll bar: Speed");
}

TEST_F(ScreenReaderTest, AMovedSliderAndEachNewGroupAreAnnounced) {
  WriteIni("[SPEED]\n36\n[GROUPS]\n1\n[K]\n1\n");
  const unsigned long window = StartProgram();
  ASSERT_NE(window, 0u);
  QProcess listener;
  listener.setEnvironment(session_.Environment(busEnvironment_));
  listener.start(kPython, {WalkerPath(), "listen", "25"});
  ASSERT_TRUE(listener.waitForStarted(10000));
  for (int wait = 0; wait < 300 && !listener.canReadLine(); ++wait) listener.waitForReadyRead(100);
  ASSERT_EQ(QString::fromUtf8(listener.readLine()).trimmed(), "listening");

  // The first scroll bar has the focus from the start; Tab moves it to the
  // next. The program learns of the new
  // listener through the registry a moment later, so the bar steps right
  // until its first announcement is heard.
  QStringList heard;
  auto hear = [&] {
    while (listener.canReadLine()) {
      QString line = QString::fromUtf8(listener.readLine());
      if (line.endsWith('\n')) line.chop(1);
      heard << line;
    }
  };
  session_.Xdotool({"key", "Tab"});
  for (int step = 0; step < 30 && heard.filter("description\t").isEmpty(); ++step) {
    session_.Xdotool({"key", "Right"});
    listener.waitForReadyRead(300);
    hear();
  }
  ASSERT_FALSE(heard.filter("description\t").isEmpty()) << "no announcement of a moved slider";
  // A step pressed before the first announcement arrived is announced a
  // moment later: hear the bus out until it has been quiet for a second.
  while (listener.waitForReadyRead(1000)) hear();
  // The screen reader hears the label as the dialog shows it after the step.
  const QStringList announced = heard.filter("description\t").last().split('\t');
  ASSERT_EQ(announced.size(), 3);
  const std::vector<Node> bars = WithRole(ParseTree(Walker({"tree", "20"}, 40000)), "scroll bar");
  const auto bar = std::find_if(bars.begin(), bars.end(),
                                [&](const Node& node) { return node.name == announced[1]; });
  ASSERT_NE(bar, bars.end()) << announced[1].toStdString();
  EXPECT_EQ(bar->description, announced[2]);
  const std::map<QString, QString> before = {{"Speed", "36 gpm"}, {"Groups", "1"}};
  ASSERT_TRUE(before.count(bar->name)) << bar->name.toStdString();
  EXPECT_NE(bar->description, before.at(bar->name));

  session_.Xdotool({"key", "alt+s"});
  if (!listener.waitForFinished(40000)) {
    listener.kill();
    listener.waitForFinished(5000);
  }
  hear();
  // The group appears as it starts to sound: five K's and the space.
  EXPECT_TRUE(heard.contains("insert\tOutput\tKKKKK ")) << heard.join('|').toStdString();
}

TEST_F(ScreenReaderTest, TheLessonsWindowNamesItsControlsAndAnnouncesTheResult) {
  const unsigned long window = StartWithLessons();
  ASSERT_NE(window, 0u);
  const std::vector<Node> tree =
      ParseTree(Walker({"tree", "20", "Dovrik Lessons"}, 40000));
  ASSERT_FALSE(tree.empty()) << "no Dovrik Lessons window on the accessibility bus";
  EXPECT_EQ(tree.front().name, "Dovrik Lessons");

  std::vector<QString> tabs;
  for (const Node& node : WithRole(tree, "page tab")) tabs.push_back(node.name);
  EXPECT_EQ(tabs, (std::vector<QString>{"Copy", "Send", "Progress"}));
  QStringList buttons;
  for (const Node& node : WithRole(tree, "push button")) buttons << node.name;
  EXPECT_TRUE(buttons.contains("Start")) << buttons.join('|').toStdString();
  EXPECT_TRUE(buttons.contains("Stop")) << buttons.join('|').toStdString();
  QStringList texts;
  for (const Node& node : WithRole(tree, "text")) texts << node.name;
  EXPECT_TRUE(texts.contains("Your copy")) << texts.join('|').toStdString();
  EXPECT_TRUE(texts.contains("Result")) << texts.join('|').toStdString();
  QStringList spinners;
  for (const Node& node : WithRole(tree, "spin button")) spinners << node.name;
  for (const char* name : {"Character speed", "Effective speed", "Minutes", "Pitch", "Volume",
                           "Attack", "Noise", "Jitter"}) {
    EXPECT_TRUE(spinners.contains(name)) << name << " in " << spinners.join('|').toStdString();
  }

  QProcess listener;
  listener.setEnvironment(session_.Environment(busEnvironment_));
  listener.start(kPython, {WalkerPath(), "listen", "40", "Dovrik Lessons"});
  ASSERT_TRUE(listener.waitForStarted(10000));
  for (int wait = 0; wait < 300 && !listener.canReadLine(); ++wait) listener.waitForReadyRead(100);
  ASSERT_EQ(QString::fromUtf8(listener.readLine()).trimmed(), "listening");
  QTest::qWait(1500);  // the registry tells the program of the new listener

  // Start has the focus when the window opens: Space plays the lesson, and
  // Esc ends it two and a half seconds later; the result is announced.
  session_.Xdotool({"windowfocus", "--sync", QString::number(window)});
  session_.Xdotool({"key", "space"});
  QTest::qWait(2500);
  session_.Xdotool({"key", "Escape"});
  if (!listener.waitForFinished(30000)) {
    listener.kill();
    listener.waitForFinished(5000);
  }
  const QStringList heard = QString::fromUtf8(listener.readAll()).split('\n');
  const QStringList results = heard.filter(QRegularExpression("^description\tResult\tScore "));
  ASSERT_FALSE(results.isEmpty()) << heard.join('|').toStdString();
  EXPECT_TRUE(results.last().contains(QRegularExpression("Score 0 %, [0-9]+ errors\\. Not passed yet")))
      << results.last().toStdString();
}

}  // namespace
}  // namespace dovrik
