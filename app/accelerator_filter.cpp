#include "app/accelerator_filter.h"

#include <QKeyEvent>
#include <QWidget>

#include "app/about_box.h"
#include "app/keyboard_layout.h"
#include "app/main_dialog.h"
#include "app/window_messages.h"

namespace dovrik {
namespace {

// X11 key symbols of the two Ctrl keys, as the xcb platform reports them.
constexpr quint32 kLeftControlSymbol = 0xffe3;
constexpr quint32 kRightControlSymbol = 0xffe4;

Qt::KeyboardModifiers TableModifiers(const QKeyEvent& key) {
  return key.modifiers() &
         (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
}

}  // namespace

AcceleratorFilter::AcceleratorFilter(MainDialog& dialog, ControlKeys controlKeys, QObject* parent)
    : QObject(parent), dialog_(dialog), controlKeys_(std::move(controlKeys)) {}

int AcceleratorFilter::MainCommandFor(const QKeyEvent& key) {
  const Qt::KeyboardModifiers modifiers = TableModifiers(key);
  if (key.key() == Qt::Key_Tab && modifiers == Qt::NoModifier) return 1034;
  if (modifiers != Qt::AltModifier) return 0;
  switch (AcceleratorLetter(key)) {
    case 'A':
      return 1002;
    case 'K':
      return 1038;
    case 'S':
      return 1003;
    case 'X':
      return 1001;
    default:
      return 0;
  }
}

bool AcceleratorFilter::IsLessonsKey(const QKeyEvent& key) {
  return TableModifiers(key) == Qt::AltModifier && AcceleratorLetter(key) == 'L';
}

int AcceleratorFilter::AboutCommandFor(const QKeyEvent& key) {
  return TableModifiers(key) == Qt::AltModifier && AcceleratorLetter(key) == 'C'
             ? kAboutCloseButtonId
             : 0;
}

bool AcceleratorFilter::IsDovrikWindow(QObject* watched) const {
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget) return false;
  QWidget* window = widget->window();
  return window == &dialog_ || (window != nullptr && window == dialog_.CurrentAboutBox());
}

bool AcceleratorFilter::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == QEvent::WindowDeactivate && IsDovrikWindow(watched)) {
    ReleaseStraightKey();
    return false;
  }
  if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress && type != QEvent::KeyRelease) {
    return false;
  }
  if (!IsDovrikWindow(watched)) return false;
  auto* key = static_cast<QKeyEvent*>(event);

  if (key->key() == Qt::Key_Control) {
    if (type == QEvent::ShortcutOverride) {
      key->accept();
      return true;
    }
    return OnStraightKey(*key, type == QEvent::KeyPress);
  }

  if (openLessons_ && IsLessonsKey(*key) &&
      static_cast<QWidget*>(watched)->window() == &dialog_) {
    if (type == QEvent::ShortcutOverride) {
      key->accept();
      return true;
    }
    if (type == QEvent::KeyPress && !key->isAutoRepeat()) openLessons_();
    return true;
  }

  const int mainCommand = MainCommandFor(*key);
  const int aboutCommand = dialog_.CurrentAboutBox() ? AboutCommandFor(*key) : 0;
  if (mainCommand == 0 && aboutCommand == 0) {
    // No focus chaining beyond the Tab accelerator.
    const bool focusKey = key->key() == Qt::Key_Backtab || key->key() == Qt::Key_Tab;
    return focusKey && type == QEvent::KeyPress;
  }
  if (type == QEvent::ShortcutOverride) {
    // Claim the key so that no mnemonic shortcut takes it; it comes back as
    // the key press below.
    key->accept();
    return true;
  }
  if (type == QEvent::KeyRelease) return false;
  if (mainCommand != 0) {
    dialog_.MainDialogProc(WM_COMMAND, MakeWParam(static_cast<uint16_t>(mainCommand), 1), 0);
  } else if (AboutBox* box = dialog_.CurrentAboutBox()) {
    box->AboutDialogProc(WM_COMMAND, MakeWParam(static_cast<uint16_t>(aboutCommand), 1), 0);
  }
  return true;
}

bool AcceleratorFilter::OnStraightKey(const QKeyEvent& key, bool down) {
  if (key.isAutoRepeat()) return true;
  const bool wasLeft = leftControlDown_;
  const bool wasRight = rightControlDown_;
  const quint32 symbol = key.nativeVirtualKey();
  if (symbol == kLeftControlSymbol) {
    leftControlDown_ = down;
  } else if (symbol == kRightControlSymbol) {
    rightControlDown_ = down;
  } else {
    // Without a native key symbol the two keys cannot be told apart.
    leftControlDown_ = down;
    if (!down) rightControlDown_ = false;
  }
  const bool changed = leftControlDown_ != wasLeft || rightControlDown_ != wasRight;
  if (changed && controlKeys_) controlKeys_(leftControlDown_, rightControlDown_);
  return true;
}

void AcceleratorFilter::ReleaseStraightKey() {
  const bool wasDown = leftControlDown_ || rightControlDown_;
  leftControlDown_ = rightControlDown_ = false;
  if (wasDown && controlKeys_) controlKeys_(false, false);
}

}  // namespace dovrik
