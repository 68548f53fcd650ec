#pragma once

// The history as CSV (RFC 4180): one row per character per attempt, under
// the header "time,exercise,lesson,char_wpm,effective_wpm,character,sent,right",
// each line ending in CR LF, fields quoted when they hold a comma, a quote or
// a line end. Attempts without per-character results give no rows.

#include <cstdint>
#include <string>
#include <vector>

#include "history/history_store.h"

namespace dovrik {

std::string HistoryCsv(const std::vector<Attempt>& attempts);

// One field, quoted when it has to be.
std::string CsvField(const std::string& text);

// ISO 8601 in UTC to the second, "2026-12-08T02:15:00Z".
std::string IsoUtcTime(int64_t timeUtcMs);

}  // namespace dovrik
