#include "cli/lesson_command.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>

#include "history/history_store.h"
#include "lessons/course.h"
#include "lessons/farnsworth.h"
#include "lessons/lesson_attempt.h"
#include "lessons/lesson_settings.h"
#include "lessons/promotion.h"
#include "lessons/text_generator.h"
#include "platform/audio_format.h"
#include "practice/lesson_file.h"
#include "practice/practice_file.h"
#include "settings/xdg_paths.h"

namespace dovrik {

namespace {

constexpr size_t kLargestTextFile = 1 << 20;  // bytes

std::string PlayingTime(int64_t samples) {
  const int64_t seconds = (samples + kSampleRate / 2) / kSampleRate;
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(seconds / 60),
                static_cast<long long>(seconds % 60));
  return text;
}

// The whole of a small text file, or std::nullopt with the reason.
std::optional<std::string> ReadTextFile(const std::string& path, std::string& error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = "cannot read \"" + path + "\": " + std::strerror(errno);
    return std::nullopt;
  }
  std::string text;
  char piece[65536];
  while (file.read(piece, sizeof piece) || file.gcount() > 0) {
    text.append(piece, static_cast<size_t>(file.gcount()));
    if (text.size() > kLargestTextFile) {
      error = "\"" + path + "\" is larger than 1 MiB; it is no copy of a lesson";
      return std::nullopt;
    }
  }
  if (file.bad()) {
    error = "cannot read \"" + path + "\": " + std::strerror(errno);
    return std::nullopt;
  }
  return text;
}

void AppendJsonString(std::string& json, std::string_view text) {
  json += '"';
  for (const char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      json += '\\';
      json += c;
    } else if (byte < 0x20 || byte >= 0x7f) {
      // Bytes outside printable ASCII, one by one (the scoring counts bytes).
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      json += escaped;
    } else {
      json += c;
    }
  }
  json += '"';
}

std::string Percent(double score) {
  char text[16];
  std::snprintf(text, sizeof text, "%.1f %%", score * 100.0);
  return text;
}

