#include "app/lessons/lessons_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/lessons/copy_tab.h"
#include "app/lessons/progress_tab.h"
#include "app/main_dialog.h"
#include "app/worker_reply_event.h"
#include "platform/messages.h"

namespace dovrik {

LessonsWindow::LessonsWindow(MainDialog& mainDialog, ThreadQueue& worker, CopyExerciseBoard& board,
                             HistoryStore& history, std::string settingsPath, QWidget* parent)
    : QWidget(parent, Qt::Window), mainDialog_(mainDialog) {
  setWindowTitle(QString::fromLatin1(kLessonsWindowTitle));
  setAccessibleName(QString::fromLatin1(kLessonsWindowTitle));
  auto* layout = new QVBoxLayout(this);
  tabs_ = new QTabWidget(this);
  tabs_->setAccessibleName(QStringLiteral("Lessons"));
  copy_ = new CopyTab(worker, board, history, std::move(settingsPath), tabs_);
  auto* send = new QLabel(QString::fromLatin1(kSendTabText), tabs_);
  send->setWordWrap(true);
  send->setAlignment(Qt::AlignCenter);
  send->setMargin(24);
  send->setAccessibleName(QStringLiteral("Send"));
  send->setFocusPolicy(Qt::StrongFocus);  // so the sentence can be reached and read
  progress_ = new ProgressTab(history, tabs_);
  tabs_->addTab(copy_, QStringLiteral("&Copy"));
  tabs_->addTab(send, QStringLiteral("S&end"));
  tabs_->addTab(progress_, QStringLiteral("&Progress"));
  layout->addWidget(tabs_);
  resize(820, 680);

  connect(copy_, &CopyTab::RunningChanged, this, [this](bool running) {
    mainDialog_.HoldForExerciseElsewhere(running ? QString::fromLatin1(kHeldByLessons) : QString());
  });
  connect(copy_, &CopyTab::AttemptRecorded, progress_, &ProgressTab::Refresh);
  connect(&mainDialog_, &MainDialog::ExerciseRunningChanged, this, [this](bool running) {
    copy_->SetHeldElsewhere(running ? QString::fromLatin1(kHeldByMainDialog) : QString());
  });
  if (mainDialog_.ExerciseRunning())
    copy_->SetHeldElsewhere(QString::fromLatin1(kHeldByMainDialog));
}

void LessonsWindow::Open() {
  // The first time, Start has the focus: Space plays the lesson reached.
  if (!isVisible() && !copy_->Running()) copy_->StartButton()->setFocus(Qt::OtherFocusReason);
  show();
  raise();
  activateWindow();
}

bool LessonsWindow::event(QEvent* event) {
  if (event->type() == WorkerReplyEvent::Type()) {
    if (static_cast<WorkerReplyEvent*>(event)->Message() == MSG_COPY_ENDED) copy_->ExerciseEnded();
    return true;
  }
  return QWidget::event(event);
}

void LessonsWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && copy_->Running()) {
    copy_->Stop();
    return;
  }
  QWidget::keyPressEvent(event);
}

void LessonsWindow::closeEvent(QCloseEvent* event) {
  // The window stays for the next Alt+L; a running attempt ends with it.
  copy_->Stop();
  copy_->SaveSettings();
  hide();
  event->ignore();
}

void ExerciseReplyPoster::PostToDialog(uint32_t message) {
  QObject& target = message == MSG_COPY_ENDED ? lessonsWindow_ : mainDialog_;
  QCoreApplication::postEvent(&target, new WorkerReplyEvent(message));
}

}  // namespace dovrik
