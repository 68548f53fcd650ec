// What a screen reader learns through Qt's accessibility: a name for every
// control, each scroll bar's caption and value text, the character buttons'
// ticks, the command captions, the output box's insertions, the strip
// chart's and the About picture's names and descriptions; and the focus frame a keyboard user sees.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QImage>
#include <QLabel>
#include <QScrollBar>
#include <vector>

#include "app/about_box.h"
#include "app/accessibility.h"
#include "app/dialog_template.h"
#include "app/dialog_widgets.h"
#include "app/strip_chart_widget.h"
#include "app/window_messages.h"
#include "tables/slider_table.h"
#include "tests/app_test_support.h"

namespace dovrik {
namespace {

QAccessibleInterface* Accessible(QWidget* widget) {
  return QAccessible::queryAccessibleInterface(widget);
}

// Qt raises accessibility events (a value change, a text insertion) only
// while an assistive technology listens, which the offscreen platform never
// has; tests/app_screen_reader_test.cpp hears them on a real accessibility
// bus.

class AccessibilityTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const SliderSpec* row = SliderTable; row->controlId != 0; ++row) {
      shown_.controls.SetScrollRange(row->controlId, row->minimum, row->maximum);
      shown_.controls.SendThumbPosition(row->controlId, row->startValue);
    }
  }
  MainDialog& Dialog() { return *shown_.dialog; }

  testing::ShownDialog shown_;
};

TEST_F(AccessibilityTest, EveryControlHasAName) {
  ASSERT_EQ(Dialog().ControlsInTemplateOrder().size(), size_t{kMainControlCount});
  for (QWidget* control : Dialog().ControlsInTemplateOrder()) {
    QAccessibleInterface* face = Accessible(control);
    ASSERT_NE(face, nullptr) << control->objectName().toStdString();
    EXPECT_FALSE(face->text(QAccessible::Name).trimmed().isEmpty())
        << control->objectName().toStdString();
  }
  EXPECT_EQ(Accessible(&Dialog())->text(QAccessible::Name), "Dovrik");
}

struct ScrollBarCase {
  int id;
  const char* name;
  int position;
  const char* valueText;
  const char* afterOneStepRight;
};

class ScrollBarAccessibilityTest : public AccessibilityTest,
                                   public ::testing::WithParamInterface<ScrollBarCase> {};

TEST_P(ScrollBarAccessibilityTest, NamedByItsCaptionValuedByItsLabel) {
  const ScrollBarCase& c = GetParam();
  QScrollBar* bar = Dialog().ScrollBar(c.id);
  shown_.controls.SendThumbPosition(c.id, c.position);
  QAccessibleInterface* face = Accessible(bar);
  ASSERT_NE(face, nullptr);
  EXPECT_EQ(face->role(), QAccessible::ScrollBar);
  EXPECT_EQ(face->text(QAccessible::Name), c.name);
  EXPECT_EQ(face->text(QAccessible::Value), c.valueText);
  EXPECT_EQ(face->text(QAccessible::Description), c.valueText);
  QAccessibleValueInterface* value = face->valueInterface();
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->currentValue().toInt(), c.position);

  bar->setFocus();
  QTest::keyClick(bar, Qt::Key_Right);
  EXPECT_EQ(face->text(QAccessible::Value), c.afterOneStepRight);
  EXPECT_EQ(value->currentValue().toInt(), c.position + 1);
}

INSTANTIATE_TEST_SUITE_P(TheTenSliders, ScrollBarAccessibilityTest,
                         ::testing::Values(ScrollBarCase{1005, "Speed", 12, "12 gpm", "13 gpm"},
                                           ScrollBarCase{1006, "Groups", 25, "25", "26"},
                                           ScrollBarCase{1009, "-/. ratio", 3, "3x", "4x"},
                                           ScrollBarCase{1011, "Group Space", 1, "1x", "2x"},
                                           ScrollBarCase{1013, "Char Space", 1, "1x", "2x"},
                                           ScrollBarCase{1015, "Volume", 99, "99 %", "100 %"},
                                           ScrollBarCase{1017, "Noise", 0, "0 %", "1 %"},
                                           ScrollBarCase{1019, "Tone", 900, "900 Hz", "901 Hz"},
                                           ScrollBarCase{1021, "Attack", 9, "0.9 ms", "1.0 ms"},
                                           ScrollBarCase{1023, "Jitters", 0, "0 %", "1 %"}));

