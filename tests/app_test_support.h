#pragma once

#include <QApplication>
#include <QTest>
#include <cstdint>
#include <memory>
#include <vector>

#include "app/main_dialog.h"
#include "app/qt_dialog_controls.h"
#include "platform/thread_queue.h"

namespace dovrik::testing {

// Everything the worker was asked so far, in order, without waiting.
inline std::vector<uint32_t> DrainRequests(ThreadQueue& queue) {
  std::vector<uint32_t> requests;
  QueuedMessage message;
  while (queue.Peek(message)) requests.push_back(message.message);
  return requests;
}

// A shown, active main dialog over a worker queue that the test reads.
struct ShownDialog {
  ThreadQueue worker;
  std::unique_ptr<MainDialog> dialog = std::make_unique<MainDialog>(worker);
  QtDialogControls controls{*dialog};

  ShownDialog() {
    dialog->show();
    QApplication::setActiveWindow(dialog.get());
    (void)QTest::qWaitForWindowActive(dialog.get());
  }
};

}  // namespace dovrik::testing
