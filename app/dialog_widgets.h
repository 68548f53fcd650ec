#pragma once

#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>

namespace dovrik {

// Draws the keyboard focus frame of a focused control: a dotted line in the
// text colour just inside its edge, drawn over whatever the style painted,
// in every state (ticked, pressed, disabled). The style alone draws none on
// scroll bars and only a faint outline on buttons.
void DrawFocusFrame(QWidget& widget);

// A push button or push-like check button that handles only its own keys
// (Space presses it). Arrow keys do not move the focus and the "&" mnemonic
// of its caption does nothing: the accelerator step owns those keys.
class DialogButton : public QPushButton {
  Q_OBJECT
 public:
  explicit DialogButton(const QString& caption, QWidget* parent = nullptr);

  // Ends a press by the mouse or by Space without a click: the button is
  // drawn raised, and neither the release nor a later move of the still
  // held mouse completes the press. The dialog's lock calls it before it
  // disables the button, as the disabled button no longer gets the release.
  void LetGo();

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  // A ticked check button is tinted as well as pressed, so that the ticked
  // characters stand out at a glance; a focused one shows the focus frame.
  void paintEvent(QPaintEvent* event) override;
};

// A horizontal scroll bar that the mouse wheel does not move and that shows
// no context menu; its requests go to the dialog procedure (MainDialog).
class DialogScrollBar : public QScrollBar {
  Q_OBJECT
 public:
  explicit DialogScrollBar(QWidget* parent = nullptr);

  // Whether a held arrow or trough keeps stepping the bar.
  bool IsRepeating() const { return repeatAction() != SliderNoAction; }
  // Ends a press of the mouse as its release would: the repeat of a held
  // arrow stops and a dragged thumb is let go. The dialog's lock calls it
  // before it disables the bar, as the disabled bar no longer gets the
  // release.
  void LetGo();

  // The label that shows this bar's value; its text, without the format's
  // spaces, is the value a screen reader reads.
  void SetValueLabel(QLabel* label) { valueLabel_ = label; }
  QString ValueText() const;
  // A position asked for from outside the dialog (a screen reader's "set
  // value"); the dialog decides, as for a drag of the thumb.
  void RequestPosition(int position) { emit PositionRequested(position); }

 signals:
  void PositionRequested(int position);

 protected:
  // The keys of a focused scroll bar, as the window system's scroll bar
  // control maps them: Left/Up one step left, Right/Down one step right,
  // Page Up/Down a page, Home/End the ends.
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  QPointer<QLabel> valueLabel_;
};

// A captioned frame drawn the way the dialog templates' group boxes look:
// an etched frame whose top edge runs through the middle of the caption, so
// that the controls it frames sit close under the caption.
class DialogGroupBox : public QGroupBox {
  Q_OBJECT
 public:
  explicit DialogGroupBox(const QString& title, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// The read-only output box. It converts the window system's "\r\n" line ends
// to its own as text arrives.
class OutputBox : public QPlainTextEdit {
  Q_OBJECT
 public:
  explicit OutputBox(QWidget* parent = nullptr);
  void SetText(const QString& text);
  void Append(const QString& text);

  static QString FromWindowText(const QString& text);
};

}  // namespace dovrik
