#include "history/history_store.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <utility>

#include "settings/xdg_paths.h"

namespace dovrik {

namespace {

// "Dovk" in ASCII, in the file's header (PRAGMA application_id), so that a
// file of another program is recognised as such.
constexpr int32_t kApplicationId = 0x446f766b;
constexpr int kBusyTimeoutMs = 5000;
constexpr int kLastLesson = 38;

// SQLite's words for the last failure on `db`, with the system's when the
// disk or the file system said no ("disk I/O error: File too large").
std::string Message(sqlite3* db) {
  if (db == nullptr) return "out of memory";
  std::string text = sqlite3_errmsg(db);
  if (const int system = sqlite3_system_errno(db); system != 0) {
    text += std::string(": ") + std::strerror(system);
  } else if (sqlite3_extended_errcode(db) == SQLITE_IOERR_WRITE) {
    text += ": the file could not grow; is the disk full?";  // a short write
  }
  return text;
}

bool IsDamage(sqlite3* db) {
  const int primary = sqlite3_extended_errcode(db) & 0xff;
  return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

// One prepared statement, finalised when it goes out of scope.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) {
    if (sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr) != SQLITE_OK) statement_ = nullptr;
  }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  ~Statement() { sqlite3_finalize(statement_); }

  bool Ok() const { return statement_ != nullptr; }
  void Bind(int index, int64_t value) { sqlite3_bind_int64(statement_, index, value); }
  void Bind(int index, double value) { sqlite3_bind_double(statement_, index, value); }
  void Bind(int index, const std::string& value) {
    sqlite3_bind_text(statement_, index, value.data(), static_cast<int>(value.size()),
                      SQLITE_TRANSIENT);
  }
  // SQLITE_ROW, SQLITE_DONE or an error.
  int Step() { return statement_ != nullptr ? sqlite3_step(statement_) : SQLITE_ERROR; }
  bool Run() {
    const int result = Step();
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
    return result == SQLITE_DONE;
  }
  int64_t Integer(int column) const { return sqlite3_column_int64(statement_, column); }
  double Real(int column) const { return sqlite3_column_double(statement_, column); }
  std::string Text(int column) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    return text != nullptr
               ? std::string(text, static_cast<size_t>(sqlite3_column_bytes(statement_, column)))
               : std::string();
  }

 private:
  sqlite3_stmt* statement_ = nullptr;
};

