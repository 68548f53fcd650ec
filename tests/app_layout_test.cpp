// The main dialog as template 101 lays it out: every control's id, kind,
// caption, place and tab order, and the pixel figures the exercises rely on.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <set>
#include <string>

#include "app/dialog_template.h"
#include "app/dialog_units.h"
#include "app/strip_chart_widget.h"
#include "tables/character_table.h"
#include "tests/app_test_support.h"

namespace dovrik {
namespace {

struct Expected {
  int id;
  const char* className;
  QString caption;
  DialogUnitRect rect;
};

// The template written out from its description: rows of buttons by their
// rule (x grows by 23), not copied from the program's table.
std::vector<Expected> ExpectedTemplate() {
  std::vector<Expected> rows;
  const int barIds[] = {1005, 1006, 1009, 1011, 1013, 1015, 1017, 1019, 1021, 1023};
  const int barX[] = {10, 74, 139, 204, 269};
  const int barWidth[] = {52, 53, 53, 53, 52};
  for (int i = 0; i < 10; ++i) {
    rows.push_back({barIds[i],
                    "dovrik::DialogScrollBar",
                    "",
                    {barX[i % 5], i < 5 ? 25 : 55, barWidth[i % 5], 8}});
  }
  rows.push_back({1078, "dovrik::DialogButton", "VVV=", {7, 70, 40, 17}});
  const char* first = "ABSTGJNOKQFM";
  for (int k = 0; k < 12; ++k) {
    rows.push_back(
        {1042 + k, "dovrik::DialogButton", QString(QChar(first[k])), {53 + 23 * k, 70, 17, 17}});
  }
  const char* second = "ZIXDRHEWLYPVCU";
  for (int k = 0; k < 14; ++k) {
    rows.push_back(
        {1054 + k, "dovrik::DialogButton", QString(QChar(second[k])), {7 + 23 * k, 90, 17, 17}});
  }
  const char* third = "0123456789?!/=";
  const int thirdIds[] = {1068, 1069, 1070, 1071, 1072, 1073, 1074,
                          1075, 1076, 1077, 1079, 1080, 1081, 1082};
  for (int k = 0; k < 14; ++k) {
    rows.push_back(
        {thirdIds[k], "dovrik::DialogButton", QString(QChar(third[k])), {7 + 23 * k, 110, 17, 17}});
  }
  rows.push_back({1003, "dovrik::DialogButton", "&Start", {7, 253, 29, 14}});
  rows.push_back({1038, "dovrik::DialogButton", "&Key", {43, 253, 29, 14}});
  rows.push_back({1002, "dovrik::DialogButton", "&About", {257, 253, 29, 14}});
  rows.push_back({1001, "dovrik::DialogButton", "E&xit", {294, 253, 29, 14}});
  rows.push_back({kOutputBoxId, "dovrik::OutputBox", "", {7, 130, 316, 107}});
  const int labelIds[] = {1007, 1008, 1010, 1012, 1014, 1016, 1018, 1020, 1022, 1024};
  const int groupIds[] = {1027, 1028, 1029, 1030, 1031, 1032, 1033, 1035, 1036, 1037};
  const char* groupCaptions[] = {"Speed:",  "Groups:", "-/. ratio:", "Group Space:", "Char Space:",
                                 "Volume:", "Noise:",  "Tone:",      "Attack:",      "Jitters:"};
  const int groupX[] = {7, 71, 136, 201, 266};
  const int groupWidth[] = {57, 58, 58, 58, 57};
  for (int i = 0; i < 10; ++i) {
    rows.push_back(
        {labelIds[i], "QLabel", "----", {barX[i % 5], i < 5 ? 15 : 45, barWidth[i % 5], 9}});
    rows.push_back({groupIds[i],
                    "dovrik::DialogGroupBox",
                    groupCaptions[i],
                    {groupX[i % 5], i < 5 ? 7 : 37, groupWidth[i % 5], 29}});
  }
  rows.push_back({1004, "dovrik::StripChartWidget", "", {7, 240, 316, 10}});
  return rows;
}

QString CaptionOf(QWidget* widget) {
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text();
  if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
  if (auto* group = qobject_cast<QGroupBox*>(widget)) return group->title();
  if (auto* edit = qobject_cast<QPlainTextEdit*>(widget)) return edit->toPlainText();
  return QString();
}

TEST(MainDialogLayout, HasTheSeventySevenControlsOfTheTemplateInOrder) {
  testing::ShownDialog shown;
  const std::vector<Expected> expected = ExpectedTemplate();
  const std::vector<QWidget*>& controls = shown.dialog->ControlsInTemplateOrder();
  ASSERT_EQ(expected.size(), 77u);
  ASSERT_EQ(controls.size(), 77u);
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(expected[i].id);
    QWidget* control = controls[i];
    EXPECT_EQ(control->property(kControlIdProperty).toInt(), expected[i].id);
    EXPECT_EQ(shown.dialog->Control(expected[i].id), control);
    EXPECT_STREQ(control->metaObject()->className(), expected[i].className);
    EXPECT_EQ(CaptionOf(control), expected[i].caption);
    EXPECT_EQ(control->geometry(), DialogUnitsToPixels(expected[i].rect));
    EXPECT_TRUE(control->isVisible());
    EXPECT_TRUE(control->isEnabled());
  }
}

// Pixel rectangles worked out by hand with base units of 6 x 13 px: x and
// width times 1.5, y and height times 13/8, each rounded on its own with
// halves going up (17 units wide is 25.5 px, so 26).
struct PixelCase {
  int id;
  QRect pixels;
};

TEST(MainDialogLayout, EachRectangleIsScaledFieldByField) {
  testing::ShownDialog shown;
  const PixelCase cases[] = {
      {1005, QRect(15, 41, 78, 13)},             // 10, 25, 52, 8
      {1006, QRect(111, 41, 80, 13)},            // 74, 25, 53, 8: 79.5 wide
      {1007, QRect(15, 24, 78, 15)},             // 10, 15, 52, 9: 24.375 down, 14.625 high
      {1029, QRect(204, 11, 87, 47)},            // 136, 7, 58, 29
      {1078, QRect(11, 114, 60, 28)},            // 7, 70, 40, 17: 10.5 across
      {1042, QRect(80, 114, 26, 28)},            // "A" at 53, 70, 17, 17
      {1043, QRect(114, 114, 26, 28)},           // "B" at 76, 70, 17, 17
      {1057, QRect(114, 146, 26, 28)},           // "D" at 76, 90, 17, 17: 146.25 down
      {1082, QRect(459, 179, 26, 28)},           // "=" at 306, 110, 17, 17
      {1003, QRect(11, 411, 44, 23)},            // Start at 7, 253, 29, 14: 43.5 wide
      {1038, QRect(65, 411, 44, 23)},            // Key at 43, 253, 29, 14
      {1001, QRect(441, 411, 44, 23)},           // Exit at 294, 253, 29, 14
      {kOutputBoxId, QRect(11, 211, 474, 174)},  // output box at 7, 130, 316, 107
      {1004, QRect(11, 390, 474, 16)},           // strip chart at 7, 240, 316, 10
  };
  for (const PixelCase& c : cases) {
    EXPECT_EQ(shown.dialog->Control(c.id)->geometry(), c.pixels) << c.id;
  }
  // Every character button is the same size, whatever its place.
  for (QWidget* control : shown.dialog->ControlsInTemplateOrder()) {
    const int id = control->property(kControlIdProperty).toInt();
    if (id >= 1042 && id <= 1082 && id != 1078) {
      EXPECT_EQ(control->size(), QSize(26, 28)) << id;
    }
  }
}

TEST(MainDialogLayout, CheckButtonsArePushLikeAndNoneIsTicked) {
  testing::ShownDialog shown;
  int checkable = 0;
  for (QWidget* control : shown.dialog->ControlsInTemplateOrder()) {
    auto* button = qobject_cast<QPushButton*>(control);
    if (!button) continue;
    const int id = control->property(kControlIdProperty).toInt();
    const bool command = id == 1001 || id == 1002 || id == 1003 || id == 1038;
    EXPECT_EQ(button->isCheckable(), !command) << id;
    EXPECT_FALSE(button->isChecked()) << id;
    EXPECT_FALSE(button->isDefault()) << id;
    EXPECT_FALSE(button->autoDefault()) << id;
    checkable += button->isCheckable();
  }
  EXPECT_EQ(checkable, 41);
  auto* output = qobject_cast<QPlainTextEdit*>(shown.dialog->Control(kOutputBoxId));
  ASSERT_NE(output, nullptr);
  EXPECT_TRUE(output->isReadOnly());
  EXPECT_TRUE(output->toPlainText().isEmpty());
}

TEST(MainDialogLayout, KeepsTheTemplateFontsPixelFigures) {
  testing::ShownDialog shown;
  // 330 x 274 dialog units with base units of 6 x 13 pixels.
  EXPECT_EQ(shown.dialog->size(), QSize(495, 445));
  EXPECT_EQ(shown.dialog->minimumSize(), shown.dialog->maximumSize());  // no sizing border
  EXPECT_FALSE(shown.dialog->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(shown.dialog->windowTitle(), "Dovrik");
  int width = 0;
  int height = 0;
  shown.dialog->StripChart()->ClientSize(width, height);
  EXPECT_EQ(width, 470);
  EXPECT_EQ(height, 12);
  EXPECT_EQ(shown.dialog->Control(1005)->geometry(), QRect(15, 41, 78, 13));
}

TEST(MainDialogLayout, TheScreenFontFitsTheTemplateAndEveryCaptionFits) {
  testing::ShownDialog shown;
  const DialogBaseUnits units = MeasureBaseUnits(shown.dialog->font());
  EXPECT_LE(units.width, kTemplateBaseUnits.width);
  EXPECT_LE(units.height, kTemplateBaseUnits.height);
  for (QWidget* control : shown.dialog->ControlsInTemplateOrder()) {
    QString caption = CaptionOf(control);
    if (caption.isEmpty() || qobject_cast<QPlainTextEdit*>(control)) continue;
    caption.remove(QLatin1Char('&'));
    const int textWidth = control->fontMetrics().horizontalAdvance(caption);
    // Room for a button's frame (or a group box's indent) on both sides.
    EXPECT_LE(textWidth + 8, control->width()) << caption.toStdString();
    EXPECT_LE(control->fontMetrics().height(), control->height()) << caption.toStdString();
  }
}

TEST(MainDialogLayout, TabStopsAreTheScrollBarsAndButtonsInTemplateOrder) {
  testing::ShownDialog shown;
  std::vector<int> tabStops;
  for (QWidget* control : shown.dialog->ControlsInTemplateOrder()) {
    if (control->focusPolicy() & Qt::TabFocus) {
      tabStops.push_back(control->property(kControlIdProperty).toInt());
    }
  }
  ASSERT_EQ(tabStops.size(), 55u);  // 10 scroll bars, 41 check buttons, 4 command buttons
  EXPECT_EQ(tabStops.front(), 1005);
  EXPECT_EQ(tabStops[10], 1078);
  EXPECT_EQ(tabStops[51], 1003);
  EXPECT_EQ(tabStops.back(), 1001);
  // Qt's own focus chain agrees, for assistive tools that follow it.
  QWidget* widget = shown.dialog->Control(1005);
  for (size_t i = 1; i < tabStops.size(); ++i) {
    widget = widget->nextInFocusChain();
    while (!(widget->focusPolicy() & Qt::TabFocus)) widget = widget->nextInFocusChain();
    EXPECT_EQ(widget->property(kControlIdProperty).toInt(), tabStops[i]);
  }
}

// The tables name the character buttons by id; the user sees captions. A
// swapped id would have the user tick "C" and hear "D".
TEST(MainDialogLayout, EveryTableIdNamesTheButtonCaptionedWithItsCharacter) {
  testing::ShownDialog shown;
  auto caption = [&](int id) {
    QAbstractButton* button = shown.dialog->Button(id);
    return button ? button->text().toStdString() : "<no button " + std::to_string(id) + ">";
  };
  int rows = 0;
  for (const CharacterEntry* row = CharacterTable; row->buttonId != 0; ++row, ++rows) {
    EXPECT_EQ(caption(row->buttonId), std::string(1, row->character)) << row->buttonId;
  }
  EXPECT_EQ(rows, 40);
  EXPECT_EQ(caption(kPreambleButtonId), "VVV=");

  // LockableControls lists the letters A to Z, the digits, "? ! / =" and the
  // preamble, in that order, from its 34th entry on.
  const std::string lockedOrder = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789?!/=";
  for (size_t i = 0; i < lockedOrder.size(); ++i) {
    EXPECT_EQ(caption(LockableControls[33 + i]), lockedOrder.substr(i, 1)) << i;
  }
  EXPECT_EQ(caption(LockableControls[73]), "VVV=");
}

TEST(MainDialogLayout, LockableControlsAreTheSeventyFourIdsInTheirOrder) {
  std::vector<int> ids;
  for (const int* id = LockableControls; *id != 0; ++id) ids.push_back(*id);
  ASSERT_EQ(ids.size(), 74u);
  EXPECT_EQ(LockableControls[74], 0);
  EXPECT_EQ((std::vector<int>(ids.begin(), ids.begin() + 4)),
            (std::vector<int>{1001, 1002, 1038, 1005}));
  // The letters in alphabetical order: A, B, C, D ... Z.
  EXPECT_EQ((std::vector<int>(ids.begin() + 33, ids.begin() + 37)),
            (std::vector<int>{1042, 1043, 1066, 1057}));
  EXPECT_EQ(ids[58], 1054);  // Z
  EXPECT_EQ(ids.back(), 1078);
  // Every control but the Start button, the output box and the strip chart.
  std::set<int> all;
  for (const ControlTemplate& control : MainDialogTemplate()) all.insert(control.id);
  std::set<int> lockable(ids.begin(), ids.end());
  EXPECT_EQ(lockable.size(), 74u);
  for (int id : lockable) all.erase(id);
  EXPECT_EQ(all, (std::set<int>{1003, 1004, kOutputBoxId}));
}

}  // namespace
}  // namespace dovrik
