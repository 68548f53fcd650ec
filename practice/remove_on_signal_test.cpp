#include "practice/remove_on_signal.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

namespace dovrik {
namespace {

namespace fs = std::filesystem;

struct ChildEnd {
  bool signalled = false;
  int signal = 0;
  int status = -1;
};

// Runs `body` in a child process (signals end it, not the test) and reports
// how the child ended.
ChildEnd InChild(const std::function<void()>& body) {
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    body();
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ChildEnd end;
  end.signalled = WIFSIGNALED(status);
  end.signal = end.signalled ? WTERMSIG(status) : 0;
  end.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return end;
}

class RemoveOnSignalTest : public ::testing::Test {
 protected:
  RemoveOnSignalTest() {
    char name[] = "/tmp/dovrik-signal-XXXXXX";
    folder_ = mkdtemp(name);
    file_ = (folder_ / "lesson.wav.tmp-1-0").string();
    std::fclose(std::fopen(file_.c_str(), "w"));
  }
  ~RemoveOnSignalTest() override { fs::remove_all(folder_); }

  fs::path folder_;
  std::string file_;
};

TEST_F(RemoveOnSignalTest, EachSignalRemovesTheFileAndStillEndsTheProcess) {
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    std::fclose(std::fopen(file_.c_str(), "w"));
    const ChildEnd end = InChild([&] {
      RemoveOnSignal guard(file_);
      raise(signal);
    });
    EXPECT_TRUE(end.signalled) << signal;
    EXPECT_EQ(end.signal, signal);
    EXPECT_FALSE(fs::exists(file_)) << signal;
  }
}

TEST_F(RemoveOnSignalTest, OnceGoneThePreviousHandlingComesBack) {
  const ChildEnd end = InChild([&] {
    { RemoveOnSignal guard(file_); }
    raise(SIGTERM);
  });
  EXPECT_TRUE(end.signalled);
  EXPECT_EQ(end.signal, SIGTERM);
  EXPECT_TRUE(fs::exists(file_));
}

TEST_F(RemoveOnSignalTest, AnIgnoredSignalStaysIgnored) {
  const ChildEnd end = InChild([&] {
    signal(SIGHUP, SIG_IGN);
    RemoveOnSignal guard(file_);
    raise(SIGHUP);
  });
  EXPECT_FALSE(end.signalled);
  EXPECT_EQ(end.status, 0);
  EXPECT_TRUE(fs::exists(file_));
}

}  // namespace
}  // namespace dovrik