bool Execute(sqlite3* db, const char* sql) {
  return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

// The value of a pragma (or any query) that yields one integer.
std::optional<int64_t> QueryInteger(sqlite3* db, const char* sql) {
  Statement statement(db, sql);
  if (statement.Step() != SQLITE_ROW) return std::nullopt;
  return statement.Integer(0);
}

// The schema, one step per version: step n takes a history of version n to
// version n + 1. A new version appends a step and never edits an old one.
bool CreateVersion1(sqlite3* db) {
  return Execute(db,
                 "CREATE TABLE attempts ("
                 "  id INTEGER PRIMARY KEY,"
                 "  time_utc_ms INTEGER NOT NULL,"
                 "  exercise TEXT NOT NULL,"
                 "  lesson INTEGER NOT NULL,"
                 "  character_set TEXT NOT NULL,"
                 "  char_wpm INTEGER NOT NULL,"
                 "  effective_wpm INTEGER NOT NULL,"
                 "  minutes REAL NOT NULL,"
                 "  sent_text TEXT NOT NULL,"
                 "  typed_text TEXT NOT NULL,"
                 "  score REAL NOT NULL,"
                 "  figures TEXT NOT NULL);"
                 "CREATE INDEX attempts_by_time ON attempts (time_utc_ms, id);"
                 "CREATE TABLE attempt_characters ("
                 "  attempt_id INTEGER NOT NULL REFERENCES attempts (id) ON DELETE CASCADE,"
                 "  character TEXT NOT NULL,"
                 "  sent_count INTEGER NOT NULL,"
                 "  right_count INTEGER NOT NULL);"
                 "CREATE INDEX attempt_characters_by_attempt ON attempt_characters (attempt_id);"
                 "CREATE TABLE confusions ("
                 "  attempt_id INTEGER NOT NULL REFERENCES attempts (id) ON DELETE CASCADE,"
                 "  sent TEXT NOT NULL,"
                 "  typed TEXT NOT NULL,"
                 "  times INTEGER NOT NULL);"
                 "CREATE INDEX confusions_by_attempt ON confusions (attempt_id);"
                 "CREATE TABLE course ("
                 "  id INTEGER PRIMARY KEY,"
                 "  time_utc_ms INTEGER NOT NULL,"
                 "  lesson INTEGER NOT NULL);");
}

using MigrationStep = bool (*)(sqlite3*);
constexpr MigrationStep kMigrations[] = {CreateVersion1};
static_assert(std::size(kMigrations) == HistoryStore::kSchemaVersion,
              "one migration step per schema version");

std::string Notice(const std::string& path, const std::string& reason) {
  return "History is not being saved: " + path + ": " + reason;
}

// What is wrong with the history open on `db` for reading, or empty when it
// is a Dovrik history of this version or older (or a new, empty file).
// Reads only; `fullCheck` also reads every page (PRAGMA quick_check).
std::string ReadableProblem(sqlite3* db, bool fullCheck) {
  const std::optional<int64_t> tables = QueryInteger(db, "SELECT count(*) FROM sqlite_master");
  if (!tables) {
    if (!IsDamage(db)) return "cannot read it (" + Message(db) + ")";
    return "the file is damaged or is not a database (" + Message(db) + "); it is left as it is";
  }
  if (fullCheck) {
    Statement check(db, "PRAGMA quick_check(1)");
    const int stepped = check.Step();
    if (stepped != SQLITE_ROW && !IsDamage(db)) return "cannot read it (" + Message(db) + ")";
    if (stepped != SQLITE_ROW || check.Text(0) != "ok") {
      const std::string detail = check.Ok() ? check.Text(0) : Message(db);
      return "the file is damaged (" + (detail.empty() ? Message(db) : detail) +
             "); it is left as it is";
    }
  }
  const int64_t application = QueryInteger(db, "PRAGMA application_id").value_or(-1);
  const int64_t version = QueryInteger(db, "PRAGMA user_version").value_or(-1);
  if (application != kApplicationId && (application != 0 || version != 0 || *tables != 0)) {
    return "the file is another program's database, not a Dovrik history; it is left as it is";
  }
  if (version > HistoryStore::kSchemaVersion) {
    return "the history was written by a newer Dovrik (history version " + std::to_string(version) +
           ", this Dovrik knows up to " + std::to_string(HistoryStore::kSchemaVersion) +
           "); it is left as it is";
  }
  return {};
}

uint32_t BigEndian(const unsigned char* bytes) {
  return uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 |
         uint32_t{bytes[3]};
}

// What the first 100 bytes of an existing file say against opening it, read
// without SQLite, so that a file of another kind, of another program or of a
// newer Dovrik is refused before anything could place a write-ahead log or
// shared-memory file beside it. (A change still in another process's log is
// caught again once SQLite reads the file.)
std::string HeaderProblem(const std::string& path) {
  unsigned char header[100];
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return std::string("cannot read it (") + std::strerror(errno) + ")";
  const size_t read = std::fread(header, 1, sizeof header, file);
  std::fclose(file);
  if (read < sizeof header || std::memcmp(header, "SQLite format 3", 16) != 0) {
    return "the file is not a database (it does not start as an SQLite file does); it is left "
           "as it is";
  }
  const uint32_t version = BigEndian(header + 60);
  const uint32_t application = BigEndian(header + 68);
  if (application != 0 && application != static_cast<uint32_t>(kApplicationId)) {
    return "the file is another program's database, not a Dovrik history; it is left as it is";
  }
  if (application == static_cast<uint32_t>(kApplicationId) &&
      version > static_cast<uint32_t>(HistoryStore::kSchemaVersion)) {
    return "the history was written by a newer Dovrik (history version " + std::to_string(version) +
           ", this Dovrik knows up to " + std::to_string(HistoryStore::kSchemaVersion) +
           "); it is left as it is";
  }
  return {};
}

bool FileExists(const std::string& path, bool* empty, bool* regular) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return false;
  *empty = status.st_size == 0;
  *regular = S_ISREG(status.st_mode);
  return true;
}

