#pragma once

// The learner's history: every attempt of the lessons, the copy of practice
// files and the sending coach, and the course position, in one SQLite file
// ($XDG_DATA_HOME/dovrik/history.sqlite3). No Qt, no SDL.
//
// The store never throws and never harms a file it does not understand: a
// corrupt file, one that is not a database, one from a newer Dovrik, or a
// folder it cannot write leaves the store not usable, with Problem() saying
// why and naming the file, and the file exactly as it was. Two Dovrik
// processes may write to the same file at once; each attempt is one
// transaction, so a program killed mid-attempt loses at most that attempt.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace dovrik {

// How often one character (one UTF-8 character, e.g. "K" or "=") was sent in
// an attempt, and how often it was copied right.
struct CharCount {
  std::string character;
  int sent = 0;
  int right = 0;
  bool operator==(const CharCount&) const = default;
};

// One kind of mistake of an attempt: `sent` copied as `typed`, `count` times.
struct Confusion {
  std::string sent;
  std::string typed;
  int count = 0;
  bool operator==(const Confusion&) const = default;
};

struct Attempt {
  int64_t timeUtcMs = 0;     // when the attempt ended, ms since 1970-01-01 UTC
  std::string exercise;      // "copy", "send" or "file"
  int lesson = 0;            // 1–38, 0 for a custom character set
  std::string characterSet;  // the characters trained, e.g. "KM"
  int charWpm = 0;           // the character speed C
  int effectiveWpm = 0;      // the effective speed E
  double minutes = 0;
  std::string sentText;
  std::string typedText;
  double score = 0;  // 0–1
  std::vector<CharCount> perChar;
  std::vector<Confusion> confusions;
  std::string figures;  // free JSON text of figures of one exercise (the send tab's timing)
  int64_t id = 0;       // given by the store; 0 before Add
  bool operator==(const Attempt&) const = default;
};

// The course position: the lesson reached and when it was reached.
struct CourseStep {
  int64_t timeUtcMs = 0;
  int lesson = 1;
  bool operator==(const CourseStep&) const = default;
};

class HistoryStore {
 public:
  // Opens the history at `path`, creating the file (not its folder) when it
  // does not exist. Never throws: check Usable() and Problem().
  static HistoryStore Open(const std::string& path);

  // Opens DefaultHistoryPath(), making its folder when missing.
  static HistoryStore OpenDefault();

  HistoryStore(HistoryStore&&) noexcept;
  HistoryStore& operator=(HistoryStore&&) noexcept;
  ~HistoryStore();

  bool Usable() const;
  // Empty when usable, otherwise one sentence for the learner, e.g.
  // "History is not being saved: /home/a/.local/share/dovrik/history.sqlite3:
  // the file is not a Dovrik history (file is not a database)".
  std::string Problem() const;
  const std::string& Path() const;

  // Records one attempt in one transaction and sets its id. False with
  // `*error` (may be null) saying why when it could not be saved; nothing
  // already saved is lost either way.
  bool Add(Attempt& attempt, std::string* error);

  // Every attempt, oldest first (by time, then by id). Empty when not usable.
  std::vector<Attempt> Attempts() const;

  // The lesson the learner has reached: the latest course step, 1 when there
  // is none (and when the store is not usable).
  int LessonReached() const;
  // Records that the learner moved to `lesson` (1–38) at `timeUtcMs`.
  bool SetLessonReached(int lesson, int64_t timeUtcMs, std::string* error);
  // Every course step, oldest first: the lesson reached over days.
  std::vector<CourseStep> CourseSteps() const;

  // The schema this Dovrik writes (PRAGMA user_version).
  static constexpr int kSchemaVersion = 1;

 private:
  struct State;
  explicit HistoryStore(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

// "$XDG_DATA_HOME/dovrik/history.sqlite3" (~/.local/share/dovrik/ by default);
// empty when no data folder can be named.
std::string DefaultHistoryPath();

// The current time, ms since 1970-01-01 UTC.
int64_t NowUtcMs();

}  // namespace dovrik
