#include "platform/thread_queue.h"

namespace dovrik {

void ThreadQueue::Post(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  {
    std::lock_guard lock(mutex_);
    messages_.push_back({message, wParam, lParam});
  }
  posted_.notify_one();
}

bool ThreadQueue::Get(QueuedMessage& out) {
  std::unique_lock lock(mutex_);
  posted_.wait(lock, [this] { return !messages_.empty() || closed_; });
  if (messages_.empty()) return false;
  out = messages_.front();
  messages_.pop_front();
  return true;
}

bool ThreadQueue::Peek(QueuedMessage& out) {
  std::lock_guard lock(mutex_);
  if (messages_.empty()) return false;
  out = messages_.front();
  messages_.pop_front();
  return true;
}

void ThreadQueue::Close() {
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
  }
  posted_.notify_all();
}

}  // namespace dovrik
