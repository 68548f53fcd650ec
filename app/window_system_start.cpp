#include "app/window_system_start.h"

#include <QByteArray>
#include <QMessageLogContext>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace dovrik {
namespace {

struct HeldMessage {
  QtMsgType type;
  QByteArray category;
  QString text;
};

// Only touched on the UI thread while the watch is on: Qt makes no other
// thread before its platform plug-in is up.
std::vector<HeldMessage>* heldMessages = nullptr;

void WatchStartUp(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtFatalMsg) {
    std::fputs("cannot open a window: no display\n", stderr);
    std::fflush(nullptr);
    std::_Exit(kNoWindowExitStatus);
  }
  if (heldMessages != nullptr) {
    heldMessages->push_back({type, QByteArray(context.category ? context.category : ""), text});
  }
}

}  // namespace

WindowSystemStartWatch::WindowSystemStartWatch() {
  heldMessages = new std::vector<HeldMessage>;
  previous_ = qInstallMessageHandler(WatchStartUp);
}

WindowSystemStartWatch::~WindowSystemStartWatch() {
  qInstallMessageHandler(previous_);
  std::vector<HeldMessage>* held = heldMessages;
  heldMessages = nullptr;
  for (const HeldMessage& message : *held) {
    const QMessageLogContext context(nullptr, 0, nullptr, message.category.constData());
    if (previous_ != nullptr) {
      previous_(message.type, context, message.text);
    } else {
      qt_message_output(message.type, context, message.text);
    }
  }
  delete held;
}

}  // namespace dovrik
