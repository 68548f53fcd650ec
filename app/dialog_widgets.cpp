#include "app/dialog_widgets.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTextCursor>
#include <QWheelEvent>

namespace dovrik {

void DrawFocusFrame(QWidget& widget) {
  if (!widget.hasFocus()) return;
  QPainter painter(&widget);
  QPen pen(widget.palette().color(QPalette::Active, QPalette::WindowText));
  pen.setStyle(Qt::DotLine);
  pen.setWidth(1);
  pen.setCosmetic(true);
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  // One pixel inside the edge on a button, on the edge itself on a scroll
  // bar, which has no room to spare.
  const int inset = qobject_cast<QAbstractButton*>(&widget) ? 2 : 0;
  painter.drawRect(widget.rect().adjusted(inset, inset, -1 - inset, -1 - inset));
}

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

namespace {

// A left-button release outside any control, as a widget's own handler sees it.
QMouseEvent ReleaseOutside() {
  return QMouseEvent(QEvent::MouseButtonRelease, QPointF(-1, -1), QPointF(-1, -1), Qt::LeftButton,
                     Qt::NoButton, Qt::NoModifier);
}

}  // namespace

void DialogButton::LetGo() {
  setDown(false);
  // Forgets the mouse press too; with the button up and the release outside
  // it, this is no click.
  QMouseEvent release = ReleaseOutside();
  QPushButton::mouseReleaseEvent(&release);
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

void DialogButton::paintEvent(QPaintEvent* event) {
  QPushButton::paintEvent(event);
  if (isCheckable() && isChecked()) {
    QPainter painter(this);
    QColor tint = palette().color(QPalette::Highlight);
    tint.setAlpha(isEnabled() ? 90 : 40);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(tint);
    painter.drawRoundedRect(QRectF(rect()).adjusted(2, 2, -2, -2), 2, 2);
  }
  DrawFocusFrame(*this);
}

DialogScrollBar::DialogScrollBar(QWidget* parent) : QScrollBar(Qt::Horizontal, parent) {
  setRange(0, 0);
  setSingleStep(1);
  setPageStep(0);
  setFocusPolicy(Qt::StrongFocus);
  setContextMenuPolicy(Qt::NoContextMenu);
}

void DialogScrollBar::LetGo() {
  QMouseEvent release = ReleaseOutside();
  QScrollBar::mouseReleaseEvent(&release);
}

void DialogScrollBar::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
      triggerAction(SliderSingleStepSub);
      break;
    case Qt::Key_Right:
    case Qt::Key_Down:
      triggerAction(SliderSingleStepAdd);
      break;
    case Qt::Key_PageUp:
      triggerAction(SliderPageStepSub);
      break;
    case Qt::Key_PageDown:
      triggerAction(SliderPageStepAdd);
      break;
    case Qt::Key_Home:
      triggerAction(SliderToMinimum);
      break;
    case Qt::Key_End:
      triggerAction(SliderToMaximum);
      break;
    default:
      event->ignore();
  }
}

void DialogScrollBar::wheelEvent(QWheelEvent* event) {
  event->ignore();
}

void DialogScrollBar::paintEvent(QPaintEvent* event) {
  QScrollBar::paintEvent(event);
  DrawFocusFrame(*this);
}

QString DialogScrollBar::ValueText() const {
  return valueLabel_ ? valueLabel_->text().trimmed() : QString();
}

DialogGroupBox::DialogGroupBox(const QString& title, QWidget* parent) : QGroupBox(title, parent) {
  setFocusPolicy(Qt::NoFocus);
}

void DialogGroupBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QFontMetrics metrics = fontMetrics();
  const int top = metrics.height() / 2;
  const QRect frame = rect().adjusted(0, top, -2, -2);
  // Etched: a dark line with a light line one pixel below and to the right.
  painter.setPen(palette().color(QPalette::Light));
  painter.drawRect(frame.translated(1, 1));
  painter.setPen(palette().color(QPalette::Mid));
  painter.drawRect(frame);
  const int textLeft = metrics.averageCharWidth() + 2;
  const QRect textRect(textLeft - 1, 0, metrics.horizontalAdvance(title()) + 2, metrics.height());
  painter.fillRect(textRect, palette().color(QPalette::Window));
  painter.setPen(
      palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
  painter.drawText(textRect, Qt::AlignCenter, title());
}

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

void OutputBox::SetText(const QString& text) {
  setPlainText(FromWindowText(text));
}

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
