#include "worker/worker_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/messages.h"
#include "tests/support/fake_worker_context.h"

namespace dovrik {
namespace {

using testing::WorkerTestContext;

constexpr uint32_t kForeignMessage = 0x0113;  // some platform notice, neither request nor audio

// An exercise as the worker sees it: records that it ran and, when told to,
// takes messages until a stop request like a real exercise's waits do.
struct ScriptedExercise {
  std::atomic<int> runs{0};
  std::atomic<int> waitOnRun{-1};  // the 0-based run that waits for a stop
  std::vector<uint32_t> taken;     // what the waiting run took, worker thread only until joined

  std::function<void(ExerciseContext&)> Routine() {
    return [this](ExerciseContext& context) {
      const int run = runs.fetch_add(1);
      if (run != waitOnRun.load()) return;
      QueuedMessage message;
      while (context.queue.Get(message)) {
        taken.push_back(message.message);
        if (message.message == MSG_STOP_EXERCISE) return;
      }
    };
  }
};

bool WaitFor(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

struct Exchange {
  const char* name;
  std::vector<uint32_t> posted;  // requests (and notices) in posting order
  int sendingWaitsOnRun;         // -1: every run returns at once
  int sendingRuns;
  int keyingRuns;
  std::vector<uint32_t> replies;
  int copyRuns = 0;
};

class WorkerExchange : public ::testing::TestWithParam<Exchange> {};

TEST_P(WorkerExchange, RunsRequestsInOrderAndRepliesAfterEach) {
  const Exchange& exchange = GetParam();
  WorkerTestContext parts;
  ScriptedExercise sending;
  ScriptedExercise keying;
  ScriptedExercise copy;
  sending.waitOnRun = exchange.sendingWaitsOnRun;
  for (uint32_t message : exchange.posted) parts.queue.Post(message);

  RunWorkerIdleLoop(parts.context, {sending.Routine(), keying.Routine(), copy.Routine()});

  EXPECT_EQ(sending.runs.load(), exchange.sendingRuns);
  EXPECT_EQ(keying.runs.load(), exchange.keyingRuns);
  EXPECT_EQ(copy.runs.load(), exchange.copyRuns);
  EXPECT_EQ(parts.poster.Posted(), exchange.replies);
}

INSTANTIATE_TEST_SUITE_P(
    Protocol, WorkerExchange,
    ::testing::Values(Exchange{"StartSendingThenKeying",
                               {MSG_START_SENDING, MSG_START_KEYING, MSG_WORKER_QUIT},
                               -1,
                               1,
                               1,
                               {MSG_EXERCISE_ENDED, MSG_EXERCISE_ENDED, MSG_APP_QUIT}},
                      // The lessons window's copy exercise is answered to that window.
                      Exchange{"ACopyAndASendingEachAnsweredToTheirWindow",
                               {MSG_START_COPY, MSG_START_SENDING, MSG_START_COPY,
                                MSG_WORKER_QUIT},
                               -1,
                               1,
                               0,
                               {MSG_COPY_ENDED, MSG_EXERCISE_ENDED, MSG_COPY_ENDED, MSG_APP_QUIT},
                               2},
                      Exchange{"ExitWhileIdle", {MSG_WORKER_QUIT}, -1, 0, 0, {MSG_APP_QUIT}},
                      Exchange{"CloseWhileIdleIgnoresTheStop",
                               {MSG_STOP_EXERCISE, MSG_WORKER_QUIT},
                               -1,
                               0,
                               0,
                               {MSG_APP_QUIT}},
                      // The exercise ends on the first stop; the second reaches the idle
                      // loop, which ignores it, and the next start runs normally.
                      Exchange{"StopTwiceInARow",
                               {MSG_START_SENDING, MSG_STOP_EXERCISE, MSG_STOP_EXERCISE,
                                MSG_START_SENDING, MSG_WORKER_QUIT},
                               0,
                               2,
                               0,
                               {MSG_EXERCISE_ENDED, MSG_EXERCISE_ENDED, MSG_APP_QUIT}},
                      Exchange{"LateAudioNoticesAndForeignMessagesIgnored",
                               {MSG_START_SENDING, MM_WOM_DONE, MM_WOM_DONE, kForeignMessage,
                                MSG_START_KEYING, MSG_WORKER_QUIT},
                               -1,
                               1,
                               1,
                               {MSG_EXERCISE_ENDED, MSG_EXERCISE_ENDED, MSG_APP_QUIT}},
                      // Messages posted after the quit request are never taken.
                      Exchange{"NothingAfterQuit",
                               {MSG_WORKER_QUIT, MSG_START_SENDING, MSG_START_KEYING},
                               -1,
                               0,
                               0,
                               {MSG_APP_QUIT}}),
    [](const ::testing::TestParamInfo<Exchange>& info) { return std::string(info.param.name); });

// The window is closed while an exercise runs: stop, then quit. The exercise
// takes the stop and nothing more; its end is reported before the quit reply.
TEST(WorkerThread, CloseWhileRunningEndsTheExerciseThenQuits) {
  WorkerTestContext parts;
  ScriptedExercise sending;
  ScriptedExercise keying;
  sending.waitOnRun = 0;
  std::thread worker([&] {
    RunWorkerIdleLoop(parts.context, {sending.Routine(), keying.Routine()});
  });

  parts.queue.Post(MSG_START_SENDING);
  ASSERT_TRUE(WaitFor([&] { return sending.runs.load() == 1; }));
  parts.queue.Post(MSG_STOP_EXERCISE);
  parts.queue.Post(MSG_WORKER_QUIT);
  worker.join();

  EXPECT_EQ(sending.taken, std::vector<uint32_t>{MSG_STOP_EXERCISE});
  EXPECT_EQ(parts.poster.Posted(), (std::vector<uint32_t>{MSG_EXERCISE_ENDED, MSG_APP_QUIT}));
}

// A queue that can deliver nothing more (closed and empty) must not make the
// idle loop spin: the worker reports that it has stopped.
TEST(WorkerThread, FailedRetrievalEndsTheLoopWithTheQuitReply) {
  WorkerTestContext parts;
  ScriptedExercise sending;
  parts.queue.Post(MSG_START_SENDING);
  parts.queue.Close();

  RunWorkerIdleLoop(parts.context, {sending.Routine(), nullptr});

  EXPECT_EQ(sending.runs.load(), 1);
  EXPECT_EQ(parts.poster.Posted(), (std::vector<uint32_t>{MSG_EXERCISE_ENDED, MSG_APP_QUIT}));
}

TEST(WorkerThread, EmptyRoutineStillReplies) {
  WorkerTestContext parts;
  parts.queue.Post(MSG_START_KEYING);
  parts.queue.Post(MSG_WORKER_QUIT);
  RunWorkerIdleLoop(parts.context, {});
  EXPECT_EQ(parts.poster.Posted(), (std::vector<uint32_t>{MSG_EXERCISE_ENDED, MSG_APP_QUIT}));
}

// The thread routine blocks for good after its quit reply and takes nothing
// more. It is detached, as the program starts it, and never joined; what it
// borrows is therefore never destroyed (the program's context lives until the
// process ends as well).
TEST(WorkerThread, ThreadRoutineBlocksForGoodAfterQuitting) {
  auto* parts = new WorkerTestContext;
  auto* sending = new ScriptedExercise;
  std::thread(WorkerThreadProc, std::ref(parts->context), ExerciseRoutines{sending->Routine(), {}})
      .detach();

  parts->queue.Post(MSG_WORKER_QUIT);
  ASSERT_TRUE(WaitFor([&] { return !parts->poster.Posted().empty(); }));
  parts->queue.Post(MSG_START_SENDING);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));

  EXPECT_EQ(sending->runs.load(), 0);
  EXPECT_EQ(parts->poster.Posted(), std::vector<uint32_t>{MSG_APP_QUIT});
  QueuedMessage left;
  ASSERT_TRUE(parts->queue.Peek(left));
  EXPECT_EQ(left.message, MSG_START_SENDING);
}

}  // namespace
}  // namespace dovrik
