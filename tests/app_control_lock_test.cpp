// Locking the dialog's controls while the mouse or the keyboard holds one:
// the lock lets go of the held control, so a scroll bar stops repeating and
// a button is no longer drawn pressed, and a locked scroll bar never moves.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <memory>
#include <string>

#include "app/about_box.h"
#include "app/accelerator_filter.h"
#include "app/dialog_widgets.h"
#include "platform/messages.h"
#include "tables/slider_table.h"
#include "tests/app_test_support.h"

namespace dovrik {
namespace {

using testing::DrainRequests;

constexpr int kToneBar = 1019;
constexpr int kToneLabel = 1020;

enum class Lock { kStart, kKey, kAbout };

class ControlLockTest : public ::testing::Test {
 protected:
  ControlLockTest() : filter_(std::make_unique<AcceleratorFilter>(*shown_.dialog, nullptr)) {
    qApp->installEventFilter(filter_.get());
    for (const SliderSpec* row = SliderTable; row->controlId != 0; ++row) {
      shown_.controls.SetScrollRange(row->controlId, row->minimum, row->maximum);
      shown_.controls.SendThumbPosition(row->controlId, row->startValue);
    }
  }
  ~ControlLockTest() override {
    if (AboutBox* box = Dialog().CurrentAboutBox()) box->close();
    qApp->removeEventFilter(filter_.get());
  }

  MainDialog& Dialog() { return *shown_.dialog; }
  DialogScrollBar* Bar() { return qobject_cast<DialogScrollBar*>(Dialog().ScrollBar(kToneBar)); }
  QPoint CentreOf(QStyle::SubControl part) {
    QStyleOptionSlider option;
    option.initFrom(Bar());
    option.orientation = Qt::Horizontal;
    option.minimum = Bar()->minimum();
    option.maximum = Bar()->maximum();
    option.sliderPosition = option.sliderValue = Bar()->value();
    option.singleStep = 1;
    option.pageStep = Bar()->pageStep();
    return Bar()->style()->subControlRect(QStyle::CC_ScrollBar, &option, part, Bar()).center();
  }

  // Alt+S, Alt+K or Alt+A, as the user presses them.
  void LockBy(Lock lock) {
    const Qt::Key keys[] = {Qt::Key_S, Qt::Key_K, Qt::Key_A};
    QTest::keyClick(&Dialog(), keys[static_cast<int>(lock)], Qt::AltModifier);
    ASSERT_FALSE(Bar()->isEnabled());
  }
  void UnlockAfter(Lock lock) {
    if (lock == Lock::kAbout) {
      ASSERT_NE(Dialog().CurrentAboutBox(), nullptr);
      Dialog().CurrentAboutBox()->close();
    } else {
      QtDialogPoster(Dialog()).PostToDialog(MSG_EXERCISE_ENDED);
      QCoreApplication::sendPostedEvents(&Dialog());
    }
    ASSERT_TRUE(Bar()->isEnabled());
  }