std::string Validate(const Attempt& attempt) {
  if (attempt.exercise != "copy" && attempt.exercise != "send" && attempt.exercise != "file") {
    return "the exercise '" + attempt.exercise + "' is not copy, send or file";
  }
  if (attempt.lesson < 0 || attempt.lesson > kLastLesson) {
    return "lesson " + std::to_string(attempt.lesson) + " is not 0 to 38";
  }
  if (attempt.charWpm < 0 || attempt.effectiveWpm < 0) return "a speed is negative";
  if (!std::isfinite(attempt.minutes) || attempt.minutes < 0) return "the minutes are not a length";
  if (!std::isfinite(attempt.score) || attempt.score < 0 || attempt.score > 1) {
    return "the score is not from 0 to 1";
  }
  std::set<std::string> seen;
  for (const CharCount& count : attempt.perChar) {
    if (count.character.empty()) return "a character result names no character";
    if (!seen.insert(count.character).second) {
      return "the character '" + count.character + "' has two results";
    }
    if (count.sent < 0 || count.right < 0 || count.right > count.sent) {
      return "the character '" + count.character + "' was copied right more often than sent";
    }
  }
  for (const Confusion& confusion : attempt.confusions) {
    if (confusion.sent.empty() || confusion.count <= 0) return "a confusion is empty";
  }
  return {};
}

}  // namespace

struct HistoryStore::State {
  std::string path;
  std::string problem;
  sqlite3* db = nullptr;

  ~State() { sqlite3_close_v2(db); }

  bool Fail(const std::string& reason) {
    problem = Notice(path, reason);
    sqlite3_close_v2(db);
    db = nullptr;
    return false;
  }

  // Runs `body` in one write transaction, taken at once so that two
  // processes wait for each other (the busy timeout) instead of failing.
  bool Transaction(const std::function<bool()>& body, std::string* error) {
    if (db == nullptr) {
      if (error != nullptr) *error = problem;
      return false;
    }
    if (Execute(db, "BEGIN IMMEDIATE") && body() && Execute(db, "COMMIT")) return true;
    const std::string reason = Message(db);
    if (!sqlite3_get_autocommit(db)) Execute(db, "ROLLBACK");
    if (error != nullptr) *error = Notice(path, reason);
    return false;
  }

  bool Open() {
    if (path.empty()) {
      problem =
          "History is not being saved: no folder for it (neither XDG_DATA_HOME nor HOME "
          "names one)";
      return false;
    }
    bool empty = false;
    bool regular = false;
    const bool exists = FileExists(path, &empty, &regular);
    if (exists && !regular) return Fail("it is not a regular file; it is left as it is");

    // A file already there is first read through a connection that cannot
    // write, so nothing this store does can change a file it does not
    // understand.
    if (exists && !empty) {
      if (std::string reason = HeaderProblem(path); !reason.empty()) return Fail(reason);
      sqlite3* reader = nullptr;
      const int opened = sqlite3_open_v2(path.c_str(), &reader, SQLITE_OPEN_READONLY, nullptr);
      std::string reason;
      if (opened != SQLITE_OK) {
        reason = "cannot read it (" + Message(reader) + ")";
      } else {
        sqlite3_busy_timeout(reader, kBusyTimeoutMs);
        reason = ReadableProblem(reader, true);
      }
      sqlite3_close_v2(reader);
      if (!reason.empty()) return Fail(reason);
    }

    const int flags = SQLITE_OPEN_READWRITE | (exists && !empty ? 0 : SQLITE_OPEN_CREATE);
    if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
      return Fail("cannot open it for writing (" + Message(db) + ")");
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    // Checked again on this connection: the file may have changed since.
    if (std::string reason = ReadableProblem(db, false); !reason.empty()) return Fail(reason);

    {
      Statement journal(db, "PRAGMA journal_mode = WAL");
      if (journal.Step() != SQLITE_ROW || journal.Text(0) != "wal") {
        return Fail("cannot write it (" + Message(db) + ")");
      }
    }
    // Every attempt reaches the disk before Add returns.
    if (!Execute(db, "PRAGMA synchronous = FULL") || !Execute(db, "PRAGMA foreign_keys = ON")) {
      return Fail("cannot write it (" + Message(db) + ")");
    }

    std::string error;
    std::string refused;
    const bool migrated = Transaction(
        [&] {
          const int64_t version = QueryInteger(db, "PRAGMA user_version").value_or(-1);
          if (version < 0) return false;
          if (version > kSchemaVersion) {
            refused = ReadableProblem(db, false);
            return false;
          }
          for (int64_t step = version; step < kSchemaVersion; ++step) {
            if (!kMigrations[step](db)) return false;
          }
          const std::string stamp = "PRAGMA user_version = " + std::to_string(kSchemaVersion) +
                                    "; PRAGMA application_id = " + std::to_string(kApplicationId);
          return version == kSchemaVersion || Execute(db, stamp.c_str());
        },
        &error);
    if (!migrated) {
      if (!refused.empty()) return Fail(refused);
      problem = error;
      sqlite3_close_v2(db);
      db = nullptr;
      return false;
    }
    return true;
  }
};

