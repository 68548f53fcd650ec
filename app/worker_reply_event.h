#pragma once

#include <QEvent>
#include <cstdint>

namespace dovrik {

// A worker reply (MSG_EXERCISE_ENDED or MSG_APP_QUIT) on its way to the main
// dialog, as a Qt event carrying the message number. Posted
// from the worker thread with QCoreApplication::postEvent, handled on the UI
// thread in posting order.
class WorkerReplyEvent : public QEvent {
 public:
  explicit WorkerReplyEvent(uint32_t message) : QEvent(Type()), message_(message) {}
  uint32_t Message() const { return message_; }

  static QEvent::Type Type() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
  }

 private:
  uint32_t message_;
};

}  // namespace dovrik
