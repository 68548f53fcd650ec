#include "history/history_csv.h"

#include <gtest/gtest.h>

namespace dovrik {
namespace {

TEST(HistoryCsvTest, QuotesOnlyWhatMustBeQuotedAndRoundsTimesDown) {
  EXPECT_EQ(CsvField("K"), "K");
  EXPECT_EQ(CsvField("Ä"), "Ä");
  EXPECT_EQ(CsvField("a\"b"), "\"a\"\"b\"");
  EXPECT_EQ(CsvField("\r"), "\"\r\"");
  EXPECT_EQ(CsvField("\n"), "\"\n\"");
  EXPECT_EQ(CsvField(""), "");

  EXPECT_EQ(IsoUtcTime(0), "1970-01-01T00:00:00Z");
  EXPECT_EQ(IsoUtcTime(999), "1970-01-01T00:00:00Z");
  EXPECT_EQ(IsoUtcTime(-1), "1969-12-31T23:59:59Z") << "a millisecond before is the second before";
  EXPECT_EQ(IsoUtcTime(951'782'400'000), "2000-02-29T00:00:00Z");
}

}  // namespace
}  // namespace dovrik
