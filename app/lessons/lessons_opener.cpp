#include "app/lessons/lessons_opener.h"

#include <QCoreApplication>

#include "app/lessons/lessons_window.h"
#include "app/worker_reply_event.h"
#include "history/history_store.h"
#include "settings/xdg_paths.h"

namespace dovrik {

LessonsOpener::LessonsOpener(MainDialog& mainDialog, ThreadQueue& worker, CopyExerciseBoard& board,
                             QObject* parent)
    : QObject(parent), mainDialog_(mainDialog), worker_(worker), board_(board) {}

LessonsOpener::~LessonsOpener() {
  delete window_;
}

void LessonsOpener::Open() {
  if (!window_) {
    history_ = std::make_unique<HistoryStore>(HistoryStore::OpenDefault());
    window_ = new LessonsWindow(mainDialog_, worker_, board_, *history_, SettingsFilePath());
  }
  window_->Open();
}

bool LessonsOpener::event(QEvent* event) {
  if (event->type() == WorkerReplyEvent::Type()) {
    if (window_) QCoreApplication::sendEvent(window_, event);
    return true;
  }
  return QObject::event(event);
}

}  // namespace dovrik
