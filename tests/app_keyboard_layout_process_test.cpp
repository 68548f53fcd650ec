// The real program under Xvfb with a non-Latin keyboard layout in force:
// Alt and the physical S key start the exercise, Alt and the physical X key
// end the program, whether the Latin letters are in another group of the
// keymap or nowhere at all.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <cstring>

#include "tests/support/desktop_session.h"

// Xlib last: its macros (Bool, Status, None) clash with Qt's headers.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace dovrik {
namespace {

struct LayoutCase {
  const char* name;
  QStringList setxkbmap;  // the layout and options
  int russianGroup;       // the group to lock after the program started
};

class NonLatinLayoutTest : public ::testing::TestWithParam<LayoutCase> {
 protected:
  void SetUp() override {
    if (const QString missing = session_.Missing(); !missing.isEmpty())
      GTEST_SKIP() << "needs " << missing.toStdString() << " (scripts/dev installs it)";
    if (QStandardPaths::findExecutable(QStringLiteral("setxkbmap")).isEmpty())
      GTEST_SKIP() << "needs setxkbmap (scripts/dev installs x11-xkb-utils)";
    x_ = XOpenDisplay(session_.DisplayName().toLatin1().constData());
    ASSERT_NE(x_, nullptr);
  }
  void TearDown() override {
    if (x_) XCloseDisplay(x_);
  }

  // The X keycode of the key at this XKB position ("AC02": US S), or 0.
  int KeycodeAt(const char* position) {
    XkbDescPtr map = XkbGetMap(x_, 0, XkbUseCoreKbd);
    if (!map) return 0;
    int found = 0;
    if (XkbGetNames(x_, XkbKeyNamesMask, map) == Success) {
      for (int code = map->min_key_code; code <= map->max_key_code && found == 0; ++code) {
        if (std::strncmp(map->names->keys[code].name, position, XkbKeyNameLength) == 0)
          found = code;
      }
    }
    XkbFreeKeyboard(map, 0, True);
    return found;
  }
  // What the key gives now, in the group in force.
  unsigned long SymbolNow(int keycode) {
    XkbStateRec state{};
    XkbGetState(x_, XkbUseCoreKbd, &state);
    return XkbKeycodeToKeysym(x_, static_cast<KeyCode>(keycode), state.group, 0);
  }
  // Dark pixels in the output box: text drawn on white.
  int OutputDarkPixels(unsigned long window) {
    XImage* image = XGetImage(x_, window, 20, 220, 440, 150, AllPlanes, ZPixmap);
    if (!image) return -1;
    int dark = 0;
    for (int row = 0; row < 150; ++row) {
      for (int column = 0; column < 440; ++column) {
        const unsigned long pixel = XGetPixel(image, column, row);
        dark += ((pixel >> 16) & 0xFF) + ((pixel >> 8) & 0xFF) + (pixel & 0xFF) < 3 * 128;
      }
    }
    XDestroyImage(image);
    return dark;
  }

  testing::DesktopSession session_;
  Display* x_ = nullptr;
};

TEST_P(NonLatinLayoutTest, AltAndThePhysicalKeysStartTheExerciseAndEndTheProgram) {
  const LayoutCase& c = GetParam();
  QFile ini(QDir(session_.Directory()).filePath(QStringLiteral("Dovrik.ini")));
  ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
  ini.write("[K]\n1\n[GROUPS]\n100\n[SPEED]\n36\n");
  ini.close();
  session_.Run(QStringLiteral("setxkbmap"), c.setxkbmap);
  const unsigned long window = session_.StartProgram();
  ASSERT_NE(window, 0u);
  // The switch a layout indicator or the group key makes.
  XkbLockGroup(x_, XkbUseCoreKbd, static_cast<unsigned>(c.russianGroup));
  XSync(x_, False);

  const int sKey = KeycodeAt("AC02");
  const int xKey = KeycodeAt("AB02");
  ASSERT_NE(sKey, 0);
  ASSERT_NE(xKey, 0);
  // The S key now types Cyrillic (the X key symbols 0x6a0 to 0x6ff).
  ASSERT_EQ(SymbolNow(sKey) & 0xFF00, 0x600u) << c.name << ": " << SymbolNow(sKey);

  ASSERT_EQ(OutputDarkPixels(window), 0);
  session_.Xdotool({"key", "--clearmodifiers", "alt+" + QString::number(sKey)});
  // A two-second lead-in, then the first group appears in the output box.
  bool started = false;
  for (int wait = 0; wait < 150 && !started; ++wait) {
    QTest::qWait(100);
    started = OutputDarkPixels(window) > 20;
  }
  EXPECT_TRUE(started) << c.name;

  // Alt+S again stops; Alt+X ends the program once the exercise has ended.
  session_.Xdotool({"key", "--clearmodifiers", "alt+" + QString::number(sKey)});
  QProcess& program = session_.Program();
  for (int attempt = 0; attempt < 40 && program.state() != QProcess::NotRunning; ++attempt) {
    session_.Xdotool({"key", "--clearmodifiers", "alt+" + QString::number(xKey)});
    program.waitForFinished(500);
  }
  ASSERT_EQ(program.state(), QProcess::NotRunning) << c.name << ": Alt+X did not end it";
  EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(program.exitCode(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Russian, NonLatinLayoutTest,
    ::testing::Values(
        // Russian first: in force from the start, the Latin letters in group 2.
        LayoutCase{"ru,us", {"-layout", "ru,us"}, 0},
        // US first, switched to Russian while the program runs.
        LayoutCase{"us,ru switched", {"-layout", "us,ru", "-option", "grp:caps_toggle"}, 1},
        // Russian alone: only the physical position is left.
        LayoutCase{"ru alone", {"-layout", "ru"}, 0}),
    [](const ::testing::TestParamInfo<LayoutCase>& info) {
      return std::string(info.index == 0   ? "RussianFirst"
                         : info.index == 1 ? "SwitchedToRussian"
                                           : "RussianAlone");
    });

}  // namespace
}  // namespace dovrik