TEST_F(AccessibilityTest, AScreenReaderSetsAValueThroughTheDialogOnlyWhileUnlocked) {
  QAccessibleValueInterface* value = Accessible(Dialog().ScrollBar(1019))->valueInterface();
  value->setCurrentValue(1200);
  EXPECT_EQ(Dialog().ScrollBar(1019)->value(), 1200);
  EXPECT_EQ(Dialog().Label(1020)->text(), " 1200 Hz ");
  value->setCurrentValue(5000);  // clamped into the range, like a drag
  EXPECT_EQ(Dialog().Label(1020)->text(), " 1500 Hz ");
  value->setCurrentValue(1000);
  Dialog().MainDialogProc(WM_COMMAND, MakeWParam(kStartButtonId, 0), 0);
  value->setCurrentValue(700);
  EXPECT_EQ(Dialog().ScrollBar(1019)->value(), 1000);
  EXPECT_EQ(Dialog().Label(1020)->text(), " 1000 Hz ");
}

TEST_F(AccessibilityTest, CharacterButtonsAreNamedByTheirCharacterAndReportTheirTick) {
  for (const ControlTemplate& control : MainDialogTemplate()) {
    if (control.kind != ControlKind::kCheckButton) continue;
    QAbstractButton* button = Dialog().Button(control.id);
    QAccessibleInterface* face = Accessible(button);
    EXPECT_EQ(face->text(QAccessible::Name), control.caption);
    EXPECT_TRUE(face->state().checkable) << control.caption;
    EXPECT_FALSE(face->state().checked) << control.caption;
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(face->state().checked) << control.caption;
    EXPECT_TRUE(shown_.controls.IsTicked(control.id));
    face->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_FALSE(face->state().checked) << control.caption;
  }
}

TEST_F(AccessibilityTest, CommandButtonsReadTheirCaptionsWithoutTheMarker) {
  const std::vector<std::pair<int, QString>> captions = {{kStartButtonId, "Start"},
                                                         {kKeyButtonId, "Key"},
                                                         {kAboutButtonId, "About"},
                                                         {kExitButtonId, "Exit"}};
  for (const auto& [id, name] : captions) {
    QAccessibleInterface* face = Accessible(Dialog().Button(id));
    EXPECT_EQ(face->role(), QAccessible::Button);
    EXPECT_EQ(face->text(QAccessible::Name), name);
    EXPECT_FALSE(face->state().checkable);
  }
  Dialog().MainDialogProc(WM_COMMAND, MakeWParam(kStartButtonId, 0), 0);
  EXPECT_EQ(Accessible(Dialog().Button(kStartButtonId))->text(QAccessible::Name), "Stop");
  EXPECT_TRUE(Accessible(Dialog().Button(kKeyButtonId))->state().disabled);
}

TEST_F(AccessibilityTest, TheOutputBoxIsReadOnlyTextThatAnnouncesWhatIsAdded) {
  QAccessibleInterface* face = Accessible(Dialog().Output());
  EXPECT_EQ(face->text(QAccessible::Name), kOutputBoxName);
  EXPECT_TRUE(face->state().readOnly);
  ASSERT_NE(face->textInterface(), nullptr);

  shown_.controls.AppendToOutputBox("ABCDE ");
  shown_.controls.AppendToOutputBox("\r\nK");
  QAccessibleTextInterface* text = face->textInterface();
  EXPECT_EQ(text->text(0, text->characterCount()), "ABCDE \nK");
}

