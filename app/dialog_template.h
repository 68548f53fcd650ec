#pragma once

#include <cstdint>
#include <span>

#include "platform/dialog_controls.h"

namespace dovrik {

// A rectangle in dialog units: x, y, width, height.
struct DialogUnitRect {
  int x;
  int y;
  int width;
  int height;
};

enum class ControlKind {
  kScrollBar,      // horizontal, tab stop
  kCheckButton,    // push-like automatic check button, tab stop
  kCommandButton,  // push button (never a default button), tab stop
  kOutputBox,      // read-only multi-line edit with a vertical scroll bar, no tab stop
  kValueLabel,     // centred static text, initially "----"
  kGroupBox,       // captioned frame
  kStripChart,     // sunken surface the keying exercise draws on
};

struct ControlTemplate {
  int id;
  ControlKind kind;
  const char* caption;  // "" for controls without text
  DialogUnitRect rect;
};

// Command ids of the main dialog.
inline constexpr int kExitButtonId = 1001;
inline constexpr int kAboutButtonId = 1002;
inline constexpr int kStartButtonId = 1003;
inline constexpr int kStripChartId = 1004;
inline constexpr int kTabCommandId = 1034;  // the Tab accelerator; no control bears it
inline constexpr int kKeyButtonId = 1038;

// Dialog template 101: 330 x 274 dialog units, caption "Dovrik".
inline constexpr int kMainDialogWidthUnits = 330;
inline constexpr int kMainDialogHeightUnits = 274;
inline constexpr const char* kMainDialogCaption = "Dovrik";

// The 77 controls in template order, which is also the tab order.
inline constexpr int kMainControlCount = 77;
std::span<const ControlTemplate> MainDialogTemplate();

// The 74 ids that SetControlsEnabled disables and enables, followed by a 0.
// Not in it: the Start button (handled step by step), the output box and the
// strip chart (always enabled).
inline constexpr int kLockableControlCount = 74;
extern const int LockableControls[kLockableControlCount + 1];

// One row of the value-label table: a scroll bar, its label and the printf
// format of the label. The attack row shows tenths of a millisecond as
// milliseconds with one decimal.
struct ValueLabelRow {
  int scrollBarId;
  int labelId;
  const char* format;
  bool tenths;  // format takes position / 10 and position % 10
};
inline constexpr int kValueLabelCount = 10;
extern const ValueLabelRow ValueLabelTable[kValueLabelCount];

}  // namespace dovrik
