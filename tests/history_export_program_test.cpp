// `dovrik --export-history` through the real program, with XDG_DATA_HOME
// pointing at a history this store wrote, and with none, a damaged one and
// a file that cannot be written.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "history/history_store.h"
#include "tests/history_test_support.h"

#ifdef DOVRIK_PROGRAM_PATH

namespace dovrik {
namespace {

using testing::ChildProcess;
using testing::Exists;
using ::testing::HasSubstr;
using testing::ReadWholeFile;
using testing::TemporaryFolder;

struct ProgramRun {
  int status;
  std::string out;
  std::string errors;
};

class ExportHistoryProgramTest : public ::testing::Test {
 protected:
  std::string HistoryPath() const { return folder_ / "data/dovrik/history.sqlite3"; }

  ProgramRun Export(const std::string& file) {
    ChildProcess program(
        {DOVRIK_PROGRAM_PATH, "--export-history", file},
        {"XDG_DATA_HOME=" + (folder_ / "data"), "DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="},
        folder_ / "stderr.txt");
    std::string out;
    for (const std::string& line : program.ReadAllLines()) out += line + "\n";
    const int status = program.ExitCode();
    return {status, out, ReadWholeFile(folder_ / "stderr.txt").value_or("")};
  }

  void WriteHistory() {
    ASSERT_TRUE(std::filesystem::create_directories(folder_ / "data/dovrik"));
    HistoryStore store = HistoryStore::Open(HistoryPath());
    ASSERT_TRUE(store.Usable()) << store.Problem();
    Attempt copy;
    copy.timeUtcMs = 1'796'696'100'000;  // 2026-12-08 02:15:00 UTC
    copy.exercise = "copy";
    copy.lesson = 1;
    copy.characterSet = "KM";
    copy.charWpm = 20;
    copy.effectiveWpm = 10;
    copy.minutes = 2;
    copy.sentText = "KMKMK MMKKM";
    copy.typedText = "KMKRK MMKKM";
    copy.score = 10.0 / 11.0;
    copy.perChar = {{"K", 5, 4}, {"M", 5, 5}};
    copy.confusions = {{"M", "R", 1}};
    Attempt file = copy;
    file.timeUtcMs = 1'796'860'799'999;  // 2026-12-09 23:59:59.999 UTC
    file.exercise = "file";
    file.lesson = 0;
    file.characterSet = ",\"";
    file.charWpm = 25;
    file.effectiveWpm = 25;
    file.perChar = {{",", 3, 3}, {"\"", 2, 1}};
    Attempt send = copy;  // no characters scored: no rows
    send.exercise = "send";
    send.perChar.clear();
    std::string error;
    ASSERT_TRUE(store.Add(file, &error)) << error;
    ASSERT_TRUE(store.Add(copy, &error)) << error;
    ASSERT_TRUE(store.Add(send, &error)) << error;
  }

  TemporaryFolder folder_;
};

constexpr char kExpected[] =
    "time,exercise,lesson,char_wpm,effective_wpm,character,sent,right\r\n"
    "2026-12-08T02:15:00Z,copy,1,20,10,K,5,4\r\n"
    "2026-12-08T02:15:00Z,copy,1,20,10,M,5,5\r\n"
    "2026-12-09T23:59:59Z,file,0,25,25,\",\",3,3\r\n"
    "2026-12-09T23:59:59Z,file,0,25,25,\"\"\"\",2,1\r\n";

TEST_F(ExportHistoryProgramTest, WritesOneRowPerCharacterPerAttemptToAFileOrStandardOutput) {
  WriteHistory();
  const std::optional<std::string> history = ReadWholeFile(HistoryPath());

  const ProgramRun toFile = Export(folder_ / "history.csv");
  EXPECT_EQ(toFile.status, 0) << toFile.errors;
  EXPECT_EQ(ReadWholeFile(folder_ / "history.csv"), kExpected);
  EXPECT_EQ(toFile.out, "Wrote " + (folder_ / "history.csv") + ": 4 rows from 3 attempts\n");

  ChildProcess program({DOVRIK_PROGRAM_PATH, "--export-history", "-"},
                       {"XDG_DATA_HOME=" + (folder_ / "data"), "DISPLAY="});
  std::string out;
  for (std::optional<std::string> line; (line = program.ReadLine());) out += *line + "\n";
  EXPECT_EQ(program.ExitCode(), 0);
  EXPECT_EQ(out, kExpected);
  EXPECT_EQ(ReadWholeFile(HistoryPath()), history) << "exporting writes nothing to the history";
}

TEST_F(ExportHistoryProgramTest, FailsClearlyWithStatus2AndWritesNothing) {
  // No history at all: none is made.
  ProgramRun run = Export(folder_ / "history.csv");
  EXPECT_EQ(run.status, 2);
  EXPECT_THAT(run.errors,
              HasSubstr("History cannot be read: " + HistoryPath() + ": there is no such file"));
  EXPECT_FALSE(Exists(folder_ / "history.csv"));
  EXPECT_FALSE(Exists(HistoryPath()));

  // A FILE that cannot be written.
  WriteHistory();
  run = Export(folder_ / "no such folder/history.csv");
  EXPECT_EQ(run.status, 2);
  EXPECT_THAT(run.errors, HasSubstr("cannot write " + (folder_ / "no such folder/history.csv")));
  EXPECT_TRUE(run.out.empty());
  run = Export(folder_.Path());
  EXPECT_EQ(run.status, 2) << "a folder is not a file to write";

  // A damaged history: said so, and left byte-identical.
  std::string bytes = *ReadWholeFile(HistoryPath());
  bytes.replace(0, 16, "SQLite format 2");
  testing::WriteWholeFile(HistoryPath(), bytes);
  run = Export(folder_ / "history.csv");
  EXPECT_EQ(run.status, 2);
  EXPECT_THAT(run.errors, HasSubstr("History cannot be read: " + HistoryPath() +
                                    ": the file is not a database"));
  EXPECT_EQ(ReadWholeFile(HistoryPath()), bytes);
  EXPECT_FALSE(Exists(folder_ / "history.csv"));
}

}  // namespace
}  // namespace dovrik

#endif  // DOVRIK_PROGRAM_PATH