std::string Plural(int count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

int RunLessonFileCommand(const PracticeFileOptions& options, Clock& clock, std::FILE* out,
                         std::FILE* errors) {
  const std::string settingsPath = SettingsFilePath();
  LessonSettings settings =
      ReadLessonSettings(settingsPath.empty() ? SettingsFile() : SettingsFile::Load(settingsPath));
  if (options.charWpm) settings.charWpm = *options.charWpm;
  if (options.effectiveWpm) {
    settings.effectiveWpm = *options.effectiveWpm;
  } else if (settings.effectiveWpm > settings.charWpm) {
    settings.effectiveWpm = settings.charWpm;  // the setting cannot outrun a slower C asked for
  }
  if (options.minutes) settings.minutes = *options.minutes;

  const std::optional<CharacterSet> set = LessonCharacterSet(options.lesson.value_or(0));
  std::string error;
  const std::optional<LessonTiming> timing =
      FarnsworthTiming(settings.charWpm, settings.effectiveWpm, &error);
  if (!set || !timing) {
    std::fprintf(errors, "dovrik: %s\n", set ? error.c_str() : "the lesson must be 1 to 38");
    return kUsageErrorStatus;
  }
  const std::string nameProblem = SoundFileNameProblem(options.path);
  if (!nameProblem.empty()) {
    std::fprintf(errors, "dovrik: %s\n", nameProblem.c_str());
    return 1;
  }

  const uint32_t seed = options.seed ? *options.seed : clock.NowMs();
  TextRequest request;
  request.set = *set;
  request.groups = settings.groups;
  request.minutes = settings.minutes;
  request.timing = *timing;
  request.seed = seed;
  const std::string text = GenerateLessonText(request);
  const LessonFileResult result = WriteLessonFile(options.path, text, settings, *timing, seed);
  if (!result.written) {
    std::fprintf(errors, "dovrik: %s\n", result.error.c_str());
    return 1;
  }
  std::fprintf(out, "Wrote %s (lesson %d: %s, %d/%d WPM, %s) and its answer key %s\n",
               options.path.c_str(), set->lesson, set->characters.c_str(), settings.charWpm,
               settings.effectiveWpm, PlayingTime(result.samples).c_str(),
               result.answerKeyPath.c_str());
  return 0;
}

std::string ScoreJson(const CopyScore& score, int lesson, bool passed, bool saved) {
  std::string json = "{";
  char number[64];
  std::snprintf(number, sizeof number, "%.6g", score.score);
  json += "\"score\":" + std::string(number);
  json += ",\"errors\":" + std::to_string(score.errors);
  json += ",\"sent_length\":" + std::to_string(score.sentLength);
  json += ",\"substitutions\":" + std::to_string(score.substitutions);
  json += ",\"insertions\":" + std::to_string(score.insertions);
  json += ",\"deletions\":" + std::to_string(score.deletions);
  json += ",\"per_char\":{";
  for (size_t k = 0; k < score.perCharacter.size(); ++k) {
    const CopyScore::CharacterCount& count = score.perCharacter[k];
    if (k > 0) json += ',';
    AppendJsonString(json, std::string(1, count.character));
    json += ":{\"sent\":" + std::to_string(count.sent) +
            ",\"right\":" + std::to_string(count.right) + "}";
  }
  json += "},\"confusions\":[";
  for (size_t k = 0; k < score.confusions.size(); ++k) {
    const CopyScore::Confusion& confusion = score.confusions[k];
    if (k > 0) json += ',';
    json += '[';
    AppendJsonString(json, std::string(1, confusion.sent));
    json += ',';
    AppendJsonString(json, std::string(1, confusion.typed));
    json += ',' + std::to_string(confusion.count) + ']';
  }
  json += "],\"aligned_sent\":";
  AppendJsonString(json, score.alignedSent);
  json += ",\"aligned_typed\":";
  AppendJsonString(json, score.alignedTyped);
  json += ",\"markers\":";
  AppendJsonString(json, score.markers);
  if (lesson > 0) {
    json += ",\"lesson\":" + std::to_string(lesson);
    json += std::string(",\"passed\":") + (passed ? "true" : "false");
  }
  json += std::string(",\"saved\":") + (saved ? "true" : "false");
  json += "}\n";
  return json;
}

std::string ScoreText(const CopyScore& score, int width) {
  std::string text =
      "Score " + Percent(score.score) + ": " + Plural(score.errors, "error", "errors") + " in " +
      Plural(score.sentLength, "character", "characters") + " sent (" +
      std::to_string(score.substitutions) + " wrong, " + std::to_string(score.insertions) +
      " extra, " + std::to_string(score.deletions) + " missed)\n";
  if (!score.markers.empty()) {
    text +=
        "\nUnder each error: x wrong, + extra (not sent), - missed (not copied);\n"
        "_ stands where the other line has a character.\n";
    const size_t step = static_cast<size_t>(std::max(width, 10));
    for (size_t at = 0; at < score.markers.size(); at += step) {
      text += "\nSent   " + score.alignedSent.substr(at, step) + "\n";
      text += "Copy   " + score.alignedTyped.substr(at, step) + "\n";
      std::string markers = score.markers.substr(at, step);
      markers.erase(markers.find_last_not_of(' ') + 1);
      text += "       " + markers + "\n";
    }
  }
  if (!score.perCharacter.empty()) {
    text += "\nRight of sent:";
    for (const CopyScore::CharacterCount& count : score.perCharacter) {
      text += "  " + std::string(1, count.character) + " " + std::to_string(count.right) + "/" +
              std::to_string(count.sent);
    }
    text += "\n";
  }
  if (!score.confusions.empty()) {
    text += "Confusions:";
    for (const CopyScore::Confusion& confusion : score.confusions) {
      text += "  " + std::string(1, confusion.sent) + " copied as " +
              std::string(1, confusion.typed) + " (" + std::to_string(confusion.count) + ")";
    }
    text += "\n";
  }
  return text;
}

int RunScoreCopyCommand(const ScoreCopyOptions& options, const std::string& historyPath,
                        int64_t nowUtcMs, std::FILE* out, std::FILE* errors) {
  std::string error;
  const std::optional<std::string> key = ReadTextFile(options.keyPath, error);
  const std::optional<std::string> copy =
      key ? ReadTextFile(options.copyPath, error) : std::nullopt;
  if (!key || !copy) {
    std::fprintf(errors, "dovrik: %s\n", error.c_str());
    return kUsageErrorStatus;
  }
  const size_t longest = std::max(NormaliseCopy(*key).size(), NormaliseCopy(*copy).size());
  if (longest > kLongestScoredText) {
    std::fprintf(errors, "dovrik: a text of %zu characters is too long to score (at most %zu)\n",
                 longest, kLongestScoredText);
    return kUsageErrorStatus;
  }
  std::optional<CharacterSet> set;
  if (options.lesson) {
    set = LessonCharacterSet(*options.lesson);
    if (!set) {
      std::fprintf(errors, "dovrik: the lesson must be 1 to 38\n");
      return kUsageErrorStatus;
    }
  }

  const CopyScore score = ScoreCopy(*key, *copy);
  if (!set) {
    // No lesson: the set is what the key holds, in the order it comes.
    set = CharacterSet{};
    for (const char c : score.sent) {
      if (c != ' ' && set->characters.find(c) == std::string::npos) set->characters += c;
    }
  }
  const PromotionVerdict verdict = JudgeAttempt(score, set->newest);

  // The history: the speeds and minutes of a copy made elsewhere are not
  // known, and are kept as 0.
  Attempt attempt = MakeAttempt(score, *set, "file", 0, 0, 0, nowUtcMs);
  HistoryStore store =
      historyPath.empty() ? HistoryStore::OpenDefault() : HistoryStore::Open(historyPath);
  std::string historyError;
  bool saved = false;
  if (!store.Usable()) {
    historyError = store.Problem();
  } else if (!store.Add(attempt, &historyError)) {
    // The reason already names the file.
  } else {
    saved = true;
  }

  if (options.json) {
    std::fputs(ScoreJson(score, set->lesson, verdict.passed, saved).c_str(), out);
  } else {
    std::string text = ScoreText(score);
    if (set->lesson > 0) {
      text += "\nLesson " + std::to_string(set->lesson) + ": ";
      if (verdict.passed) {
        text += "passed";
        if (set->lesson < kLastLesson)
          text += "; lesson " + std::to_string(set->lesson + 1) + " is next";
        text += "\n";
      } else {
        text += "not passed (";
        if (!verdict.scoreEnough) text += "the score is under 90 %";
        if (!verdict.scoreEnough && !verdict.newestEnough) text += "; ";
        if (!verdict.newestEnough) {
          text += std::string(1, set->newest) + " was right " +
                  std::to_string(verdict.newestRight) + " times of " +
                  std::to_string(verdict.newestSent) + ", under 90 %";
        }
        text += ")\n";
      }
    }
    if (saved) text += "Recorded in " + store.Path() + "\n";
    std::fputs(text.c_str(), out);
  }
  std::fflush(out);
  if (!saved) {
    std::fprintf(errors, "dovrik: %s\n", historyError.c_str());
    return 1;
  }
  return 0;
}

}  // namespace dovrik
