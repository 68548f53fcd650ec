// MainDialogProc driven through the dialog's real controls: value labels,
// scroll requests, the Idle / Running / Stopping states and the requests the
// worker receives.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionSlider>

#include "app/dialog_template.h"
#include "app/window_messages.h"
#include "platform/messages.h"
#include "tables/slider_table.h"
#include "tests/app_test_support.h"

namespace dovrik {
namespace {

using testing::DrainRequests;

class MainDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The ranges and default positions, as InitSliders gives them.
    for (const SliderSpec* row = SliderTable; row->controlId != 0; ++row) {
      shown_.controls.SetScrollRange(row->controlId, row->minimum, row->maximum);
    }
  }

  MainDialog& Dialog() { return *shown_.dialog; }
  ThreadQueue& Worker() { return shown_.worker; }
  QString LabelText(int id) { return Dialog().Label(id)->text(); }
  bool Enabled(int id) { return Dialog().Control(id)->isEnabled(); }
  bool Command(int id) { return Dialog().MainDialogProc(WM_COMMAND, MakeWParam(id, 0), 0); }
  int LockableEnabledCount() {
    int count = 0;
    for (const int* id = LockableControls; *id != 0; ++id) count += Enabled(*id);
    return count;
  }
  QString StartCaption() { return Dialog().Button(kStartButtonId)->text(); }
  void Reply(uint32_t message) {
    QtDialogPoster(Dialog()).PostToDialog(message);
    QCoreApplication::sendPostedEvents(&Dialog());
  }

  testing::ShownDialog shown_;
};

struct LabelCase {
  int scrollBar;
  int position;
  int label;
  const char* text;
};

class ValueLabelTest : public MainDialogTest, public ::testing::WithParamInterface<LabelCase> {};

TEST_P(ValueLabelTest, ThumbPositionWritesTheFormattedLabel) {
  const LabelCase& c = GetParam();
  shown_.controls.SendThumbPosition(c.scrollBar, c.position);
  EXPECT_EQ(LabelText(c.label).toStdString(), c.text);
  EXPECT_EQ(shown_.controls.GetScrollPos(c.scrollBar), std::clamp(c.position, 0, 1500));
}

INSTANTIATE_TEST_SUITE_P(
    EveryFormat, ValueLabelTest,
    ::testing::Values(LabelCase{1005, 12, 1007, " 12 gpm "}, LabelCase{1006, 25, 1008, " 25 "},
                      LabelCase{1009, 3, 1010, " 3x "}, LabelCase{1011, 4, 1012, " 4x "},
                      LabelCase{1013, 1, 1014, " 1x "}, LabelCase{1015, 100, 1016, " 100 % "},
                      LabelCase{1017, 0, 1018, " 0 % "}, LabelCase{1019, 1500, 1020, " 1500 Hz "},
                      LabelCase{1019, 600, 1020, " 600 Hz "}, LabelCase{1021, 0, 1022, " 0.0 ms "},
                      LabelCase{1021, 5, 1022, " 0.5 ms "}, LabelCase{1021, 10, 1022, " 1.0 ms "},
                      LabelCase{1021, 75, 1022, " 7.5 ms "}, LabelCase{1023, 50, 1024, " 50 % "}));

TEST_F(MainDialogTest, ValueLabelsReadDashesUntilTheSlidersAreSet) {
  for (const ValueLabelRow& row : ValueLabelTable) EXPECT_EQ(LabelText(row.labelId), "----");
}

TEST_F(MainDialogTest, PositionsOutsideTheRangeAreClampedBeforeTheLabelIsWritten) {
  shown_.controls.SendThumbPosition(1009, 9);
  EXPECT_EQ(LabelText(1010), " 5x ");
  shown_.controls.SendThumbPosition(1005, 1);
  EXPECT_EQ(LabelText(1007), " 6 gpm ");
}

struct ScrollCase {
  uint16_t request;
  int expected;  // from position 20 of the speed slider
};

class ScrollRequestTest : public MainDialogTest,
                          public ::testing::WithParamInterface<ScrollCase> {};

