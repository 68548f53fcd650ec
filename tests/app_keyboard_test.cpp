// The keyboard is exactly the two accelerator tables: each table key does
// one thing in every state, Tab moves forward only, and every other key goes
// to the focused control.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QScrollBar>
#include <memory>
#include <utility>

#include "app/about_box.h"
#include "app/accelerator_filter.h"
#include "app/dialog_widgets.h"
#include "app/keyboard_layout.h"
#include "platform/messages.h"
#include "tests/app_test_support.h"

namespace dovrik {
namespace {

using testing::DrainRequests;

class KeyboardTest : public ::testing::Test {
 protected:
  KeyboardTest()
      : filter_(std::make_unique<AcceleratorFilter>(*shown_.dialog, [this](bool left, bool right) {
          keyChanges_.push_back(left || right);
          controlKeys_.push_back({left, right});
        })) {
    qApp->installEventFilter(filter_.get());
  }
  ~KeyboardTest() override { qApp->removeEventFilter(filter_.get()); }

  MainDialog& Dialog() { return *shown_.dialog; }
  // A key as the user types it, to whatever has the focus (the window when
  // nothing has).
  void Type(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = QApplication::focusWidget();
    QTest::keyClick(target ? target : &Dialog(), key, modifiers);
    QCoreApplication::processEvents();
  }
  int FocusedId() {
    QWidget* focus = QApplication::focusWidget();
    return focus ? focus->property(kControlIdProperty).toInt() : 0;
  }
  std::vector<uint32_t> Requests() { return DrainRequests(shown_.worker); }

