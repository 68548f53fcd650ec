// A second process for the history tests: writes numbered attempts
// (tests/history_test_attempts.h) to a history file, one line on standard
// output for each attempt saved, so the test knows what must survive.
//
//   history_writer FILE write FIRST COUNT   attempts FIRST .. FIRST+COUNT-1
//   history_writer FILE forever FIRST       attempts from FIRST until killed
//   history_writer FILE fill FIRST BYTES    with files limited to BYTES (as a
//                                           full disk would), until one fails
//   history_writer FILE hold                opens a write transaction, writes
//                                           half an attempt and waits to be killed
//   history_writer FILE try [--as-nobody]   opens and saves one attempt, as
//                                           the unprivileged user when root
//
// Lines: "saved N", "failed REASON", "problem REASON", "holding".
#include <grp.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "history/history_store.h"
#include "tests/history_test_attempts.h"

namespace {

void Say(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

int WriteAttempts(dovrik::HistoryStore& store, int first, long count) {
  for (long i = 0; count < 0 || i < count; ++i) {
    dovrik::Attempt attempt = dovrik::testing::NumberedAttempt(first + static_cast<int>(i));
    std::string error;
    if (!store.Add(attempt, &error)) {
      Say("failed " + error);
      return 1;
    }
    Say("saved " + std::to_string(first + i));
  }
  return 0;
}

// Half an attempt in an open transaction, with the page cache so small that
// the pages written go out to the write-ahead log at once.
int Hold(const std::string& path) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) return 1;
  sqlite3_busy_timeout(db, 5000);
  std::string sql =
      "PRAGMA cache_size = 1; BEGIN IMMEDIATE;"
      "INSERT INTO attempts (time_utc_ms, exercise, lesson, character_set, char_wpm,"
      " effective_wpm, minutes, sent_text, typed_text, score, figures)"
      " VALUES (1, 'copy', 1, 'KM', 20, 10, 1, zeroblob(200000), '', 0.5, '');";
  for (int i = 0; i < 2000; ++i) {
    sql += "INSERT INTO attempt_characters VALUES (last_insert_rowid(), 'K', 1, 1);";
  }
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
    Say(std::string("failed ") + sqlite3_errmsg(db));
    return 1;
  }
  Say("holding");
  for (;;) pause();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const std::string path = argv[1];
  const std::string mode = argv[2];
  if (mode == "hold") return Hold(path);

  if (mode == "try" && argc > 3 && std::string(argv[3]) == "--as-nobody" && geteuid() == 0) {
    constexpr uid_t kNobody = 65534;
    if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0) return 3;
  }
  if (mode == "fill") {
    if (argc < 5) return 2;
    signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails with EFBIG instead
    const rlim_t limit = std::strtoull(argv[4], nullptr, 10);
    const rlimit bytes{limit, limit};
    if (setrlimit(RLIMIT_FSIZE, &bytes) != 0) return 3;
  }

  dovrik::HistoryStore store = dovrik::HistoryStore::Open(path);
  if (!store.Usable()) {
    Say("problem " + store.Problem());
    return 1;
  }
  const int first = argc > 3 ? std::atoi(argv[3]) : 0;
  if (mode == "write" && argc > 4) return WriteAttempts(store, first, std::atol(argv[4]));
  if (mode == "forever") return WriteAttempts(store, first, -1);
  if (mode == "fill") return WriteAttempts(store, first, -1) == 1 ? 0 : 1;
  if (mode == "try") return WriteAttempts(store, 0, 1);
  return 2;
}