HistoryStore::HistoryStore(std::unique_ptr<State> state) : state_(std::move(state)) {}
HistoryStore::HistoryStore(HistoryStore&&) noexcept = default;
HistoryStore& HistoryStore::operator=(HistoryStore&&) noexcept = default;
HistoryStore::~HistoryStore() = default;

HistoryStore HistoryStore::Open(const std::string& path) {
  auto state = std::make_unique<State>();
  state->path = path;
  state->Open();
  return HistoryStore(std::move(state));
}

HistoryStore HistoryStore::OpenDefault() {
  const std::string path = DefaultHistoryPath();
  const std::string folder = DovrikDataDirectory();
  if (!folder.empty() && !MakeDirectories(folder)) {
    auto state = std::make_unique<State>();
    state->path = path;
    state->problem = Notice(path, "cannot make the folder " + folder);
    return HistoryStore(std::move(state));
  }
  return Open(path);
}

bool HistoryStore::Usable() const {
  return state_->db != nullptr;
}
std::string HistoryStore::Problem() const {
  return state_->problem;
}
const std::string& HistoryStore::Path() const {
  return state_->path;
}

bool HistoryStore::Add(Attempt& attempt, std::string* error) {
  if (const std::string invalid = Validate(attempt); !invalid.empty()) {
    if (error != nullptr) *error = "The attempt was not saved: " + invalid;
    return false;
  }
  sqlite3* db = state_->db;
  int64_t id = 0;
  const bool saved = state_->Transaction(
      [&] {
        Statement row(db,
                      "INSERT INTO attempts (time_utc_ms, exercise, lesson, character_set,"
                      " char_wpm, effective_wpm, minutes, sent_text, typed_text, score, figures)"
                      " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        row.Bind(1, attempt.timeUtcMs);
        row.Bind(2, attempt.exercise);
        row.Bind(3, int64_t{attempt.lesson});
        row.Bind(4, attempt.characterSet);
        row.Bind(5, int64_t{attempt.charWpm});
        row.Bind(6, int64_t{attempt.effectiveWpm});
        row.Bind(7, attempt.minutes);
        row.Bind(8, attempt.sentText);
        row.Bind(9, attempt.typedText);
        row.Bind(10, attempt.score);
        row.Bind(11, attempt.figures);
        if (!row.Run()) return false;
        id = sqlite3_last_insert_rowid(db);

        Statement character(
            db,
            "INSERT INTO attempt_characters (attempt_id, character, sent_count, right_count)"
            " VALUES (?, ?, ?, ?)");
        for (const CharCount& count : attempt.perChar) {
          character.Bind(1, id);
          character.Bind(2, count.character);
          character.Bind(3, int64_t{count.sent});
          character.Bind(4, int64_t{count.right});
          if (!character.Run()) return false;
        }
        Statement confusion(db,
                            "INSERT INTO confusions (attempt_id, sent, typed, times)"
                            " VALUES (?, ?, ?, ?)");
        for (const Confusion& each : attempt.confusions) {
          confusion.Bind(1, id);
          confusion.Bind(2, each.sent);
          confusion.Bind(3, each.typed);
          confusion.Bind(4, int64_t{each.count});
          if (!confusion.Run()) return false;
        }
        return true;
      },
      error);
  if (saved) attempt.id = id;
  return saved;
}

std::vector<Attempt> HistoryStore::Attempts() const {
  std::vector<Attempt> attempts;
  sqlite3* db = state_->db;
  if (db == nullptr) return attempts;
  // One read transaction, so the three tables agree while another process
  // writes.
  if (!Execute(db, "BEGIN")) return attempts;
  std::map<int64_t, size_t> byId;
  {
    Statement rows(db,
                   "SELECT id, time_utc_ms, exercise, lesson, character_set, char_wpm,"
                   " effective_wpm, minutes, sent_text, typed_text, score, figures"
                   " FROM attempts ORDER BY time_utc_ms, id");
    while (rows.Step() == SQLITE_ROW) {
      Attempt attempt;
      attempt.id = rows.Integer(0);
      attempt.timeUtcMs = rows.Integer(1);
      attempt.exercise = rows.Text(2);
      attempt.lesson = static_cast<int>(rows.Integer(3));
      attempt.characterSet = rows.Text(4);
      attempt.charWpm = static_cast<int>(rows.Integer(5));
      attempt.effectiveWpm = static_cast<int>(rows.Integer(6));
      attempt.minutes = rows.Real(7);
      attempt.sentText = rows.Text(8);
      attempt.typedText = rows.Text(9);
      attempt.score = rows.Real(10);
      attempt.figures = rows.Text(11);
      byId[attempt.id] = attempts.size();
      attempts.push_back(std::move(attempt));
    }
  }
  {
    Statement rows(db,
                   "SELECT attempt_id, character, sent_count, right_count FROM attempt_characters"
                   " ORDER BY rowid");
    while (rows.Step() == SQLITE_ROW) {
      const auto found = byId.find(rows.Integer(0));
      if (found == byId.end()) continue;
      attempts[found->second].perChar.push_back(
          {rows.Text(1), static_cast<int>(rows.Integer(2)), static_cast<int>(rows.Integer(3))});
    }
  }
  {
    Statement rows(db, "SELECT attempt_id, sent, typed, times FROM confusions ORDER BY rowid");
    while (rows.Step() == SQLITE_ROW) {
      const auto found = byId.find(rows.Integer(0));
      if (found == byId.end()) continue;
      attempts[found->second].confusions.push_back(
          {rows.Text(1), rows.Text(2), static_cast<int>(rows.Integer(3))});
    }
  }
  Execute(db, "COMMIT");
  return attempts;
}

int HistoryStore::LessonReached() const {
  if (state_->db == nullptr) return 1;
  const std::optional<int64_t> lesson =
      QueryInteger(state_->db, "SELECT lesson FROM course ORDER BY id DESC LIMIT 1");
  return lesson ? static_cast<int>(*lesson) : 1;
}

bool HistoryStore::SetLessonReached(int lesson, int64_t timeUtcMs, std::string* error) {
  if (lesson < 1 || lesson > kLastLesson) {
    if (error != nullptr)
      *error =
          "The lesson was not saved: " + std::to_string(lesson) + " is not a lesson from 1 to 38";
    return false;
  }
  sqlite3* db = state_->db;
  return state_->Transaction(
      [&] {
        Statement row(db, "INSERT INTO course (time_utc_ms, lesson) VALUES (?, ?)");
        row.Bind(1, timeUtcMs);
        row.Bind(2, int64_t{lesson});
        return row.Run();
      },
      error);
}

std::vector<CourseStep> HistoryStore::CourseSteps() const {
  std::vector<CourseStep> steps;
  if (state_->db == nullptr) return steps;
  Statement rows(state_->db, "SELECT time_utc_ms, lesson FROM course ORDER BY id");
  while (rows.Step() == SQLITE_ROW) {
    steps.push_back({rows.Integer(0), static_cast<int>(rows.Integer(1))});
  }
  return steps;
}

std::string DefaultHistoryPath() {
  const std::string folder = DovrikDataDirectory();
  return folder.empty() ? std::string() : folder + "/history.sqlite3";
}

int64_t NowUtcMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace dovrik