TEST_P(ScrollRequestTest, OnlyLineStepsAndTheThumbMoveTheSlider) {
  shown_.controls.SendThumbPosition(1005, 20);
  Dialog().Label(1007)->setText("stale");
  const bool handled =
      Dialog().MainDialogProc(WM_HSCROLL, MakeWParam(GetParam().request, 30), 1005);
  EXPECT_FALSE(handled);
  EXPECT_EQ(Dialog().ScrollBar(1005)->value(), GetParam().expected);
  // The label is written in every case, also when nothing moved.
  EXPECT_EQ(LabelText(1007), QString(" %1 gpm ").arg(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(AllRequests, ScrollRequestTest,
                         ::testing::Values(ScrollCase{SB_LINELEFT, 19},
                                           ScrollCase{SB_LINERIGHT, 21},
                                           ScrollCase{SB_PAGELEFT, 20},
                                           ScrollCase{SB_PAGERIGHT, 20},
                                           ScrollCase{SB_THUMBPOSITION, 30},
                                           ScrollCase{SB_THUMBTRACK, 30}, ScrollCase{SB_LEFT, 20},
                                           ScrollCase{SB_RIGHT, 20}, ScrollCase{SB_ENDSCROLL, 20}));

TEST_F(MainDialogTest, SpeedSixAndALeftArrowStaysSix) {
  shown_.controls.SendThumbPosition(1005, 6);
  QScrollBar* bar = Dialog().ScrollBar(1005);
  bar->setFocus();
  QTest::keyClick(bar, Qt::Key_Left);
  EXPECT_EQ(bar->value(), 6);
  EXPECT_EQ(LabelText(1007), " 6 gpm ");
  QTest::keyClick(bar, Qt::Key_Right);
  EXPECT_EQ(bar->value(), 7);
  EXPECT_EQ(LabelText(1007), " 7 gpm ");
  // Page and end keys are page and end requests: nothing moves.
  for (Qt::Key key : {Qt::Key_PageDown, Qt::Key_PageUp, Qt::Key_Home, Qt::Key_End}) {
    QTest::keyClick(bar, key);
    EXPECT_EQ(bar->value(), 7);
  }
}

TEST_F(MainDialogTest, ClickingTheTroughOrTheArrowsOfASlider) {
  shown_.controls.SendThumbPosition(1019, 900);
  QScrollBar* bar = Dialog().ScrollBar(1019);
  QStyleOptionSlider option;
  option.initFrom(bar);
  option.orientation = Qt::Horizontal;
  option.minimum = bar->minimum();
  option.maximum = bar->maximum();
  option.sliderPosition = option.sliderValue = bar->value();
  option.singleStep = 1;
  option.pageStep = bar->pageStep();
  auto centreOf = [&](QStyle::SubControl part) {
    return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, part, bar).center();
  };
  QTest::mouseClick(bar, Qt::LeftButton, {}, centreOf(QStyle::SC_ScrollBarAddPage));
  EXPECT_EQ(bar->value(), 900);
  EXPECT_EQ(LabelText(1020), " 900 Hz ");
  QTest::mouseClick(bar, Qt::LeftButton, {}, centreOf(QStyle::SC_ScrollBarSubPage));
  EXPECT_EQ(bar->value(), 900);
  QTest::mouseClick(bar, Qt::LeftButton, {}, centreOf(QStyle::SC_ScrollBarAddLine));
  EXPECT_EQ(bar->value(), 901);
  EXPECT_EQ(LabelText(1020), " 901 Hz ");
  QTest::mouseClick(bar, Qt::LeftButton, {}, centreOf(QStyle::SC_ScrollBarSubLine));
  EXPECT_EQ(bar->value(), 900);
}

TEST_F(MainDialogTest, StartLocksTheControlsAndAsksForASendingExercise) {
  EXPECT_FALSE(Command(kStartButtonId));
  EXPECT_TRUE(Dialog().ExerciseRunning());
  EXPECT_EQ(StartCaption(), "&Stop");
  EXPECT_TRUE(Enabled(kStartButtonId));
  EXPECT_EQ(LockableEnabledCount(), 0);
  EXPECT_TRUE(Enabled(kOutputBoxId));
  EXPECT_TRUE(Enabled(kStripChartId));
  EXPECT_EQ(DrainRequests(Worker()), (std::vector<uint32_t>{MSG_START_SENDING}));
}

TEST_F(MainDialogTest, KeyAsksForAKeyingExerciseAndTheStartButtonStopsIt) {
  Command(kKeyButtonId);
  EXPECT_EQ(StartCaption(), "&Stop");
  Command(kStartButtonId);
  EXPECT_EQ(DrainRequests(Worker()), (std::vector<uint32_t>{MSG_START_KEYING, MSG_STOP_EXERCISE}));
}

TEST_F(MainDialogTest, StopGreysTheButtonUntilTheWorkerReportsTheEnd) {
  Command(kStartButtonId);
  Command(kStartButtonId);
  EXPECT_FALSE(Enabled(kStartButtonId));
  EXPECT_EQ(StartCaption(), "&Stop");
  EXPECT_TRUE(Dialog().ExerciseRunning());
  Command(kStartButtonId);  // Alt+S can still deliver it: the same steps again
  EXPECT_EQ(DrainRequests(Worker()),
            (std::vector<uint32_t>{MSG_START_SENDING, MSG_STOP_EXERCISE, MSG_STOP_EXERCISE}));
  Reply(MSG_EXERCISE_ENDED);
  EXPECT_FALSE(Dialog().ExerciseRunning());
  EXPECT_EQ(StartCaption(), "&Start");
  EXPECT_TRUE(Enabled(kStartButtonId));
  EXPECT_EQ(LockableEnabledCount(), 74);
}

TEST_F(MainDialogTest, ExitKeyAndAboutDoNothingDuringAnExercise) {
  Command(kStartButtonId);
  DrainRequests(Worker());
  Command(kExitButtonId);
  Command(kKeyButtonId);
  Command(kAboutButtonId);
  EXPECT_TRUE(DrainRequests(Worker()).empty());
  EXPECT_EQ(Dialog().CurrentAboutBox(), nullptr);
  EXPECT_EQ(LockableEnabledCount(), 0);
  Reply(MSG_EXERCISE_ENDED);
  Command(kExitButtonId);
  EXPECT_EQ(DrainRequests(Worker()), (std::vector<uint32_t>{MSG_WORKER_QUIT}));
}

TEST_F(MainDialogTest, CloseAsksToStopAndThenToQuitInEveryState) {
  Dialog().close();
  EXPECT_EQ(DrainRequests(Worker()), (std::vector<uint32_t>{MSG_STOP_EXERCISE, MSG_WORKER_QUIT}));
  EXPECT_TRUE(Dialog().isVisible());  // the window is not destroyed
  Command(kStartButtonId);
  DrainRequests(Worker());
  Dialog().close();
  EXPECT_EQ(DrainRequests(Worker()), (std::vector<uint32_t>{MSG_STOP_EXERCISE, MSG_WORKER_QUIT}));
}

TEST_F(MainDialogTest, AppQuitEndsTheMessageLoopWithCodeZero) {
  QSignalSpy quit(&Dialog(), &MainDialog::QuitPosted);
  Reply(MSG_APP_QUIT);
  ASSERT_EQ(quit.count(), 1);
  EXPECT_EQ(quit.at(0).at(0).toInt(), 0);
}

TEST_F(MainDialogTest, CheckButtonsToggleThemselvesAndAskNothing) {
  QAbstractButton* a = Dialog().Button(1042);
  QTest::mouseClick(a, Qt::LeftButton);
  EXPECT_TRUE(a->isChecked());
  EXPECT_TRUE(shown_.controls.IsTicked(1042));
  a->setFocus();
  QTest::keyClick(a, Qt::Key_Space);
  EXPECT_FALSE(shown_.controls.IsTicked(1042));
  EXPECT_TRUE(DrainRequests(Worker()).empty());
}

TEST_F(MainDialogTest, ClickingTheOutputBoxLeavesNoFocus) {
  Dialog().Button(1042)->setFocus();
  ASSERT_EQ(QApplication::focusWidget(), Dialog().Button(1042));
  QWidget* viewport = static_cast<QPlainTextEdit*>(Dialog().Control(kOutputBoxId))->viewport();
  QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(20, 20));
  EXPECT_EQ(QApplication::focusWidget(), nullptr);
}

TEST_F(MainDialogTest, LockingLeavesTheKeyboardFocusWhereItIs) {
  Dialog().ScrollBar(1005)->setFocus();
  Command(kStartButtonId);
  EXPECT_EQ(QApplication::focusWidget(), Dialog().ScrollBar(1005));
  EXPECT_FALSE(Dialog().ScrollBar(1005)->isEnabled());
}

}  // namespace
}  // namespace dovrik
