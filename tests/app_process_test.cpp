// The real program as a process on a virtual X display: it reads the
// configuration file of its working directory, takes its keys and close
// requests through its window, plays a sending exercise on SDL's disk audio
// driver, and writes the file back when it ends.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <string>
#include <vector>

// Xlib last: its macros (Bool, Status, None) clash with Qt's headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "platform/audio_format.h"
#include "tests/support/virtual_display.h"

namespace dovrik {
namespace {

class ProgramProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty() || !display_.Ready()) {
      GTEST_SKIP() << "needs Xvfb and xdotool (scripts/dev installs them)";
    }
    x_ = XOpenDisplay(display_.Name().toLatin1().constData());
    ASSERT_NE(x_, nullptr);
  }
  void TearDown() override {
    if (program_.state() != QProcess::NotRunning) {
      program_.kill();
      program_.waitForFinished();
    }
    if (x_) XCloseDisplay(x_);
  }

  QString IniPath() { return directory_.filePath(QStringLiteral("Dovrik.ini")); }
  void WriteIni(const QByteArray& text) {
    QFile file(IniPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
  }
  QByteArray ReadIni() {
    QFile file(IniPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

  // Starts the program and waits for its window, which then has the focus.
  // With `captureErrors` its standard error is kept for Errors() instead of
  // passed on.
  void Start(const QStringList& extraEnvironment = {}, const QStringList& arguments = {},
             bool captureErrors = false) {
    QStringList environment = QProcess::systemEnvironment();
    environment.erase(std::remove_if(environment.begin(), environment.end(),
                                     [](const QString& entry) {
                                       return entry.startsWith("QT_QPA_PLATFORM=") ||
                                              entry.startsWith("DISPLAY=");
                                     }),
                      environment.end());
    environment << "QT_QPA_PLATFORM=xcb"
                << "DISPLAY=" + display_.Name() << "SDL_AUDIODRIVER=dummy";
    environment << extraEnvironment;
    program_.setEnvironment(environment);
    program_.setWorkingDirectory(directory_.path());
    program_.setProcessChannelMode(captureErrors ? QProcess::SeparateChannels
                                                 : QProcess::ForwardedErrorChannel);
    program_.start(QStringLiteral(DOVRIK_PROGRAM_PATH), arguments);
    ASSERT_TRUE(program_.waitForStarted());
    const QString found =
        Xdotool({"search", "--sync", "--onlyvisible", "--name", "^Dovrik$"}).trimmed();
    ASSERT_FALSE(found.isEmpty());
    window_ = found.split('\n').first().toULong();
    Xdotool({"windowfocus", "--sync", QString::number(window_)});
    QTest::qWait(200);  // the start-up steps after the window appears
  }

  QString Xdotool(const QStringList& arguments) {
    QProcess tool;
    QStringList environment = QProcess::systemEnvironment();
    environment << "DISPLAY=" + display_.Name();
    tool.setEnvironment(environment);
    tool.start(QStringLiteral("xdotool"), arguments);
    tool.waitForFinished(20000);
    return QString::fromLatin1(tool.readAllStandardOutput());
  }
  void Keys(const QString& keys) { Xdotool({"key", "--delay", "50", keys}); }

  // The window's close box: WM_DELETE_WINDOW, as a window manager sends it.
  void CloseWindow() {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window_;
    event.xclient.message_type = XInternAtom(x_, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(x_, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(x_, window_, False, NoEventMask, &event);
    XFlush(x_);
  }

  // Dark pixels in a window-relative rectangle (text drawn on white).
  int DarkPixels(int x, int y, int width, int height) {
    XImage* image = XGetImage(x_, window_, x, y, width, height, AllPlanes, ZPixmap);
    if (!image) return -1;
    int dark = 0;
    for (int row = 0; row < height; ++row) {
      for (int column = 0; column < width; ++column) {
        const unsigned long pixel = XGetPixel(image, column, row);
        const int sum =
            static_cast<int>(((pixel >> 16) & 0xFF) + ((pixel >> 8) & 0xFF) + (pixel & 0xFF));
        dark += sum < 3 * 128;
      }
    }
    XDestroyImage(image);
    return dark;
  }

  void ExpectCleanExit() {
    ASSERT_TRUE(program_.waitForFinished(20000));
    EXPECT_EQ(program_.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program_.exitCode(), 0);
  }

  // What the program wrote on standard error, less Qt's note about a missing
  // runtime folder, which the test machine's environment causes.
  std::string ProgramErrors() {
    std::string errors;
    for (const QByteArray& line : program_.readAllStandardError().split('\n')) {
      if (line.isEmpty() || line.startsWith("QStandardPaths:")) continue;
      errors += line.toStdString() + "\n";
    }
    return errors;
  }

  testing::VirtualDisplay display_;
  Display* x_ = nullptr;
  QTemporaryDir directory_;
  QProcess program_;
  unsigned long window_ = 0;
};

// The file SaveConfigFile writes for the given slider values and ticked keys.
QByteArray ExpectedIni(const std::vector<int>& sliders, const QString& ticked, bool preamble) {
  const char* keys[] = {"[SPEED]",  "[GROUPS]", "[RATIO]", "[GROUPSPACE]", "[CHARSPACE]",
                        "[VOLUME]", "[NOISE]",  "[TONE]",  "[ATTACK]",     "[JITTER]"};
  QByteArray text = "# Dovrik configuration file\n\n";
  for (int row = 0; row < 10; ++row) {
    text += QByteArray(keys[row]) + "\n" + QByteArray::number(sliders[row]) + "\n\n";
  }
  text += "[VVV=]\n" + QByteArray(preamble ? "1" : "0") + "\n\n";
  for (const char character : QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789!?=/")) {
    text += "[" + QByteArray(1, character) + "]\n" +
            (ticked.contains(QLatin1Char(character)) ? "1" : "0") + "\n\n";
  }
  return text;
}

const std::vector<int> kDefaults = {12, 25, 3, 1, 1, 100, 0, 900, 5, 0};

TEST_F(ProgramProcessTest, ReadsAnOddFileAndWritesItBackInFull) {
  WriteIni(
      "# my settings\r\n"
      "[speed]\r\n20\r\n"
      "[Tone]\r\n2000\r\n"  // out of range: the default stays
      "[RATIO]\r\n\r\n5 dashes\r\n"
      "[a]\r\n-7\r\n"
      "[vvv=]\r\n1\r\n"
      "[Q]\r\n1\r\n[Q]\r\n0\r\n"  // the later value counts
      "[ATTACK]\r\n75\r\n"
      "[GROUPS]\r\n0\r\n");  // below the range
  Start();
  CloseWindow();
  ExpectCleanExit();
  const QByteArray written = ReadIni();
  EXPECT_EQ(written, ExpectedIni({20, 25, 5, 1, 1, 100, 0, 900, 75, 0}, "A", true));
  EXPECT_EQ(written.count('\n'), 155);  // 155 lines, the last one empty
}

TEST_F(ProgramProcessTest, WithoutAFileExitWritesTheDefaults) {
  Start();
  Keys("alt+x");
  ExpectCleanExit();
  EXPECT_EQ(ReadIni(), ExpectedIni(kDefaults, "", false));
}

TEST_F(ProgramProcessTest, ASendingExercisePlaysOnTheDiskDriverAndShowsItsGroups) {
  WriteIni("[E]\n1\n[T]\n1\n[GROUPS]\n2\n[SPEED]\n36\n[NOISE]\n20\n");
  const QString audio = directory_.filePath(QStringLiteral("audio.raw"));
  Start({"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + audio});
  // The output box, 7,130 316 x 107 dialog units: 11,211 474 x 174 pixels.
  ASSERT_EQ(DarkPixels(20, 220, 440, 150), 0);
  Keys("alt+s");
  // A two-second lead-in, then two groups of five characters.
  bool shown = false;
  for (int wait = 0; wait < 150 && !shown; ++wait) {
    QTest::qWait(100);
    shown = DarkPixels(20, 220, 440, 150) > 20;
  }
  EXPECT_TRUE(shown);
  QTest::qWait(3000);  // let the groups play out
  CloseWindow();
  ExpectCleanExit();
  // The two seconds of lead-in alone.
  EXPECT_GT(QFileInfo(audio).size(), 2 * kBytesPerSecond);
  EXPECT_EQ(ReadIni(), ExpectedIni({36, 2, 3, 1, 1, 100, 20, 900, 5, 0}, "ET", false));
}

// A serial key that cannot be opened: each keying exercise still runs to
// its stop, and says so once on standard error however long it runs.
TEST_F(ProgramProcessTest, ASerialKeyThatWillNotOpenIsReportedOncePerKeyingExercise) {
  Start({}, {"--serial-key", "/dev/dovrik-no-such-port"}, true);
  for (int exercise = 0; exercise < 2; ++exercise) {
    Keys("alt+k");
    QTest::qWait(1000);
    Keys("alt+s");  // Stop
    QTest::qWait(500);
  }
  CloseWindow();
  ExpectCleanExit();
  const std::string line =
      "dovrik: serial key /dev/dovrik-no-such-port: cannot open it: No such file or directory; "
      "it reads as key up\n";
  EXPECT_EQ(ProgramErrors(), line + line);
}

// Without options keying touches no serial port and says nothing, with or
// without MIDI systems on the machine.
TEST_F(ProgramProcessTest, KeyingWithoutOptionsSaysNothing) {
  Start({}, {}, true);
  Keys("alt+k");
  QTest::qWait(1000);
  CloseWindow();
  ExpectCleanExit();
  EXPECT_EQ(ProgramErrors(), "");
}

TEST_F(ProgramProcessTest, ClosingDuringAnExerciseStopsItAndEnds) {
  WriteIni("[K]\n1\n[GROUPS]\n100\n");
  Start();
  Keys("alt+s");
  QTest::qWait(500);
  CloseWindow();
  ExpectCleanExit();
  EXPECT_EQ(ReadIni(), ExpectedIni({12, 100, 3, 1, 1, 100, 0, 900, 5, 0}, "K", false));
}

// Paddles on the real program: iambic B at 20 WPM from the command line,
// Right Ctrl (dah) and, during its dash, Left Ctrl (dit) held together on SDL's disk
// driver. Every mark the device played is a dash of 3,969 samples or a dot
// of 1,323, dah first and alternating, each followed by a space of exactly
// 1,323 samples: the keyer's elements are exact to the sample.
TEST_F(ProgramProcessTest, IambicPaddlesOnCtrlKeysPlayElementsExactToTheSample) {
  const QString audio = directory_.filePath(QStringLiteral("paddles.raw"));
  Start({"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + audio}, {"--keyer", "iambic-b:20"});
  Keys("alt+k");
  QTest::qWait(500);
  // By keycode, as a keyboard sends them: xdotool's Control_R would press
  // Left Ctrl first, as the modifier it takes that key symbol to need.
  using FakeKeyEvent = int (*)(Display*, unsigned int, int, unsigned long);
  void* xtst = dlopen("libXtst.so.6", RTLD_NOW);
  ASSERT_NE(xtst, nullptr) << "libXtst comes with xdotool";
  const auto fake = reinterpret_cast<FakeKeyEvent>(dlsym(xtst, "XTestFakeKeyEvent"));
  ASSERT_NE(fake, nullptr);
  const unsigned int left = XKeysymToKeycode(x_, 0xffe3);   // Control_L
  const unsigned int right = XKeysymToKeycode(x_, 0xffe4);  // Control_R
  const auto press = [&](unsigned int keycode, bool down) {
    fake(x_, keycode, down ? True : False, 0);
    XFlush(x_);
  };
  press(right, true);
  QTest::qWait(100);  // within the first dah
  press(left, true);
  QTest::qWait(700);
  press(left, false);
  press(right, false);
  QTest::qWait(800);
  Keys("alt+s");  // Stop
  QTest::qWait(300);
  CloseWindow();
  ExpectCleanExit();

  QFile file(audio);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  std::vector<int16_t> recording(static_cast<size_t>(bytes.size()) / 2);
  std::memcpy(recording.data(), bytes.constData(), recording.size() * 2);
  // Marks: from the sample before the first sound (a tone starts at phase
  // 0) to the one after its last, split where 20 samples in a row are 0.
  std::vector<std::pair<size_t, size_t>> marks;
  size_t quiet = 0;
  for (size_t i = 0; i < recording.size(); ++i) {
    if (recording[i] == 0) {
      ++quiet;
      continue;
    }
    if (marks.empty() || quiet >= 20) marks.emplace_back(i - 1, i + 1);
    marks.back().second = i + 1;
    quiet = 0;
  }
  ASSERT_GE(marks.size(), 3u) << "a squeeze held 0.7 s alternates dah and dit";
  for (size_t m = 0; m < marks.size(); ++m) {
    EXPECT_EQ(marks[m].second - marks[m].first, m % 2 == 0 ? 3969u : 1323u) << "mark " << m;
    if (m + 1 < marks.size()) {
      EXPECT_EQ(marks[m + 1].first - marks[m].second, 1323u) << "space after mark " << m;
    }
  }
}

}  // namespace
}  // namespace dovrik
