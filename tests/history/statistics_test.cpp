// Statistics aggregation: merging days into rows, damaged files, spans, sums and texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "history/statistic_data.h"
#include "support/day_file_bytes.h"

namespace tral {
namespace {

using test::DayEntry;
using test::DayFileBytes;
using test::DayGroup;
using test::MemoryDayFiles;

using test::D;

TEST(Statistics, AnEmptySpanGivesNoRowsAndZeroTexts) {
  MemoryDayFiles files;
  CStatisticData data(files);
  data.CountSpan(D(2009, 3, 1), D(2009, 3, 31));
  EXPECT_EQ(files.opened.size(), 31u);
  EXPECT_EQ(data.RowCount(), 0u);
  EXPECT_EQ(data.UptimeMs(), 0u);
  const StatisticSums sums = data.SumChecked();
  EXPECT_EQ(FormatSize(sums.downloadedKb), "0 KB ");
  EXPECT_EQ(FormatSize(sums.uploadedKb), "0 KB ");
  EXPECT_EQ(FormatUptime(data.UptimeMs()), "0 hours and 0 minutes");
}

TEST(Statistics, DaysMergeIntoOneRowWithKilobytesTruncatedPerEntry) {
  MemoryDayFiles files;
  for (int day = 1; day <= 3; ++day) {
    files.files[D(2009, 3, day)] = DayFileBytes({{"00-1A-2B-3C-4D-5E", {{"10.0.0.5", "", "", 1023, 2047}}}}, 1000);
  }
  CStatisticData data(files);
  data.CountSpan(D(2009, 3, 1), D(2009, 3, 3));
  ASSERT_EQ(data.RowCount(), 1u);
  EXPECT_EQ(data.Row(0).downloadedKb, 0u);  // 3 x 1,023 bytes: each day 0 KB
  EXPECT_EQ(data.Row(0).uploadedKb, 3u);  // 3 x 2,047 bytes: each day 1 KB, not 5
  EXPECT_EQ(data.Row(0).downloadedBytes, 3069u);  // the exact bytes lose nothing
  EXPECT_EQ(data.Row(0).uploadedBytes, 6141u);
  EXPECT_EQ(data.UptimeMs(), 3000u);
  EXPECT_TRUE(data.IsChecked(0));
}

TEST(Statistics, RowIdentityIsFourTextsIgnoringCase) {
  const struct {
    const char* what;
    DayGroup first;
    DayGroup second;
    std::size_t rows;
  } cases[] = {
      {"SSID differs in case", {"K1", {{"10.0.0.5", "B", "Home", 1024, 0}}},
       {"K1", {{"10.0.0.5", "B", "HOME", 2048, 0}}}, 1},
      {"BSSID and key in other case", {"aa-bb-cc-dd-ee-ff", {{"10.0.0.5", "00-0a-0b", "", 1024, 0}}},
       {"AA-BB-CC-DD-EE-FF", {{"10.0.0.5", "00-0A-0B", "", 2048, 0}}}, 1},
      {"adapter key differs", {"K1", {{"10.0.0.5", "B", "net", 1024, 0}}},
       {"K2", {{"10.0.0.5", "B", "net", 2048, 0}}}, 2},
      {"IP differs", {"K1", {{"10.0.0.5", "", "", 1024, 0}}}, {"K1", {{"10.0.0.6", "", "", 2048, 0}}}, 2},
      {"empty BSSID against a BSSID", {"K1", {{"10.0.0.5", "", "", 1024, 0}}},
       {"K1", {{"10.0.0.5", "00-11-22-33-44-55", "", 2048, 0}}}, 2},
      {"SSID differs beyond case", {"K1", {{"10.0.0.5", "", "home", 1024, 0}}},
       {"K1", {{"10.0.0.5", "", "work", 2048, 0}}}, 2},
  };
  for (const auto& c : cases) {
    MemoryDayFiles files;
    files.files[D(2009, 3, 13)] = DayFileBytes({c.first}, 0);
    files.files[D(2009, 3, 14)] = DayFileBytes({c.second}, 0);
    CStatisticData data(files);
    data.CountSpan(D(2009, 3, 13), D(2009, 3, 14));
    ASSERT_EQ(data.RowCount(), c.rows) << c.what;
    if (c.rows == 1) {
      EXPECT_EQ(data.Row(0).downloadedKb, 3u) << c.what;
      // The row keeps the letter case met first.
      EXPECT_EQ(data.Row(0).adapterKey, c.first.adapterKey) << c.what;
      EXPECT_EQ(data.Row(0).ssid, c.first.entries[0].ssid) << c.what;
      EXPECT_EQ(data.Row(0).bssid, c.first.entries[0].bssid) << c.what;
    } else {
      EXPECT_EQ(data.Row(0).downloadedKb, 1u) << c.what;
      EXPECT_EQ(data.Row(1).downloadedKb, 2u) << c.what;
    }
  }
}

TEST(Statistics, DamagedFilesKeepCompleteEntriesAddNoUptimeAndSayWhere) {
  // 4 + (30 + 2 x 91) + (30 + 91) + 4 = 341 bytes.
  const test::Bytes whole = DayFileBytes({{"K1", {{"10.0.0.1", "", "", 10240, 0}, {"10.0.0.2", "", "", 20480, 0}}},
                                          {"K2", {{"10.0.0.3", "", "", 30720, 0}}}},
                                         3600000);
  ASSERT_EQ(whole.size(), 341u);
  const struct {
    const char* what;
    std::size_t size;
    std::size_t rows;
    std::uint64_t uptime;
    DayReadOutcome outcome;
    const char* problem;
  } cases[] = {
      {"whole file", 341, 3, 3600000, DayReadOutcome::kComplete, ""},
      {"no running time field", 337, 3, 0, DayReadOutcome::kDamaged, "it ends before the running time"},
      {"running time cut to two bytes", 339, 3, 0, DayReadOutcome::kDamaged, "it ends before the running time"},
      {"cut in the middle of the last entry", 337 - 45, 2, 0, DayReadOutcome::kDamaged,
       "it ends inside connection 1 of 1 of adapter 2 of 2"},
      {"cut inside the second group's header", 4 + 30 + 182 + 10, 2, 0, DayReadOutcome::kDamaged,
       "it ends inside the heading of adapter 2 of 2"},
      {"cut in the middle of the first entry", 4 + 30 + 45, 0, 0, DayReadOutcome::kDamaged,
       "it ends inside connection 1 of 2 of adapter 1 of 2"},
      {"cut inside groupCount", 2, 0, 0, DayReadOutcome::kDamaged, "it ends before its count of adapters"},
      {"empty file", 0, 0, 0, DayReadOutcome::kDamaged, "it ends before its count of adapters"},
      // Nothing follows the running time in a day file: what does is not believed.
      {"one byte after the running time", 342, 3, 0, DayReadOutcome::kDamaged,
       "it has 1 more bytes after the running time"},
      {"a day run together with another", 341 + 341, 3, 0, DayReadOutcome::kDamaged,
       "it has 341 more bytes after the running time"},
  };
  for (const auto& c : cases) {
    MemoryDayFiles files;
    test::Bytes bytes = whole;
    while (bytes.size() < c.size) bytes.insert(bytes.end(), whole.begin(), whole.end());
    bytes.resize(c.size);
    files.files[D(2009, 3, 13)] = bytes;
    CStatisticData data(files);
    const DayReadResult result = data.CountDay(D(2009, 3, 13));
    EXPECT_EQ(result.outcome, c.outcome) << c.what;
    EXPECT_EQ(result.problem, c.problem) << c.what;
    EXPECT_EQ(data.RowCount(), c.rows) << c.what;
    EXPECT_EQ(data.UptimeMs(), c.uptime) << c.what;
    EXPECT_EQ(data.DamagedDays().size(), c.outcome == DayReadOutcome::kDamaged ? 1u : 0u) << c.what;
  }
  MemoryDayFiles none;
  CStatisticData data(none);
  EXPECT_EQ(data.CountDay(D(2009, 3, 13)).outcome, DayReadOutcome::kMissing);
}

TEST(Statistics, FilesOfZerosAreNoDays) {
  const struct {
    std::size_t size;
    DayReadOutcome outcome;
    const char* problem;
  } cases[] = {
      {8, DayReadOutcome::kComplete, ""},  // no adapter, a running time of 0: an empty day
      {9, DayReadOutcome::kDamaged, "it has 1 more bytes after the running time"},
      {4096, DayReadOutcome::kDamaged, "it has 4088 more bytes after the running time"},
  };
  for (const auto& c : cases) {
    MemoryDayFiles files;
    files.files[D(2009, 3, 13)] = test::Bytes(c.size, 0);
    CStatisticData data(files);
    const DayReadResult result = data.CountDay(D(2009, 3, 13));
    EXPECT_EQ(result.outcome, c.outcome) << c.size;
    EXPECT_EQ(result.problem, c.problem) << c.size;
    EXPECT_EQ(data.RowCount(), 0u) << c.size;
  }
}

// Sums stop at 2^64 - 1 instead of wrapping to a small number, in the rows, the days and the totals.
TEST(Statistics, SumsSaturateAtTheLargestNumberAndSaySo) {
  constexpr std::uint64_t kMax = 18446744073709551615ULL;
  constexpr std::uint64_t kHalf = 1ULL << 63;
  const struct {
    const char* what;
    std::vector<std::uint64_t> rxPerDay;  // one entry a day of one connection
    std::uint64_t bytes;
    std::uint64_t kb;
    bool saturated;
  } cases[] = {
      {"two days of 2^63 bytes", {kHalf, kHalf}, kMax, 2 * (kHalf >> 10), true},
      {"the largest number and one byte", {kMax, 1}, kMax, kMax >> 10, true},
      {"just fitting", {kMax - 1, 1}, kMax, (kMax - 1) >> 10, false},
      {"the largest number on each of three days", {kMax, kMax, kMax}, kMax, 3 * (kMax >> 10), true},
  };
  for (const auto& c : cases) {
    MemoryDayFiles files;
    for (std::size_t d = 0; d < c.rxPerDay.size(); ++d) {
      files.files[D(2009, 3, 1 + static_cast<int>(d))] = DayFileBytes({{"K", {{"10.0.0.1", "", "", c.rxPerDay[d], 0}}}}, 1);
    }
    CStatisticData data(files);
    data.CountSpan(D(2009, 3, 1), D(2009, 3, 31));
    ASSERT_EQ(data.RowCount(), 1u) << c.what;
    EXPECT_EQ(data.Row(0).downloadedBytes, c.bytes) << c.what;
    EXPECT_EQ(data.Row(0).downloadedKb, c.kb) << c.what;
    EXPECT_EQ(data.Row(0).saturated, c.saturated) << c.what;
  }
  // Two entries of one connection within one day: the day's bytes of the row saturate too.
  MemoryDayFiles files;
  files.files[D(2009, 3, 1)] =
      DayFileBytes({{"K", {{"10.0.0.1", "", "", kHalf, 1}}}, {"k", {{"10.0.0.1", "", "", kHalf, 2}}}}, 1);
  CStatisticData data(files);
  data.CountSpan(D(2009, 3, 1), D(2009, 3, 1));
  ASSERT_EQ(data.Days().size(), 1u);
  ASSERT_EQ(data.Days()[0].rows.size(), 1u);
  EXPECT_EQ(data.Days()[0].rows[0].rxBytes, kMax);
  EXPECT_EQ(data.Days()[0].rows[0].txBytes, 3u);
  // The window's totals over rows of the largest kilobytes.
  data.AddRecord("A", "1", "", "", kMax, 1);
  data.AddRecord("B", "2", "", "", 1, 1);
  EXPECT_EQ(data.SumChecked().downloadedKb, kMax);
}

// Thousands of connections, each met again on a later day in another letter case and order: one
// row each, in order of first appearance, found however many rows there are.
TEST(Statistics, ManyConnectionsMergeByTheirTextsInAnyLetterCase) {
  constexpr int kConnections = 20000;
  std::vector<test::DayEntry> first;
  std::vector<test::DayEntry> again;
  for (int i = 0; i < kConnections; ++i) {
    const std::string ip = "10." + std::to_string(i / 65536) + "." + std::to_string(i / 256 % 256) + "." +
                           std::to_string(i % 256);
    first.push_back({ip, "", "net" + std::to_string(i % 7), 1024, 0});
    again.push_back({ip, "", "NET" + std::to_string(i % 7), 2048, 0});
  }
  std::reverse(again.begin(), again.end());
  again.push_back({"10.0.0.0", "", "net1", 4096, 0});  // another network of a known address: a new row
  MemoryDayFiles files;
  files.files[D(2009, 3, 1)] = DayFileBytes({{"aa-bb-cc-dd-ee-ff", first}}, 1);
  files.files[D(2009, 3, 2)] = DayFileBytes({{"AA-BB-CC-DD-EE-FF", again}}, 1);
  CStatisticData data(files);
  data.CountSpan(D(2009, 3, 1), D(2009, 3, 2));
  ASSERT_EQ(data.RowCount(), static_cast<std::size_t>(kConnections) + 1);
  for (std::size_t i = 0; i < data.RowCount() - 1; ++i) {
    ASSERT_EQ(data.Row(i).ipText, first[i].ip);
    ASSERT_EQ(data.Row(i).ssid, first[i].ssid);  // the letter case met first
    ASSERT_EQ(data.Row(i).downloadedKb, 3u) << i;
  }
  EXPECT_EQ(data.Row(kConnections).ssid, "net1");
  EXPECT_EQ(data.Row(kConnections).downloadedKb, 4u);
  EXPECT_EQ(data.Days()[1].rows.size(), static_cast<std::size_t>(kConnections) + 1);
}

TEST(Statistics, AFileThatCannotBeReadIsNamedNotTakenForAMissingDay) {
  MemoryDayFiles files;
  files.listable = true;
  files.files[D(2009, 3, 12)] = DayFileBytes({{"K1", {{"10.0.0.1", "", "", 2048, 0}}}}, 60'000);
  files.files[D(2009, 3, 13)] = DayFileBytes({{"K1", {{"10.0.0.1", "", "", 4096, 0}}}}, 60'000);
  files.unreadable.insert(D(2009, 3, 13));
  CStatisticData data(files);
  data.CountSpan(D(2009, 3, 1), D(2009, 3, 31));
  ASSERT_EQ(data.RowCount(), 1u);
  EXPECT_EQ(data.Row(0).downloadedKb, 2u);
  EXPECT_EQ(data.UptimeMs(), 60'000u);
  EXPECT_EQ(data.UnreadableDays(), std::vector<CivilDate>{D(2009, 3, 13)});
  EXPECT_TRUE(data.DamagedDays().empty());
  data.Clear();
  EXPECT_TRUE(data.UnreadableDays().empty());
}

TEST(Statistics, CountsThatPromiseTooMuchEndAtTheFirstShortRead) {
  test::Bytes huge = DayFileBytes({{"K1", {{"10.0.0.1", "", "", 1024, 0}}}}, 500);
  test::Poke32(huge, 0, 0xFFFFFFFFu);  // groupCount
  test::Bytes hugeEntries = DayFileBytes({{"K1", {{"10.0.0.1", "", "", 1024, 0}}}}, 500);
  test::Poke32(hugeEntries, 4 + 26, 0xFFFFFFFFu);  // entryCount
  for (const test::Bytes& bytes : {huge, hugeEntries}) {
    MemoryDayFiles files;
    files.files[D(2009, 3, 13)] = bytes;
    CStatisticData data(files);
    data.CountDay(D(2009, 3, 13));
    ASSERT_EQ(data.RowCount(), 1u);
    EXPECT_EQ(data.Row(0).downloadedKb, 1u);
    EXPECT_EQ(data.UptimeMs(), 0u);
  }
}

TEST(Statistics, UnterminatedTextsAreCutToTheRowWidths) {
  test::Bytes bytes = DayFileBytes({{"K", {{"1.1.1.1", "", "", 1024, 0}}}}, 0);
  std::memset(bytes.data() + 4, 'K', 26);  // adapter key without NUL
  std::memset(bytes.data() + 4 + 30 + 16 + 26, 'S', 33);  // SSID without NUL
  MemoryDayFiles files;
  files.files[D(2009, 3, 13)] = bytes;
  CStatisticData data(files);
  data.CountDay(D(2009, 3, 13));
  ASSERT_EQ(data.RowCount(), 1u);
  EXPECT_EQ(data.Row(0).adapterKey, std::string(25, 'K'));
  EXPECT_EQ(data.Row(0).ssid, std::string(32, 'S'));
}

TEST(Statistics, RowsKeepTextsUpToTheirWidthsAndMatchLongerOnesCut) {
  // Texts are kept inside the row: a text of exactly the width survives whole, a longer one is cut
  // there and then merges with it; bytes above 127 too.
  for (const char fill : {'T', '\xE9'}) {
    const std::string key(25, fill), ip(15, fill), bssid(25, fill), ssid(32, fill);
    MemoryDayFiles files;
    CStatisticData data(files);
    data.AddEntry(key, ip, bssid, ssid, 2048, 1024);
    data.AddEntry(key + "x", ip + "x", bssid + "x", ssid + "x", 1024, 0);
    ASSERT_EQ(data.RowCount(), 1u) << fill;
    const StatisticRow& row = data.Row(0);
    EXPECT_EQ((std::vector<std::string_view>{row.adapterKey, row.ipText, row.bssid, row.ssid}),
              (std::vector<std::string_view>{key, ip, bssid, ssid}));
    EXPECT_EQ(row.downloadedKb, 3u);
    EXPECT_EQ(data.RowOf(key + "yy", ip, bssid, ssid), std::optional<std::size_t>(0));
  }
}

TEST(Statistics, SpansWalkCalendarDatesBothEndsIncluded) {
  const struct {
    const char* what;
    CivilDate first;
    CivilDate last;
    std::vector<CivilDate> read;
  } cases[] = {
      {"one day", D(2009, 3, 13), D(2009, 3, 13), {D(2009, 3, 13)}},
      {"first after last reads the first only", D(2009, 3, 15), D(2009, 3, 13), {D(2009, 3, 15)}},
      {"across a year end", D(2008, 12, 30), D(2009, 1, 2),
       {D(2008, 12, 30), D(2008, 12, 31), D(2009, 1, 1), D(2009, 1, 2)}},
      {"across a leap day", D(2008, 2, 28), D(2008, 3, 1), {D(2008, 2, 28), D(2008, 2, 29), D(2008, 3, 1)}},
      {"no leap day in 2100", D(2100, 2, 28), D(2100, 3, 1), {D(2100, 2, 28), D(2100, 3, 1)}},
  };
  for (const auto& c : cases) {
    MemoryDayFiles files;
    CStatisticData data(files);
    data.CountSpan(c.first, c.last);
    EXPECT_EQ(files.opened, c.read) << c.what;
  }
}

TEST(Statistics, RowsInOrderOfFirstAppearanceAndUptimeIn64Bits) {
  MemoryDayFiles files;
  files.files[D(2009, 3, 13)] = DayFileBytes({{"B", {{"2", "", "", 0, 1024}}}}, 4000000000u);
  files.files[D(2009, 3, 14)] = DayFileBytes({{"A", {{"1", "", "", 1024, 0}}}, {"B", {{"2", "", "", 0, 1024}}}},
                                             4000000000u);
  files.files[D(2009, 3, 15)] = DayFileBytes({}, 1000);  // no traffic, running time only
  CStatisticData data(files);
  data.CountSpan(D(2009, 3, 13), D(2009, 3, 15));
  ASSERT_EQ(data.RowCount(), 2u);
  EXPECT_EQ(data.Row(0).adapterKey, "B");
  EXPECT_EQ(data.Row(0).uploadedKb, 2u);
  EXPECT_EQ(data.Row(1).adapterKey, "A");
  EXPECT_EQ(data.UptimeMs(), 8000001000ULL);

  data.Clear();
  EXPECT_EQ(data.RowCount(), 0u);
  EXPECT_EQ(data.UptimeMs(), 0u);
}

TEST(Statistics, SumsFollowTheCheckedRows) {
  MemoryDayFiles files;
  CStatisticData data(files);
  data.AddRecord("A", "1", "", "", 100, 1);
  data.AddRecord("B", "2", "", "", 20, 2);
  data.AddRecord("C", "3", "", "", 3, 4);
  data.AddRecord("a", "1", "", "", 1, 1);  // merges into A
  const struct {
    bool checked[3];
    std::uint64_t down;
    std::uint64_t up;
  } cases[] = {
      {{true, true, true}, 124, 8},
      {{false, true, true}, 23, 6},
      {{true, false, false}, 101, 2},
      {{false, false, false}, 0, 0},
  };
  for (const auto& c : cases) {
    for (std::size_t i = 0; i < 3; ++i) data.SetChecked(i, c.checked[i]);
    const StatisticSums sums = data.SumChecked();
    EXPECT_EQ(sums.downloadedKb, c.down);
    EXPECT_EQ(sums.uploadedKb, c.up);
  }
}

TEST(Statistics, SizeTexts) {
  const struct {
    std::uint64_t kb;
    const char* text;
  } cases[] = {
      {0, "0 KB "},
      {99999, "99999 KB "},
      {100000, "97 MB "},  // 100,000 / 1,024 = 97.6
      {99999999, "97656 MB "},
      {100000000, "95 GB "},  // / 1,048,576 = 95.4
      {99999999999ULL, "95367 GB "},
      {100000000000ULL, "93 TB "},  // / 1,073,741,824 = 93.1
      {18446744073709551615ULL, "17179869183 TB "},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatSize(c.kb), c.text) << c.kb;
}

TEST(Statistics, UptimeTexts) {
  const struct {
    std::uint64_t ms;
    const char* text;
  } cases[] = {
      {0, "0 hours and 0 minutes"},
      {59999, "0 hours and 0 minutes"},
      {60000, "0 hours and 1 minutes"},
      {3599999, "0 hours and 59 minutes"},
      {3600000, "1 hours and 0 minutes"},
      {97440000, "27 hours and 4 minutes"},
      {8000001000ULL, "2222 hours and 13 minutes"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatUptime(c.ms), c.text) << c.ms;
}

}  // namespace
}  // namespace tral
