#include "app/dialog_widgets.h"

#include <QKeyEvent>
#include <QTextCursor>
#include <QWheelEvent>

namespace dovrik {

DialogButton::DialogButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
  setAutoDefault(false);
  setDefault(false);
  setFocusPolicy(Qt::StrongFocus);
}

bool DialogButton::event(QEvent* event) {
  // The caption's mnemonic registers a shortcut; it must fire nothing.
  if (event->type() == QEvent::Shortcut) return true;
  return QPushButton::event(event);
}

void DialogButton::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
      event->ignore();
      return;
    default:
      QPushButton::keyPressEvent(event);
  }
}

DialogScrollBar::DialogScrollBar(QWidget* parent) : QScrollBar(Qt::Horizontal, parent) {
  setRange(0, 0);
  setSingleStep(1);
  setPageStep(0);
  setFocusPolicy(Qt::StrongFocus);
  setContextMenuPolicy(Qt::NoContextMenu);
}

void DialogScrollBar::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up: triggerAction(SliderSingleStepSub); break;
    case Qt::Key_Right:
    case Qt::Key_Down: triggerAction(SliderSingleStepAdd); break;
    case Qt::Key_PageUp: triggerAction(SliderPageStepSub); break;
    case Qt::Key_PageDown: triggerAction(SliderPageStepAdd); break;
    case Qt::Key_Home: triggerAction(SliderToMinimum); break;
    case Qt::Key_End: triggerAction(SliderToMaximum); break;
    default: event->ignore();
  }
}

void DialogScrollBar::wheelEvent(QWheelEvent* event) { event->ignore(); }

OutputBox::OutputBox(QWidget* parent) : QPlainTextEdit(parent) {
  setReadOnly(true);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  setUndoRedoEnabled(false);
  setTabChangesFocus(true);
  setFocusPolicy(Qt::ClickFocus);
}

QString OutputBox::FromWindowText(const QString& text) {
  QString converted = text;
  converted.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  converted.remove(QLatin1Char('\r'));
  return converted;
}

void OutputBox::SetText(const QString& text) { setPlainText(FromWindowText(text)); }

void OutputBox::Append(const QString& text) {
  QTextCursor cursor(document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(FromWindowText(text));
  // Keep the newest text in view, as the edit control does when the caret
  // moves to the end.
  QScrollBar* bar = verticalScrollBar();
  bar->setValue(bar->maximum());
}

}  // namespace dovrik
