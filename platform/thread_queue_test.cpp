#include "platform/thread_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace dovrik {
namespace {

TEST(ThreadQueue, KeepsPostingOrderOfEachThreadUnderSeveralPosters) {
  ThreadQueue queue;
  constexpr int kThreads = 4;
  constexpr int kEach = 2000;
  std::vector<std::thread> posters;
  for (int t = 0; t < kThreads; ++t) {
    posters.emplace_back([&queue, t] {
      for (int i = 0; i < kEach; ++i) queue.Post(static_cast<uint32_t>(t), static_cast<uintptr_t>(i), 0);
    });
  }
  std::vector<int> next(kThreads, 0);
  for (int n = 0; n < kThreads * kEach; ++n) {
    QueuedMessage m;
    ASSERT_TRUE(queue.Get(m));
    ASSERT_EQ(m.wParam, static_cast<uintptr_t>(next[m.message])) << "poster " << m.message;
    ++next[m.message];
  }
  for (auto& p : posters) p.join();
  QueuedMessage left;
  EXPECT_FALSE(queue.Peek(left));
}

TEST(ThreadQueue, GetWakesOnPostAndPeekNeverBlocks) {
  ThreadQueue queue;
  QueuedMessage m;
  EXPECT_FALSE(queue.Peek(m));  // empty: returns at once

  std::atomic<bool> got{false};
  QueuedMessage received;
  std::thread taker([&] {
    queue.Get(received);
    got.store(true);
  });
  queue.Post(2937, 7, -3);
  taker.join();
  EXPECT_TRUE(got.load());
  EXPECT_EQ(received.message, 2937u);
  EXPECT_EQ(received.wParam, 7u);
  EXPECT_EQ(received.lParam, -3);
}

TEST(ThreadQueue, PeekRemovesAtMostOne) {
  ThreadQueue queue;
  queue.Post(1);
  queue.Post(2);
  QueuedMessage m;
  ASSERT_TRUE(queue.Peek(m));
  EXPECT_EQ(m.message, 1u);
  ASSERT_TRUE(queue.Peek(m));
  EXPECT_EQ(m.message, 2u);
  EXPECT_FALSE(queue.Peek(m));
}

TEST(ThreadQueue, ClosedQueueFailsGetOnceDrained) {
  ThreadQueue queue;
  queue.Post(5);
  queue.Close();
  QueuedMessage m;
  ASSERT_TRUE(queue.Get(m));
  EXPECT_EQ(m.message, 5u);
  EXPECT_FALSE(queue.Get(m));
}

}  // namespace
}  // namespace dovrik