  testing::ShownDialog shown_;
  std::unique_ptr<AcceleratorFilter> filter_;
};

struct HeldScrollCase {
  const char* name;
  QStyle::SubControl part;  // where the mouse holds the scroll bar
  int dragBy;               // pixels the held thumb is dragged before the lock
  Lock lock;
};

void PrintTo(const HeldScrollCase& c, std::ostream* os) {
  *os << c.name;
}

class HeldScrollBarTest : public ControlLockTest,
                          public ::testing::WithParamInterface<HeldScrollCase> {};

TEST_P(HeldScrollBarTest, StopsMovingWhenLockedAndStaysPutUntilUnlocked) {
  const HeldScrollCase& c = GetParam();
  DialogScrollBar* bar = Bar();
  ASSERT_NE(bar, nullptr);
  QTest::mousePress(bar, Qt::LeftButton, {}, CentreOf(c.part));
  if (c.dragBy != 0) {
    QTest::mouseMove(bar, CentreOf(c.part) + QPoint(c.dragBy, 0));
    ASSERT_TRUE(bar->isSliderDown());
  } else {
    ASSERT_TRUE(bar->IsRepeating());
  }
  const int held = bar->value();
  ASSERT_NE(held, 900) << "the press or the drag moved the slider";

  LockBy(c.lock);
  EXPECT_FALSE(bar->IsRepeating());
  EXPECT_FALSE(bar->isSliderDown());
  // Long enough for a repeat that was left running to step the slider.
  QTest::qWait(700);
  EXPECT_EQ(bar->value(), held);
  // Whatever asks a locked scroll bar to move, it stays.
  bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  bar->triggerAction(QAbstractSlider::SliderMove);
  EXPECT_EQ(bar->value(), held);
  QTest::mouseRelease(bar, Qt::LeftButton, {}, CentreOf(c.part));

  UnlockAfter(c.lock);
  EXPECT_EQ(bar->value(), held);
  EXPECT_EQ(Dialog().Label(kToneLabel)->text().toStdString(),
            QStringLiteral(" %1 Hz ").arg(held).toStdString());
  // Nothing of the old press is left: the next click is one step.
  QTest::mouseClick(bar, Qt::LeftButton, {}, CentreOf(QStyle::SC_ScrollBarAddLine));
  EXPECT_EQ(bar->value(), held + 1);
  EXPECT_FALSE(bar->IsRepeating());
}

INSTANTIATE_TEST_SUITE_P(
    Holds, HeldScrollBarTest,
    ::testing::Values(
        HeldScrollCase{"RightArrowAltS", QStyle::SC_ScrollBarAddLine, 0, Lock::kStart},
        HeldScrollCase{"RightArrowAltK", QStyle::SC_ScrollBarAddLine, 0, Lock::kKey},
        HeldScrollCase{"RightArrowAltA", QStyle::SC_ScrollBarAddLine, 0, Lock::kAbout},
        HeldScrollCase{"LeftArrowAltS", QStyle::SC_ScrollBarSubLine, 0, Lock::kStart},
        HeldScrollCase{"DraggedThumbAltK", QStyle::SC_ScrollBarSlider, 12, Lock::kKey},
        HeldScrollCase{"DraggedThumbAltA", QStyle::SC_ScrollBarSlider, -12, Lock::kAbout}),
    [](const ::testing::TestParamInfo<HeldScrollCase>& info) {
      return std::string(info.param.name);
    });

struct HeldButtonCase {
  const char* name;
  int id;
  bool byKeyboard;  // Space held on the focused button instead of the mouse
};

void PrintTo(const HeldButtonCase& c, std::ostream* os) {
  *os << c.name;
}

class HeldButtonTest : public ControlLockTest,
                       public ::testing::WithParamInterface<HeldButtonCase> {};

TEST_P(HeldButtonTest, IsLetGoWithoutAClick) {
  const HeldButtonCase& c = GetParam();
  QAbstractButton* button = Dialog().Button(c.id);
  if (c.byKeyboard) {
    button->setFocus();
    QTest::keyPress(button, Qt::Key_Space);
  } else {
    QTest::mousePress(button, Qt::LeftButton);
  }
  ASSERT_TRUE(button->isDown());

  LockBy(Lock::kStart);
  EXPECT_FALSE(button->isDown()) << "still drawn pressed while locked";
  if (c.byKeyboard) {
    QTest::keyRelease(button, Qt::Key_Space);
  } else {
    QTest::mouseRelease(button, Qt::LeftButton);
  }
  UnlockAfter(Lock::kStart);
  EXPECT_FALSE(button->isDown());
  if (c.byKeyboard) QTest::keyRelease(button, Qt::Key_Space);  // a late release
  EXPECT_FALSE(button->isChecked());
  EXPECT_EQ(DrainRequests(shown_.worker), (std::vector<uint32_t>{MSG_START_SENDING}))
      << "the held button's command was given after all";
}

INSTANTIATE_TEST_SUITE_P(Holds, HeldButtonTest,
                         ::testing::Values(HeldButtonCase{"CharacterByMouse", 1042, false},
                                           HeldButtonCase{"CharacterBySpace", 1042, true},
                                           HeldButtonCase{"KeyByMouse", kKeyButtonId, false},
                                           HeldButtonCase{"ExitBySpace", kExitButtonId, true}),
                         [](const ::testing::TestParamInfo<HeldButtonCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace dovrik
