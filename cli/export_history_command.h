#pragma once

#include <cstdio>
#include <string>

namespace dovrik {

// `dovrik --export-history FILE`: the history at DefaultHistoryPath(), read
// without being created or changed, as CSV (HistoryCsv) to FILE, or to `out`
// when FILE is "-". A file is written whole or not at all (a temporary file
// renamed over it). A line on `out` names what was written to a file; a
// failure is one line on `errors`. Returns the exit status: 0 when exported,
// 2 when the history cannot be read or FILE cannot be written.
int RunExportHistoryCommand(const std::string& file, std::FILE* out, std::FILE* errors);

}  // namespace dovrik