  testing::ShownDialog shown_;
  std::vector<bool> keyChanges_;
  std::vector<std::pair<bool, bool>> controlKeys_;  // (left, right) at each change
  std::unique_ptr<AcceleratorFilter> filter_;
};

TEST_F(KeyboardTest, AltSStartsAndStopsAndAltKAndAltXDoNothingMeanwhile) {
  Dialog().Button(1042)->setFocus();
  Type(Qt::Key_S, Qt::AltModifier);
  // One command only: the caption's own mnemonic does not fire as well.
  EXPECT_EQ(Requests(), (std::vector<uint32_t>{MSG_START_SENDING}));
  EXPECT_EQ(Dialog().Button(kStartButtonId)->text(), "&Stop");
  Type(Qt::Key_K, Qt::AltModifier);
  Type(Qt::Key_X, Qt::AltModifier);
  Type(Qt::Key_A, Qt::AltModifier);
  EXPECT_TRUE(Requests().empty());
  EXPECT_EQ(Dialog().CurrentAboutBox(), nullptr);
  Type(Qt::Key_S, Qt::AltModifier);
  EXPECT_FALSE(Dialog().Button(kStartButtonId)->isEnabled());
  // The disabled Stop button still gets the command through the table.
  Type(Qt::Key_S, Qt::AltModifier);
  EXPECT_EQ(Requests(), (std::vector<uint32_t>{MSG_STOP_EXERCISE, MSG_STOP_EXERCISE}));
}

TEST_F(KeyboardTest, AltKAndAltXWhileIdle) {
  Type(Qt::Key_K, Qt::AltModifier);
  EXPECT_EQ(Requests(), (std::vector<uint32_t>{MSG_START_KEYING}));
  QtDialogPoster(Dialog()).PostToDialog(MSG_EXERCISE_ENDED);
  QCoreApplication::processEvents();
  Type(Qt::Key_X, Qt::AltModifier);
  EXPECT_EQ(Requests(), (std::vector<uint32_t>{MSG_WORKER_QUIT}));
}

TEST_F(KeyboardTest, TableKeysNeedExactlyAlt) {
  Type(Qt::Key_S, Qt::AltModifier | Qt::ShiftModifier);
  Type(Qt::Key_S, Qt::ControlModifier | Qt::AltModifier);
  Type(Qt::Key_X);
  EXPECT_TRUE(Requests().empty());
  EXPECT_FALSE(Dialog().ExerciseRunning());
}

TEST_F(KeyboardTest, TabMovesForwardThroughTheTabStopsAndShiftTabDoesNothing) {
  Dialog().ScrollBar(1005)->setFocus();
  Type(Qt::Key_Tab);
  EXPECT_EQ(FocusedId(), 1006);
  Type(Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(FocusedId(), 1006);
  Type(Qt::Key_Tab, Qt::ShiftModifier);
  EXPECT_EQ(FocusedId(), 1006);
  Dialog().Button(1082)->setFocus();  // "=", the last character button
  Type(Qt::Key_Tab);
  EXPECT_EQ(FocusedId(), 1003);
  Dialog().Button(1001)->setFocus();  // Exit, the last tab stop: round to the first
  Type(Qt::Key_Tab);
  EXPECT_EQ(FocusedId(), 1005);
}

TEST_F(KeyboardTest, DuringAnExerciseTabCanOnlyReachTheStopButton) {
  Dialog().Button(1042)->setFocus();
  Type(Qt::Key_S, Qt::AltModifier);
  Type(Qt::Key_Tab);
  EXPECT_EQ(FocusedId(), 1003);
  Type(Qt::Key_Tab);
  EXPECT_EQ(FocusedId(), 1003);
}

TEST_F(KeyboardTest, WithNoFocusTabGoesToTheFirstTabStop) {
  Dialog().Button(1050)->setFocus();
  QTest::mouseClick(Dialog().Output()->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
  ASSERT_EQ(QApplication::focusWidget(), nullptr);
  Type(Qt::Key_Tab);
  EXPECT_EQ(FocusedId(), 1005);
}

TEST_F(KeyboardTest, AFocusedControlKeepsItsOwnKeysAndNothingElse) {
  QAbstractButton* start = Dialog().Button(kStartButtonId);
  start->setFocus();
  for (Qt::Key key : {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down, Qt::Key_Return,
                      Qt::Key_Enter, Qt::Key_Escape}) {
    Type(key);
    EXPECT_EQ(FocusedId(), kStartButtonId) << key;
  }
  EXPECT_TRUE(Requests().empty());
  EXPECT_TRUE(Dialog().isVisible());
  Type(Qt::Key_Space);  // Space presses the focused button
  EXPECT_EQ(Requests(), (std::vector<uint32_t>{MSG_START_SENDING}));
}

TEST_F(KeyboardTest, CtrlIsTheStraightKeyAndNothingElse) {
  QScrollBar* bar = Dialog().ScrollBar(1005);
  bar->setFocus();
  QTest::keyPress(bar, Qt::Key_Control);
  QTest::keyPress(bar, Qt::Key_Control, Qt::ControlModifier, -1);  // held: no change
  QTest::keyRelease(bar, Qt::Key_Control, Qt::ControlModifier);
  EXPECT_EQ(keyChanges_, (std::vector<bool>{true, false}));
  EXPECT_TRUE(Requests().empty());
  EXPECT_EQ(FocusedId(), 1005);
}

TEST_F(KeyboardTest, CtrlHeldIsReleasedWhenTheWindowLosesActivation) {
  QTest::keyPress(&Dialog(), Qt::Key_Control);
  QEvent deactivate(QEvent::WindowDeactivate);
  QCoreApplication::sendEvent(&Dialog(), &deactivate);
  EXPECT_EQ(keyChanges_, (std::vector<bool>{true, false}));
}

// The paddles of a keyer: the two Ctrl keys told apart by their X key
// symbols, each change reported with both states.
TEST_F(KeyboardTest, LeftAndRightCtrlAreReportedApart) {
  const auto send = [this](QEvent::Type type, quint32 symbol, bool repeat = false) {
    const Qt::KeyboardModifiers held =
        type == QEvent::KeyPress ? Qt::ControlModifier : Qt::NoModifier;
    QKeyEvent event(type, Qt::Key_Control, held, symbol == 0xffe3 ? 37 : 105, symbol, 0, QString(),
                    repeat);
    QCoreApplication::sendEvent(&Dialog(), &event);
  };
  send(QEvent::KeyPress, 0xffe3);        // Left Ctrl down
  send(QEvent::KeyPress, 0xffe4);        // Right Ctrl down
  send(QEvent::KeyPress, 0xffe3, true);  // auto-repeat: nothing
  send(QEvent::KeyRelease, 0xffe3);      // Left up, Right still held
  send(QEvent::KeyRelease, 0xffe4);
  using Pair = std::pair<bool, bool>;
  EXPECT_EQ(controlKeys_,
            (std::vector<Pair>{{true, false}, {true, true}, {false, true}, {false, false}}));
  // The straight key: down from the first press to the last release.
  EXPECT_EQ(keyChanges_, (std::vector<bool>{true, true, true, false}));
  EXPECT_TRUE(Requests().empty());

  // Right Ctrl held as the window loses activation: both let go.
  send(QEvent::KeyPress, 0xffe4);
  QEvent deactivate(QEvent::WindowDeactivate);
  QCoreApplication::sendEvent(&Dialog(), &deactivate);
  EXPECT_EQ(controlKeys_.back(), (Pair{false, false}));
}

TEST(AcceleratorTables, MapExactlyTheirKeys) {
  auto command = [](Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QKeyEvent event(QEvent::KeyPress, key, modifiers);
    return AcceleratorFilter::MainCommandFor(event) * 10000 +
           AcceleratorFilter::AboutCommandFor(event);
  };
  EXPECT_EQ(command(Qt::Key_A, Qt::AltModifier), 1002 * 10000);
  EXPECT_EQ(command(Qt::Key_K, Qt::AltModifier), 1038 * 10000);
  EXPECT_EQ(command(Qt::Key_S, Qt::AltModifier), 1003 * 10000);
  EXPECT_EQ(command(Qt::Key_X, Qt::AltModifier), 1001 * 10000);
  EXPECT_EQ(command(Qt::Key_Tab, Qt::NoModifier), 1034 * 10000);
  EXPECT_EQ(command(Qt::Key_C, Qt::AltModifier), 1039);
  EXPECT_EQ(command(Qt::Key_Tab, Qt::ControlModifier), 0);
  EXPECT_EQ(command(Qt::Key_A, Qt::NoModifier), 0);
  EXPECT_EQ(command(Qt::Key_E, Qt::AltModifier), 0);
  EXPECT_EQ(command(Qt::Key_C, Qt::AltModifier | Qt::ShiftModifier), 0);
  // A key of the numeric keypad keeps its meaning.
  EXPECT_EQ(command(Qt::Key_S, Qt::AltModifier | Qt::KeypadModifier), 1003 * 10000);
}

struct LayoutCase {
  const char* layout;
  int qtKey;
  std::vector<uint32_t> groupSymbols;
  const char* keyName;
  char letter;
};

class AcceleratorLetterTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(AcceleratorLetterTest, IsTheLatinLetterOfThePhysicalKey) {
  const LayoutCase& c = GetParam();
  EXPECT_EQ(AcceleratorLetter(c.qtKey, c.groupSymbols, c.keyName), c.letter) << c.layout;
}

// X key symbols: Latin letters are their ASCII codes; 0x6d9 Cyrillic_YERU
// ("Ы"), 0x6c1 Cyrillic_a, 0x7f3 Greek_sigma, 0xce3 hebrew_dalet, 0x6c9
// Cyrillic_i (Ukrainian on the S key gives "і", 0x6a6).
INSTANTIATE_TEST_SUITE_P(
    Layouts, AcceleratorLetterTest,
    ::testing::Values(
        LayoutCase{"us", Qt::Key_S, {'s'}, "AC02", 'S'},
        // A Latin layout keeps its own letters, wherever they sit.
        LayoutCase{"fr: the A of AZERTY sits on US Q", Qt::Key_A, {'a'}, "AD01", 'A'},
        LayoutCase{"us,ru in Russian", 0x42B, {'s', 0x6d9}, "AC02", 'S'},
        LayoutCase{
            "ru,us in Russian: the Latin group comes second", 0x42B, {0x6d9, 's'}, "AC02", 'S'},
        LayoutCase{"ua,us", 0x456, {0x6a6, 's'}, "AC02", 'S'},
        LayoutCase{"gr,us", 0x3A3, {0x7f3, 's'}, "AC02", 'S'},
        LayoutCase{"il,us", 0x5D3, {0xce3, 's'}, "AC02", 'S'},
        LayoutCase{"us,ru on X", 0x427, {'x', 0x6fe}, "AB02", 'X'},
        // The Latin group's letter, not the US one: Dvorak has O here.
        LayoutCase{"dvorak,ru", 0x42B, {'o', 0x6d9}, "AC02", 'O'},
        // Russian alone: the letter printed on that key of a US keyboard.
        LayoutCase{"ru alone, A key", 0x424, {0x6c6}, "AC01", 'A'},
        LayoutCase{"ru alone, K key", 0x41B, {0x6cc}, "AC08", 'K'},
        LayoutCase{"ru alone, C key", 0x421, {0x6d3}, "AB03", 'C'},
        // Keys that are no Latin letter anywhere stand for nothing.
        LayoutCase{"fr: é on the 2 key", 0xC9, {0xe9}, "AE02", 0},
        LayoutCase{"ru alone: ж beside L", 0x416, {0x6d6}, "AC10", 0},
        LayoutCase{"us: a digit", Qt::Key_2, {'2'}, "AE02", 0},
        LayoutCase{"us,ru: Tab", Qt::Key_Tab, {0xff09, 0xff09}, "TAB", 0},
        LayoutCase{
            "us,ru: Ctrl stays the straight key", Qt::Key_Control, {0xffe3, 0xffe3}, "LCTL", 0}));

TEST(AcceleratorTables, OffX11ANonLatinKeyWithoutAKeyMapIsNoAccelerator) {
  // The offscreen platform has no X keyboard map to look the key up in.
  QKeyEvent yeru(QEvent::KeyPress, 0x42B, Qt::AltModifier, 39, 0x6d9, 0x8, QString(QChar(0x42B)));
  EXPECT_EQ(AcceleratorFilter::MainCommandFor(yeru), 0);
}

}  // namespace
}  // namespace dovrik
