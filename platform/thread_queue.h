#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

namespace dovrik {

struct QueuedMessage {
  uint32_t message = 0;
  uintptr_t wParam = 0;
  intptr_t lParam = 0;
};

// The worker's message queue: any thread posts, one thread takes. Messages
// come out in the order they were posted.
class ThreadQueue {
 public:
  void Post(uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0);

  // Blocks until a message is there and removes it. Returns false only when
  // the queue has been closed and is empty: the retrieval itself failed.
  bool Get(QueuedMessage& out);

  // Removes at most one message without waiting. Returns false when none
  // was waiting.
  bool Peek(QueuedMessage& out);

  // Makes every later Get on an empty queue fail instead of waiting.
  void Close();

 private:
  std::mutex mutex_;
  std::condition_variable posted_;
  std::deque<QueuedMessage> messages_;
  bool closed_ = false;
};

}  // namespace dovrik
