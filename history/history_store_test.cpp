// The history on real SQLite files in a temporary folder: written here and by
// other processes at once, killed mid-attempt, filled, and files it must
// refuse and leave exactly as they were.
#include "history/history_store.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/resource.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>

#include "tests/history_test_attempts.h"
#include "tests/history_test_support.h"

namespace dovrik {
namespace {

using testing::ChildProcess;
using testing::Exists;
using ::testing::HasSubstr;
using testing::NumberedAttempt;
using testing::ReadWholeFile;
using testing::TemporaryFolder;

const std::string kWriter = DOVRIK_HISTORY_WRITER_PATH;

// The numbers of the attempts a writer reported saved.
std::set<int> SavedNumbers(const std::vector<std::string>& lines) {
  std::set<int> numbers;
  for (const std::string& line : lines) {
    if (line.starts_with("saved ")) numbers.insert(std::stoi(line.substr(6)));
  }
  return numbers;
}

// The number of an attempt as NumberedAttempt made it, from its figures;
// -1 when the attempt is not whole.
int NumberOf(const Attempt& stored) {
  const size_t colon = stored.figures.find(':');
  if (colon == std::string::npos) return -1;
  const int n = std::atoi(stored.figures.c_str() + colon + 1);
  Attempt expected = NumberedAttempt(n);
  expected.id = stored.id;
  return stored == expected ? n : -1;
}

std::string Pragma(const std::string& path, const char* sql) {
  sqlite3* db = nullptr;
  std::string value;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_exec(
        db, sql,
        [](void* out, int, char** values, char**) {
          *static_cast<std::string*>(out) = values[0] != nullptr ? values[0] : "";
          return 0;
        },
        &value, nullptr);
  }
  sqlite3_close(db);
  return value;
}

void AddNumbered(HistoryStore& store, int first, int count) {
  for (int n = first; n < first + count; ++n) {
    Attempt attempt = NumberedAttempt(n);
    std::string error;
    ASSERT_TRUE(store.Add(attempt, &error)) << error;
  }
}

TEST(HistoryStoreTest, KeepsAttemptsAndTheCourseAcrossRuns) {
  TemporaryFolder folder;
  const std::string path = folder / "history.sqlite3";
  {
    HistoryStore store = HistoryStore::Open(path);
    ASSERT_TRUE(store.Usable()) << store.Problem();
    EXPECT_EQ(store.LessonReached(), 1) << "a new history starts the course at lesson 1";
    Attempt later = NumberedAttempt(7);
    Attempt earlier = NumberedAttempt(3);
    Attempt unicode = NumberedAttempt(38);
    unicode.perChar.push_back({"Ä", 2, 1});
    unicode.typedText = "Ä, \"quoted\"\n";
    std::string error;
    ASSERT_TRUE(store.Add(later, &error)) << error;
    ASSERT_TRUE(store.Add(earlier, &error)) << error;
    ASSERT_TRUE(store.Add(unicode, &error)) << error;
    EXPECT_NE(later.id, earlier.id);
    ASSERT_TRUE(store.SetLessonReached(2, 1'796'000'100'000, &error)) << error;
    ASSERT_TRUE(store.SetLessonReached(3, 1'796'000'200'000, &error)) << error;

    // Bad attempts are refused with a reason, and nothing of them is kept.
    Attempt bad = NumberedAttempt(4);
    bad.perChar.push_back({"K", 3, 4});
    EXPECT_FALSE(store.Add(bad, &error));
    EXPECT_THAT(error, HasSubstr("'K'"));
    bad = NumberedAttempt(4);
    bad.exercise = "dance";
    EXPECT_FALSE(store.Add(bad, &error));
    EXPECT_FALSE(store.SetLessonReached(39, 0, &error));
    EXPECT_THAT(error, HasSubstr("39"));
    EXPECT_EQ(bad.id, 0);
  }

  HistoryStore store = HistoryStore::Open(path);
  ASSERT_TRUE(store.Usable()) << store.Problem();
  const std::vector<Attempt> attempts = store.Attempts();
  ASSERT_EQ(attempts.size(), 3u);
  EXPECT_EQ(NumberOf(attempts[0]), 3) << "oldest first";
  EXPECT_EQ(NumberOf(attempts[1]), 7);
  EXPECT_EQ(attempts[2].perChar.back(), (CharCount{"Ä", 2, 1}));
  EXPECT_EQ(attempts[2].typedText, "Ä, \"quoted\"\n");
  EXPECT_EQ(store.LessonReached(), 3);
  EXPECT_EQ(store.CourseSteps(),
            (std::vector<CourseStep>{{1'796'000'100'000, 2}, {1'796'000'200'000, 3}}));

  EXPECT_EQ(Pragma(path, "PRAGMA user_version"), std::to_string(HistoryStore::kSchemaVersion));
  EXPECT_EQ(Pragma(path, "PRAGMA journal_mode"), "wal");
}

TEST(HistoryStoreTest, OpensTheDefaultFileUnderXdgDataHome) {
  TemporaryFolder folder;
  const char* old = std::getenv("XDG_DATA_HOME");
  const std::string saved = old != nullptr ? old : "";
  setenv("XDG_DATA_HOME", (folder / "data").c_str(), 1);
  EXPECT_EQ(DefaultHistoryPath(), folder / "data/dovrik/history.sqlite3");
  {
    HistoryStore store = HistoryStore::OpenDefault();
    EXPECT_TRUE(store.Usable()) << store.Problem();
    EXPECT_EQ(store.Path(), folder / "data/dovrik/history.sqlite3");
  }
  EXPECT_TRUE(Exists(folder / "data/dovrik/history.sqlite3"));
  if (old != nullptr) {
    setenv("XDG_DATA_HOME", saved.c_str(), 1);
  } else {
    unsetenv("XDG_DATA_HOME");
  }
}

TEST(HistoryStoreFaultTest, TwoProcessesWritingAtOnceKeepEveryAttempt) {
  TemporaryFolder folder;
  const std::string path = folder / "history.sqlite3";
  constexpr int kEach = 150;
  ChildProcess first({kWriter, path, "write", "0", std::to_string(kEach)});
  ChildProcess second({kWriter, path, "write", "1000", std::to_string(kEach)});
  ASSERT_TRUE(first.Started() && second.Started());
  const std::vector<std::string> firstLines = first.ReadAllLines();
  const std::vector<std::string> secondLines = second.ReadAllLines();
  EXPECT_EQ(first.ExitCode(), 0) << (firstLines.empty() ? "" : firstLines.back());
  EXPECT_EQ(second.ExitCode(), 0) << (secondLines.empty() ? "" : secondLines.back());

  HistoryStore store = HistoryStore::Open(path);
  ASSERT_TRUE(store.Usable()) << store.Problem();
  std::set<int> stored;
  for (const Attempt& attempt : store.Attempts()) stored.insert(NumberOf(attempt));
  std::set<int> expected;
  for (int n = 0; n < kEach; ++n) {
    expected.insert(n);
    expected.insert(1000 + n);
  }
  EXPECT_EQ(stored, expected);
}

TEST(HistoryStoreFaultTest, AWriterKilledMidAttemptLosesOnlyThatAttempt) {
  TemporaryFolder folder;
  const std::string path = folder / "history.sqlite3";
  {
    HistoryStore store = HistoryStore::Open(path);
    ASSERT_TRUE(store.Usable()) << store.Problem();
    AddNumbered(store, 0, 20);
  }
  {
    ChildProcess holder({kWriter, path, "hold"});
    ASSERT_EQ(holder.ReadLine(), "holding");
    EXPECT_GT(std::filesystem::file_size(path + "-wal"), 100'000u)
        << "half an attempt has reached the write-ahead log";
    holder.Kill();
    EXPECT_EQ(holder.ExitCode(), -1);
  }
  // Killed while saving flat out, at whatever point it had reached.
  std::set<int> saved;
  {
    ChildProcess writer({kWriter, path, "forever", "100"});
    for (std::optional<std::string> line; saved.size() < 30 && (line = writer.ReadLine());) {
      const std::set<int> numbers = SavedNumbers({*line});
      saved.insert(numbers.begin(), numbers.end());
    }
    writer.Kill();
    writer.Wait();
  }
  ASSERT_EQ(saved.size(), 30u);

  EXPECT_EQ(Pragma(path, "PRAGMA integrity_check"), "ok");
  HistoryStore store = HistoryStore::Open(path);
  ASSERT_TRUE(store.Usable()) << store.Problem();
  std::set<int> stored;
  for (const Attempt& attempt : store.Attempts()) {
    const int n = NumberOf(attempt);
    EXPECT_GE(n, 0) << "attempt " << attempt.id << " is torn";
    stored.insert(n);
  }
  for (int n = 0; n < 20; ++n) EXPECT_TRUE(stored.count(n)) << "attempt " << n << " was lost";
  for (int n : saved) EXPECT_TRUE(stored.count(n)) << "attempt " << n << " was lost";
  EXPECT_LE(stored.size(), 20 + saved.size() + 1) << "at most the one being saved is extra";
  AddNumbered(store, 500, 1);
}

TEST(HistoryStoreFaultTest, AFullDiskFailsTheAttemptAndLosesNothingSaved) {
  TemporaryFolder folder;
  const std::string path = folder / "history.sqlite3";
  {
    HistoryStore store = HistoryStore::Open(path);
    ASSERT_TRUE(store.Usable()) << store.Problem();
    AddNumbered(store, 0, 10);
  }
  // Files may grow by 64 KiB past what the history holds now, then the
  // writes fail as on a full disk.
  const uintmax_t limit = std::filesystem::file_size(path) + 65536;
  ChildProcess writer({kWriter, path, "fill", "100", std::to_string(limit)});
  const std::vector<std::string> lines = writer.ReadAllLines();
  ASSERT_EQ(writer.ExitCode(), 0) << (lines.empty() ? "no output" : lines.back());
  ASSERT_FALSE(lines.empty());
  EXPECT_THAT(lines.back(), HasSubstr("History is not being saved: " + path + ": "));
  EXPECT_THAT(lines.back(), ::testing::AnyOf(HasSubstr(std::strerror(EFBIG)), HasSubstr("full")))
      << "the reason is given";
  const std::set<int> saved = SavedNumbers(lines);

  HistoryStore store = HistoryStore::Open(path);
  ASSERT_TRUE(store.Usable()) << store.Problem();
  std::set<int> stored;
  for (const Attempt& attempt : store.Attempts()) stored.insert(NumberOf(attempt));
  std::set<int> expected = saved;
  for (int n = 0; n < 10; ++n) expected.insert(n);
  EXPECT_EQ(stored, expected);
  AddNumbered(store, 500, 1);
}

// A file the store must refuse: how to make it, and what the message says.
struct RefusedFile {
  const char* name;
  void (*make)(const std::string& path);
  const char* reason;
  bool leavesEmptyLog = false;
};

void PrintTo(const RefusedFile& file, std::ostream* os) {
  *os << file.name;
}

void MakeText(const std::string& path) {
  testing::WriteWholeFile(path,
                          "time,exercise\n2026-12-08T02:15:00Z,copy\n" + std::string(5000, 'x'));
}

void MakeDamaged(const std::string& path) {
  {
    HistoryStore store = HistoryStore::Open(path);
    AddNumbered(store, 0, 40);
  }
  std::string bytes = *ReadWholeFile(path);
  ASSERT_GT(bytes.size(), 5 * 4096u);
  // Pages two to four: the tables' roots and leaves.
  for (size_t i = 4096; i < 4 * 4096; ++i) bytes[i] = static_cast<char>(i * 7919 % 251);
  testing::WriteWholeFile(path, bytes);
}

void MakeOtherProgramsDatabase(const std::string& path) {
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  sqlite3_exec(db, "CREATE TABLE songs (title TEXT); INSERT INTO songs VALUES ('CQ');", nullptr,
               nullptr, nullptr);
  sqlite3_close(db);
}

void MakeNewerHistory(const std::string& path) {
  {
    HistoryStore store = HistoryStore::Open(path);
    AddNumbered(store, 0, 3);
  }
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  sqlite3_exec(db, "ALTER TABLE attempts ADD COLUMN heart_rate INTEGER; PRAGMA user_version = 2;",
               nullptr, nullptr, nullptr);
  sqlite3_close(db);
}

class RefusedFileTest : public ::testing::TestWithParam<RefusedFile> {};

TEST_P(RefusedFileTest, IsReportedByNameAndLeftByteIdentical) {
  TemporaryFolder folder;
  const std::string path = folder / "history.sqlite3";
  GetParam().make(path);
  ASSERT_FALSE(Exists(path + "-wal"));
  const std::optional<std::string> before = ReadWholeFile(path);
  ASSERT_TRUE(before);

  for (int run = 0; run < 2; ++run) {
    HistoryStore store = HistoryStore::Open(path);
    EXPECT_FALSE(store.Usable());
    EXPECT_THAT(store.Problem(), HasSubstr("History is not being saved: " + path + ": "));
    EXPECT_THAT(store.Problem(), HasSubstr(GetParam().reason));
    EXPECT_THAT(store.Problem(), HasSubstr("left as it is"));
    Attempt attempt = NumberedAttempt(1);
    std::string error;
    EXPECT_FALSE(store.Add(attempt, &error));
    EXPECT_EQ(error, store.Problem());
    EXPECT_FALSE(store.SetLessonReached(2, 0, &error));
    EXPECT_TRUE(store.Attempts().empty());
    EXPECT_EQ(store.LessonReached(), 1);
  }
  EXPECT_EQ(ReadWholeFile(path), before) << "the file must stay byte-identical";
  // Reading a damaged file in WAL mode may leave an empty log beside it, as
  // any reader does; nothing in it could ever be written into the file.
  EXPECT_EQ(ReadWholeFile(path + "-wal").value_or(""), "");
  EXPECT_EQ(Exists(path + "-wal"), GetParam().leavesEmptyLog);
  EXPECT_FALSE(Exists(path + "-journal"));
}

INSTANTIATE_TEST_SUITE_P(
    Files, RefusedFileTest,
    ::testing::Values(RefusedFile{"NotADatabase", MakeText, "not a database"},
                      RefusedFile{"DamagedHistory", MakeDamaged, "damaged", true},
                      RefusedFile{"AnotherProgramsDatabase", MakeOtherProgramsDatabase,
                                  "another program's database"},
                      RefusedFile{"FromANewerDovrik", MakeNewerHistory,
                                  "newer Dovrik (history version 2"}),
    [](const ::testing::TestParamInfo<RefusedFile>& info) { return std::string(info.param.name); });

// A folder the learner cannot write in, with and without a history in it.
// Root writes anywhere, so as root the writer runs as the unprivileged user.
TEST(HistoryStoreFaultTest, AReadOnlyFolderIsReportedAndLosesNothing) {
  TemporaryFolder folder;
  ASSERT_EQ(chmod(folder.Path().c_str(), 0755), 0);
  const std::string withHistory = folder / "with";
  const std::string empty = folder / "empty";
  ASSERT_EQ(mkdir(withHistory.c_str(), 0755), 0);
  ASSERT_EQ(mkdir(empty.c_str(), 0755), 0);
  const std::string path = withHistory + "/history.sqlite3";
  {
    HistoryStore store = HistoryStore::Open(path);
    AddNumbered(store, 0, 5);
  }
  ASSERT_EQ(chmod(path.c_str(), 0644), 0);
  const std::optional<std::string> before = ReadWholeFile(path);
  ASSERT_EQ(chmod(withHistory.c_str(), 0555), 0);
  ASSERT_EQ(chmod(empty.c_str(), 0555), 0);

  for (const std::string& file : {path, empty + "/history.sqlite3"}) {
    ChildProcess writer({kWriter, file, "try", "--as-nobody"});
    const std::vector<std::string> lines = writer.ReadAllLines();
    EXPECT_EQ(writer.ExitCode(), 1);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_THAT(lines[0], HasSubstr("History is not being saved: " + file + ": cannot "));
  }
  EXPECT_EQ(ReadWholeFile(path), before);
  EXPECT_FALSE(Exists(empty + "/history.sqlite3"));

  ASSERT_EQ(chmod(withHistory.c_str(), 0755), 0);
  HistoryStore store = HistoryStore::Open(path);
  EXPECT_EQ(store.Attempts().size(), 5u);
}

}  // namespace
}  // namespace dovrik
