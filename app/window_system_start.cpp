#include "app/window_system_start.h"

#include <QByteArray>
#include <QMessageLogContext>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace dovrik {
namespace {

struct HeldMessage {
  QtMsgType type;
  QByteArray category;
  QString text;
};

// The messages held while the watch is on. Qt may log from a thread of its
// platform plug-in as well as from the UI thread, hence the lock.
std::mutex heldMutex;
std::vector<HeldMessage>* heldMessages = nullptr;  // guarded by heldMutex

void WatchStartUp(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtFatalMsg) {
    std::fputs("cannot open a window: no display\n", stderr);
    std::fflush(nullptr);
    std::_Exit(kNoWindowExitStatus);
  }
  std::lock_guard lock(heldMutex);
  if (heldMessages != nullptr) {
    heldMessages->push_back({type, QByteArray(context.category ? context.category : ""), text});
  }
}

}  // namespace

WindowSystemStartWatch::WindowSystemStartWatch() {
  {
    std::lock_guard lock(heldMutex);
    heldMessages = new std::vector<HeldMessage>;
  }
  previous_ = qInstallMessageHandler(WatchStartUp);
}

WindowSystemStartWatch::~WindowSystemStartWatch() {
  qInstallMessageHandler(previous_);
  std::unique_ptr<std::vector<HeldMessage>> held;
  {
    std::lock_guard lock(heldMutex);
    held.reset(std::exchange(heldMessages, nullptr));
  }
  for (const HeldMessage& message : *held) {
    const QMessageLogContext context(nullptr, 0, nullptr, message.category.constData());
    if (previous_ != nullptr) {
      previous_(message.type, context, message.text);
    } else {
      qt_message_output(message.type, context, message.text);
    }
  }
}

}  // namespace dovrik
