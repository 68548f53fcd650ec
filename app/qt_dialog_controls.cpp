#include "app/qt_dialog_controls.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLabel>
#include <QMessageBox>
#include <QScrollBar>
#include <QThread>

#include "app/dialog_template.h"
#include "app/dialog_widgets.h"
#include "app/main_dialog.h"
#include "app/strip_chart_widget.h"
#include "app/window_messages.h"
#include "app/worker_reply_event.h"

namespace dovrik {

void QtDialogControls::RunOnUiThread(const std::function<void()>& call) {
  if (QThread::currentThread() == dialog_.thread()) {
    call();
  } else {
    QMetaObject::invokeMethod(&dialog_, call, Qt::BlockingQueuedConnection);
  }
}

int QtDialogControls::GetScrollPos(int id) {
  int position = 0;
  RunOnUiThread([&] {
    if (QScrollBar* bar = dialog_.ScrollBar(id)) position = bar->value();
  });
  return position;
}

void QtDialogControls::SetScrollRange(int id, int minimum, int maximum) {
  RunOnUiThread([&] {
    if (QScrollBar* bar = dialog_.ScrollBar(id)) bar->setRange(minimum, maximum);
  });
}

void QtDialogControls::SendThumbPosition(int id, int position) {
  RunOnUiThread([&] {
    dialog_.MainDialogProc(WM_HSCROLL,
                           MakeWParam(SB_THUMBPOSITION, static_cast<uint16_t>(position)), id);
  });
}

bool QtDialogControls::IsTicked(int id) {
  bool ticked = false;
  RunOnUiThread([&] {
    if (QAbstractButton* button = dialog_.Button(id)) ticked = button->isChecked();
  });
  return ticked;
}

void QtDialogControls::SetTicked(int id, bool ticked) {
  RunOnUiThread([&] {
    QAbstractButton* button = dialog_.Button(id);
    if (button && button->isCheckable()) button->setChecked(ticked);
  });
}

void QtDialogControls::SetItemText(int id, const std::string& text) {
  RunOnUiThread([&] {
    const QString converted = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    if (id == kOutputBoxId) {
      dialog_.Output()->SetText(converted);
    } else if (QAbstractButton* button = dialog_.Button(id)) {
      button->setText(converted);
    } else if (QLabel* label = dialog_.Label(id)) {
      label->setText(converted);
    }
  });
}

void QtDialogControls::AppendToOutputBox(const std::string& text) {
  RunOnUiThread([&] {
    dialog_.Output()->Append(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
  });
}

void QtDialogControls::ShowWarning(const std::string& text) {
  RunOnUiThread([&] {
    const QString message = OutputBox::FromWindowText(
        QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Error..."), message, QMessageBox::Ok,
                    &dialog_);
    box.exec();
  });
}

StripChartSurface* QtDialogControls::StripChart() {
  return dialog_.StripChart();
}

void QtDialogPoster::PostToDialog(uint32_t message) {
  QCoreApplication::postEvent(&dialog_, new WorkerReplyEvent(message));
}

}  // namespace dovrik
