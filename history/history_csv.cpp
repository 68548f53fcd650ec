#include "history/history_csv.h"

#include <ctime>

namespace dovrik {

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

std::string IsoUtcTime(int64_t timeUtcMs) {
  // Whole seconds, rounded down also before 1970.
  int64_t seconds = timeUtcMs / 1000;
  if (timeUtcMs % 1000 < 0) --seconds;
  const std::time_t time = static_cast<std::time_t>(seconds);
  std::tm parts{};
  char text[32] = {};
  if (gmtime_r(&time, &parts) == nullptr ||
      std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts) == 0) {
    return {};
  }
  return text;
}

std::string HistoryCsv(const std::vector<Attempt>& attempts) {
  std::string csv = "time,exercise,lesson,char_wpm,effective_wpm,character,sent,right\r\n";
  for (const Attempt& attempt : attempts) {
    const std::string front = IsoUtcTime(attempt.timeUtcMs) + ',' + CsvField(attempt.exercise) +
                              ',' + std::to_string(attempt.lesson) + ',' +
                              std::to_string(attempt.charWpm) + ',' +
                              std::to_string(attempt.effectiveWpm) + ',';
    for (const CharCount& count : attempt.perChar) {
      csv += front + CsvField(count.character) + ',' + std::to_string(count.sent) + ',' +
             std::to_string(count.right) + "\r\n";
    }
  }
  return csv;
}

}  // namespace dovrik