TEST_F(AccessibilityTest, TheStripChartAndTheAboutPictureAreImagesWithADescription) {
  QAccessibleInterface* chart = Accessible(Dialog().StripChart());
  EXPECT_EQ(chart->role(), QAccessible::Graphic);
  EXPECT_EQ(chart->text(QAccessible::Name), kStripChartName);
  EXPECT_EQ(chart->text(QAccessible::Description), "keying trace of the last four seconds");

  Dialog().SetDisplayDepthSource([] { return 24; });
  Dialog().MainDialogProc(WM_COMMAND, MakeWParam(kAboutButtonId, 0), 0);
  AboutBox* box = Dialog().CurrentAboutBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(Accessible(box)->text(QAccessible::Name), "Dovrik");
  QAccessibleInterface* picture = Accessible(box->findChild<AboutPicture*>());
  EXPECT_EQ(picture->role(), QAccessible::Graphic);
  EXPECT_EQ(picture->text(QAccessible::Name), kAboutPictureName);
  EXPECT_TRUE(picture->text(QAccessible::Description).contains("telegraph key"));
  // Every text of the box is read as the box shows it.
  const QList<QLabel*> texts = box->findChildren<QLabel*>();
  ASSERT_EQ(texts.size(), 3);
  for (QLabel* label : texts) {
    QAccessibleInterface* face = Accessible(label);
    EXPECT_EQ(face->role(), QAccessible::StaticText);
    EXPECT_EQ(face->text(QAccessible::Name), label->text());
  }
  EXPECT_EQ(Accessible(box->findChild<QAbstractButton*>())->text(QAccessible::Name), "Close");
  box->AboutDialogProc(WM_COMMAND, MakeWParam(kAboutCloseButtonId, 0), 0);
}

// A focused control looks different from the same control unfocused, in
// each of its states.
class FocusFrameTest : public AccessibilityTest {
 protected:
  bool FocusShows(QWidget* widget) {
    widget->setFocus();
    EXPECT_TRUE(widget->hasFocus());
    const QImage focused = widget->grab().toImage();
    widget->clearFocus();
    const QImage unfocused = widget->grab().toImage();
    return focused != unfocused;
  }
};

TEST_F(FocusFrameTest, ScrollBarsAndButtonsShowTheirFocusInEveryState) {
  EXPECT_TRUE(FocusShows(Dialog().ScrollBar(1005)));
  QAbstractButton* character = Dialog().Button(1042);
  EXPECT_TRUE(FocusShows(character));
  character->setChecked(true);
  EXPECT_TRUE(FocusShows(character));
  character->setDown(true);
  EXPECT_TRUE(FocusShows(character));
  character->setDown(false);
  EXPECT_TRUE(FocusShows(Dialog().Button(kAboutButtonId)));
  // During Stop the greyed Stop button can still hold the focus.
  QAbstractButton* start = Dialog().Button(kStartButtonId);
  Dialog().MainDialogProc(WM_COMMAND, MakeWParam(kStartButtonId, 0), 0);
  Dialog().MainDialogProc(WM_COMMAND, MakeWParam(kStartButtonId, 0), 0);
  ASSERT_FALSE(start->isEnabled());
  start->setAttribute(Qt::WA_Disabled, false);  // focus can only be given while enabled
  start->setFocus();
  start->setAttribute(Qt::WA_Disabled, true);
  ASSERT_TRUE(start->hasFocus());
  const QImage focused = start->grab().toImage();
  start->clearFocus();
  EXPECT_NE(focused, start->grab().toImage());
}

TEST_F(FocusFrameTest, TheStyleAloneShowsNoFocusOnAScrollBar) {
  // Why the frame is drawn by the dialog: a plain scroll bar of the same
  // style looks the same with and without the focus.
  QScrollBar plain(Qt::Horizontal, &Dialog());
  plain.setGeometry(Dialog().ScrollBar(1005)->geometry().translated(0, 300));
  plain.setFocusPolicy(Qt::StrongFocus);
  plain.show();
  EXPECT_FALSE(FocusShows(&plain));
}

}  // namespace
}  // namespace dovrik
