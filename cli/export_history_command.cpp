#include "cli/export_history_command.h"

#include <cerrno>
#include <cstring>

#include "cli/command_line.h"
#include "config/replace_file.h"
#include "history/history_csv.h"
#include "history/history_store.h"

namespace dovrik {

int RunExportHistoryCommand(const std::string& file, std::FILE* out, std::FILE* errors) {
  const HistoryStore store = HistoryStore::OpenForReading(DefaultHistoryPath());
  if (!store.Usable()) {
    std::fprintf(errors, "dovrik: %s\n", store.Problem().c_str());
    return kUsageErrorStatus;
  }
  const std::vector<Attempt> attempts = store.Attempts();
  const std::string csv = HistoryCsv(attempts);

  if (file == "-") {
    if (std::fwrite(csv.data(), 1, csv.size(), out) != csv.size() || std::fflush(out) != 0) {
      std::fprintf(errors, "dovrik: cannot write the history to standard output: %s\n",
                   std::strerror(errno));
      return kUsageErrorStatus;
    }
    return 0;
  }
  errno = 0;
  if (!ReplaceFileContents(file, csv)) {
    std::fprintf(errors, "dovrik: cannot write %s: %s; nothing was written\n", file.c_str(),
                 errno != 0 ? std::strerror(errno) : "it is not a file that can be written");
    return kUsageErrorStatus;
  }
  size_t rows = 0;
  for (const Attempt& attempt : attempts) rows += attempt.perChar.size();
  std::fprintf(out, "Wrote %s: %zu rows from %zu attempts\n", file.c_str(), rows, attempts.size());
  return 0;
}

}  // namespace dovrik
