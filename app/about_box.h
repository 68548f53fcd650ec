#pragma once

#include <QFrame>
#include <QPixmap>
#include <QWidget>
#include <cstdint>

namespace dovrik {

class MainDialog;

// The About picture control (1040): a sunken frame whose client area shows
// the About picture stretched to fill it, each direction on its own.
class AboutPicture : public QFrame {
  Q_OBJECT
 public:
  explicit AboutPicture(const QPixmap& picture, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPixmap picture_;
};

inline constexpr int kAboutCloseButtonId = 1039;
inline constexpr int kAboutPictureId = 1040;
inline constexpr const char* kAboutVersionLine = "Dovrik version 1.52";

// The About box: a small modeless window owned by the main dialog. Template
// 102 shows the picture above the texts (displays of more than 256 colours),
// template 103 the texts alone. While it is open the main dialog is locked
// and acts on nothing. UI thread only.
class AboutBox : public QWidget {
  Q_OBJECT
 public:
  enum class Template { kWithPicture = 102, kTextOnly = 103 };

  // The template for a display of this many bits per pixel.
  static Template ChooseTemplate(int displayDepth) {
    return displayDepth > 8 ? Template::kWithPicture : Template::kTextOnly;
  }

  AboutBox(MainDialog& owner, Template layout);

  Template Layout() const { return layout_; }

  // The dialog procedure: WM_CLOSE and the command 1039 (Close button, Alt+C)
  // run the close steps; everything else is not handled.
  bool AboutDialogProc(uint32_t message, uintptr_t wParam, intptr_t lParam);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  bool CloseSteps();

  MainDialog& owner_;
  Template layout_;
  bool closed_ = false;
};

// The About command (1002): opens the About box with the template the
// display calls for, locks the main dialog and shows the box.
void OpenAboutBox(MainDialog& dialog);

}  // namespace dovrik
