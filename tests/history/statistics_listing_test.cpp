// Counting a span from the list of day files present gives what reading every date gives.
#include <gtest/gtest.h>

#include "history/statistic_data.h"
#include "support/day_file_bytes.h"

namespace tral {
namespace {

using test::DayFileBytes;
using test::MemoryDayFiles;

using test::D;

// Files over a year end and a leap day, connections that come and go, a damaged file, one far
// outside every span, a file of running time only.
MemoryDayFiles SampleFiles() {
  MemoryDayFiles files;
  files.files[D(2008, 12, 30)] =
      DayFileBytes({{"K1", {{"10.0.0.5", "", "", 5 * 1024, 1024}}}, {"K2", {{"10.0.1.7", "B1", "Home", 2048, 0}}}},
                   3'600'000);
  files.files[D(2008, 12, 31)] = DayFileBytes({{"K2", {{"10.0.1.7", "B1", "HOME", 4096, 3072}}}}, 60'000);
  files.files[D(2009, 1, 1)] = DayFileBytes({{"K1", {{"10.0.0.5", "", "", 1023, 0}}}}, 1'000);
  test::Bytes damaged = DayFileBytes({{"K3", {{"10.0.2.2", "", "", 8192, 0}, {"10.0.2.3", "", "", 1024, 0}}}}, 5);
  damaged.resize(damaged.size() - 50);  // the second entry cut short, no running time
  files.files[D(2009, 1, 2)] = damaged;
  files.files[D(2009, 2, 28)] = DayFileBytes({}, 777);
  files.files[D(2008, 2, 29)] = DayFileBytes({{"K4", {{"10.9.9.9", "", "", 1 << 20, 0}}}}, 9);
  files.files[D(1700, 6, 1)] = DayFileBytes({{"K5", {{"1.2.3.4", "", "", 4096, 4096}}}}, 11);
  return files;
}

struct Outcome {
  std::vector<StatisticRow> rows;
  std::uint64_t uptimeMs = 0;
  std::vector<CivilDate> opened;
};

Outcome Count(bool listable, const CivilDate& first, const CivilDate& last) {
  MemoryDayFiles files = SampleFiles();
  files.listable = listable;
  CStatisticData data(files);
  data.CountSpan(first, last);
  Outcome out;
  for (std::size_t i = 0; i < data.RowCount(); ++i) out.rows.push_back(data.Row(i));
  out.uptimeMs = data.UptimeMs();
  out.opened = files.opened;
  return out;
}

TEST(StatisticsListing, SpansGiveTheSameRowsAndRunningTimeAsReadingEveryDate) {
  const struct {
    const char* what;
    CivilDate first;
    CivilDate last;
    std::vector<CivilDate> opened;  // by the listing: the files of the span only, ascending
  } cases[] = {
      {"across the year end", D(2008, 12, 29), D(2009, 1, 3),
       {D(2008, 12, 30), D(2008, 12, 31), D(2009, 1, 1), D(2009, 1, 2)}},
      {"ends on files", D(2008, 12, 31), D(2009, 1, 1), {D(2008, 12, 31), D(2009, 1, 1)}},
      {"one day", D(2009, 1, 2), D(2009, 1, 2), {D(2009, 1, 2)}},
      {"first after last reads the first only", D(2009, 1, 1), D(2008, 12, 30), {D(2009, 1, 1)}},
      {"no file in the span", D(2009, 1, 3), D(2009, 2, 27), {}},
      {"over the leap day", D(2008, 2, 28), D(2008, 3, 1), {D(2008, 2, 29)}},
      {"a year and some", D(2008, 1, 1), D(2009, 3, 1),
       {D(2008, 2, 29), D(2008, 12, 30), D(2008, 12, 31), D(2009, 1, 1), D(2009, 1, 2), D(2009, 2, 28)}},
  };
  for (const auto& c : cases) {
    const Outcome byDate = Count(false, c.first, c.last);
    const Outcome listed = Count(true, c.first, c.last);
    EXPECT_EQ(listed.opened, c.opened) << c.what;
    ASSERT_EQ(listed.rows.size(), byDate.rows.size()) << c.what;
    for (std::size_t i = 0; i < listed.rows.size(); ++i) {
      EXPECT_EQ(listed.rows[i].adapterKey, byDate.rows[i].adapterKey) << c.what << " row " << i;
      EXPECT_EQ(listed.rows[i].ssid, byDate.rows[i].ssid) << c.what << " row " << i;
      EXPECT_EQ(listed.rows[i].downloadedKb, byDate.rows[i].downloadedKb) << c.what << " row " << i;
      EXPECT_EQ(listed.rows[i].uploadedKb, byDate.rows[i].uploadedKb) << c.what << " row " << i;
    }
    EXPECT_EQ(listed.uptimeMs, byDate.uptimeMs) << c.what;
  }
}

TEST(StatisticsListing, TheYearEndSpanSumsAsWorkedOutByHand) {
  const Outcome out = Count(true, D(2008, 12, 29), D(2009, 1, 3));
  ASSERT_EQ(out.rows.size(), 3u);
  // K1: 5 KB + 1,023 bytes (0 KB); K2 merges "Home" and "HOME": 2 + 4 KB, 0 + 3 KB; K3: the one
  // complete entry of the damaged file.
  EXPECT_EQ(out.rows[0].adapterKey, "K1");
  EXPECT_EQ(out.rows[0].downloadedKb, 5u);
  EXPECT_EQ(out.rows[0].uploadedKb, 1u);
  EXPECT_EQ(out.rows[1].ssid, "Home");
  EXPECT_EQ(out.rows[1].downloadedKb, 6u);
  EXPECT_EQ(out.rows[1].uploadedKb, 3u);
  EXPECT_EQ(out.rows[2].adapterKey, "K3");
  EXPECT_EQ(out.rows[2].downloadedKb, 8u);
  EXPECT_EQ(out.uptimeMs, 3'600'000u + 60'000u + 1'000u);  // the damaged day adds none
}

TEST(StatisticsListing, ASpanOfCenturiesOpensOnlyTheFilesInIt) {
  // Every day from 1601 to 9999 read one by one would be over three million opens.
  const Outcome out = Count(true, D(1601, 1, 1), D(9999, 12, 31));
  EXPECT_EQ(out.opened.size(), 7u);
  EXPECT_EQ(out.opened.front(), D(1700, 6, 1));
  ASSERT_EQ(out.rows.size(), 5u);
  EXPECT_EQ(out.rows[0].adapterKey, "K5");  // the oldest day's connection comes first
  EXPECT_EQ(out.uptimeMs, 11u + 9u + 3'600'000u + 60'000u + 1'000u + 777u);
}

TEST(StatisticsListing, ListedFilesThatCannotBeOpenedAddNothing) {
  // The service holds today's file while it writes it: listed, but the open fails.
  MemoryDayFiles files = SampleFiles();
  files.listable = true;
  files.extraListed = {D(2009, 1, 1), D(2009, 1, 5)};  // a duplicate and a file held open
  CStatisticData data(files);
  data.CountSpan(D(2009, 1, 1), D(2009, 1, 31));
  EXPECT_EQ(files.opened, (std::vector<CivilDate>{D(2009, 1, 1), D(2009, 1, 2), D(2009, 1, 5)}));
  ASSERT_EQ(data.RowCount(), 2u);
  EXPECT_EQ(data.UptimeMs(), 1'000u);
}

}  // namespace
}  // namespace tral
