// The report's groups: --by and --top on the command line, the groups' starts, rows per hour from
// the slot files of several folders, the bytes not placed in time, and the busiest groups.
#include <gtest/gtest.h>

#include "report/report_by.h"
#include "report/report_data.h"
#include "support/slot_file_bytes.h"

namespace tral::report {
namespace {

using test::D;
using test::DayFileBytes;
using test::MemoryDayFiles;
using test::SlotFileBytes;

TEST(ReportBy, GroupingsAndTheirCountFromTheCommandLine) {
  const struct {
    std::vector<std::string> args;
    std::optional<Grouping> by;
    std::optional<std::size_t> top;
  } cases[] = {
      {{}, std::nullopt, std::nullopt},
      {{"--by", "day"}, Grouping::kDay, std::nullopt},
      {{"--by", "month", "--csv"}, Grouping::kMonth, std::nullopt},
      {{"--by", "year", "--json"}, Grouping::kYear, std::nullopt},
      {{"--by", "hour"}, Grouping::kHour, std::nullopt},
      {{"--by", "5min", "--top", "010"}, Grouping::kFiveMinutes, 10},  // decimal, never octal
      {{"--top", "3"}, Grouping::kDay, 3},  // the busiest days
      {{"--top", "1000000", "--by", "hour"}, Grouping::kHour, 1'000'000},
  };
  for (const auto& c : cases) {
    const ParseResult r = ParseReportOptions(c.args, D(2026, 3, 15));
    ASSERT_EQ(r.outcome, ParseOutcome::kRun) << r.message;
    EXPECT_EQ(r.options.by, c.by) << r.message;
    EXPECT_EQ(r.options.top, c.top);
  }
  const struct {
    std::vector<std::string> args;
    const char* mentions;
  } bad[] = {
      {{"--by", "Hour"}, "\"Hour\" is not day, month, year, hour or 5min"},
      {{"--by", "week"}, "\"week\" is not day"},
      {{"--by", ""}, "\"\" is not day"},
      {{"--top", "0"}, "\"0\" is not a number from 1 to 1000000"},
      {{"--top", "1000001"}, "1000001"},
      {{"--top", "-1"}, "--top"},
      {{"--top", "0x10"}, "\"0x10\""},
      {{"--top", " 3"}, "\" 3\""},
      {{"--by", "day", "--daily"}, "--daily"},
      {{"--top", "3", "--daily"}, "--daily"},
      {{"--by", "hour", "--prometheus"}, "--prometheus"},
      {{"--top", "3", "--plans", "p.ini"}, "--plans"},
  };
  for (const auto& b : bad) {
    const ParseResult r = ParseReportOptions(b.args, D(2026, 3, 15));
    EXPECT_EQ(r.outcome, ParseOutcome::kError) << b.args[0] << " " << b.args[1];
    EXPECT_NE(r.message.find(b.mentions), std::string::npos) << r.message;
  }
}

TEST(ReportBy, AGroupStartsAtItsFirstMomentAndTheNextFollowsIt) {
  const struct {
    Grouping by;
    CivilDate date;
    std::uint32_t minute;
    const char* start;
    const char* next;  // the group after it
  } cases[] = {
      {Grouping::kDay, D(2026, 2, 28), 0, "2026-02-28", "2026-03-01"},
      {Grouping::kMonth, D(2025, 12, 31), 0, "2025-12", "2026-01"},
      {Grouping::kYear, D(2026, 1, 30), 0, "2026", "2027"},
      {Grouping::kHour, D(2026, 1, 30), 13 * 60 + 59, "2026-01-30T13:00", "2026-01-30T14:00"},
      {Grouping::kHour, D(2026, 1, 31), 23 * 60, "2026-01-31T23:00", "2026-02-01T00:00"},
      {Grouping::kFiveMinutes, D(2026, 1, 30), 13 * 60 + 9, "2026-01-30T13:05", "2026-01-30T13:10"},
      {Grouping::kFiveMinutes, D(2024, 2, 29), 23 * 60 + 59, "2024-02-29T23:55", "2024-03-01T00:00"},
      // Before 1970 the counts are negative and still run forward.
      {Grouping::kFiveMinutes, D(1969, 12, 31), 23 * 60 + 55, "1969-12-31T23:55", "1970-01-01T00:00"},
      {Grouping::kHour, D(1601, 1, 1), 0, "1601-01-01T00:00", "1601-01-01T01:00"},
      {Grouping::kMonth, D(1601, 1, 1), 0, "1601-01", "1601-02"},
  };
  for (const auto& c : cases) {
    const std::int64_t ordinal = GroupOrdinal(c.by, c.date, c.minute);
    EXPECT_EQ(GroupStartText(c.by, ordinal), c.start);
    EXPECT_EQ(GroupStartText(c.by, ordinal + 1), c.next) << c.start;
  }
  EXPECT_EQ(GroupStartText(Grouping::kHour, GroupOrdinal(Grouping::kHour, D(2026, 1, 30), 60), false), "2026-01-30 01:00");
  EXPECT_EQ(GroupFirstDate(Grouping::kMonth, GroupOrdinal(Grouping::kMonth, D(2026, 1, 30))), D(2026, 1, 1));
}

struct Row {
  std::string start;
  std::string ip;
  std::uint64_t rx;
  std::uint64_t tx;

  friend bool operator==(const Row&, const Row&) = default;
};

std::vector<Row> ListedRows(const GroupedFigures& grouped) {
  std::vector<Row> rows;
  for (const std::size_t i : grouped.listed) {
    for (const StatisticRow& r : grouped.groups[i].rows) {
      rows.push_back({GroupStartText(grouped.by, grouped.groups[i].ordinal), r.ipText, r.downloadedBytes, r.uploadedBytes});
    }
  }
  return rows;
}

std::vector<Row> NotPlacedRows(const GroupedFigures& grouped) {
  std::vector<Row> rows;
  for (const NotPlacedFigures& day : grouped.notPlaced) {
    for (const StatisticRow& r : day.rows) rows.push_back({DateText(day.date), r.ipText, r.downloadedBytes, r.uploadedBytes});
  }
  return rows;
}

// Two folders of one machine's history: the same connection in both on 2026-01-31, in one hour.
struct TwoFolders {
  MemoryDayFiles a;
  MemoryDayFiles b;

  TwoFolders() {
    a.listable = b.listable = true;
    a.files[D(2026, 1, 31)] = DayFileBytes({{"K1", {{"10.0.0.5", "", "", 3000, 300}, {"10.0.0.6", "", "", 50, 0}}}}, 1);
    a.slotFiles[D(2026, 1, 31)] =
        SlotFileBytes({{"K1", "10.0.0.5", "", "", {{12, 1000, 100}, {23, 1000, 100}, {287, 500, 0}}}});
    b.files[D(2026, 1, 31)] = DayFileBytes({{"k1", {{"10.0.0.5", "", "", 700, 70}}}}, 1);
    b.slotFiles[D(2026, 1, 31)] = SlotFileBytes({{"k1", "10.0.0.5", "", "", {{13, 700, 70}}}});
    b.files[D(2026, 2, 1)] = DayFileBytes({{"K1", {{"10.0.0.5", "", "", 4096, 0}}}}, 1);  // no slot file
  }
  ReportFigures Count(Grouping by) {
    return CountReport({DayFolder{&a, "a", "a/"}, DayFolder{&b, "b", "b/"}}, AsciiEqualIgnoringCase,
                       DateSpan{D(2026, 1, 1), D(2026, 2, 28)}, false, nullptr, nullptr, by);
  }
};

TEST(ReportBy, HoursOfSeveralFoldersAreSummedAndWhatIsInNoSlotIsNamedPerDay) {
  TwoFolders folders;
  const struct {
    Grouping by;
    std::vector<Row> rows;
    std::vector<Row> notPlaced;
  } cases[] = {
      // 01:00 holds slot 12 of the first folder and 13 of the second (its key in another case).
      {Grouping::kHour,
       {{"2026-01-31T01:00", "10.0.0.5", 2700, 270}, {"2026-01-31T23:00", "10.0.0.5", 500, 0}},
       {{"2026-01-31", "10.0.0.5", 500, 100}, {"2026-01-31", "10.0.0.6", 50, 0}, {"2026-02-01", "10.0.0.5", 4096, 0}}},
      {Grouping::kFiveMinutes,
       {{"2026-01-31T01:00", "10.0.0.5", 1000, 100},
        {"2026-01-31T01:05", "10.0.0.5", 700, 70},
        {"2026-01-31T01:55", "10.0.0.5", 1000, 100},
        {"2026-01-31T23:55", "10.0.0.5", 500, 0}},
       {{"2026-01-31", "10.0.0.5", 500, 100}, {"2026-01-31", "10.0.0.6", 50, 0}, {"2026-02-01", "10.0.0.5", 4096, 0}}},
      // Days and months from the day files: every byte has its day.
      {Grouping::kDay,
       {{"2026-01-31", "10.0.0.5", 3700, 370}, {"2026-01-31", "10.0.0.6", 50, 0}, {"2026-02-01", "10.0.0.5", 4096, 0}},
       {}},
      {Grouping::kMonth, {{"2026-01", "10.0.0.5", 3700, 370}, {"2026-01", "10.0.0.6", 50, 0}, {"2026-02", "10.0.0.5", 4096, 0}},
       {}},
      {Grouping::kYear, {{"2026", "10.0.0.5", 7796, 370}, {"2026", "10.0.0.6", 50, 0}}, {}},
  };
  for (const auto& c : cases) {
    folders.a.slotsOpened.clear();
    const ReportFigures f = folders.Count(c.by);
    ASSERT_TRUE(f.grouped) << GroupingWord(c.by);
    EXPECT_EQ(ListedRows(*f.grouped), c.rows) << GroupingWord(c.by);
    EXPECT_EQ(NotPlacedRows(*f.grouped), c.notPlaced) << GroupingWord(c.by);
    // Slot files are read for hours and slots only.
    const bool slots = c.by == Grouping::kHour || c.by == Grouping::kFiveMinutes;
    EXPECT_EQ(folders.a.slotsOpened.size(), slots ? 1u : 0u) << GroupingWord(c.by);
  }
}

TEST(ReportBy, SlotFilesThatCannotBeReadWholeAreNamedWithTheirFolder) {
  TwoFolders folders;
  folders.a.slotFiles[D(2026, 1, 31)].resize(20);
  folders.b.unreadableSlots.insert(D(2026, 1, 31));
  const ReportFigures f = folders.Count(Grouping::kHour);
  ASSERT_EQ(f.damagedSlots.size(), 1u);
  EXPECT_EQ(f.damagedSlots[0].file, "a/20260131.slots");
  EXPECT_EQ(f.damagedSlots[0].why, "it ends inside the heading of connection 1 of 1");
  ASSERT_EQ(f.unreadableSlots.size(), 1u);
  EXPECT_EQ(f.unreadableSlots[0].file, "b/20260131.slots");
  EXPECT_TRUE(f.damaged.empty());
  // Nothing of that day is placed: both folders' bytes are named as not placed.
  EXPECT_EQ(NotPlacedRows(*f.grouped),
            (std::vector<Row>{{"2026-01-31", "10.0.0.5", 3700, 370}, {"2026-01-31", "10.0.0.6", 50, 0},
                              {"2026-02-01", "10.0.0.5", 4096, 0}}));
}

TEST(ReportBy, TheBusiestGroupsComeFirstAndTiesKeepTheirOrder) {
  GroupedFigures grouped;
  grouped.by = Grouping::kDay;
  const std::uint64_t traffic[] = {10, 30, 20, 30, 0};  // rx + tx of each day
  for (std::int64_t i = 0; i < 5; ++i) {
    StatisticRow row;
    row.downloadedBytes = traffic[i] / 2;
    row.uploadedBytes = traffic[i] - traffic[i] / 2;
    grouped.groups.push_back(GroupFigures{i, {row}});
    grouped.listed.push_back(static_cast<std::size_t>(i));
  }
  const struct {
    std::size_t top;
    std::vector<std::size_t> listed;
  } cases[] = {{1, {1}}, {3, {1, 3, 2}}, {5, {1, 3, 2, 0, 4}}, {9, {1, 3, 2, 0, 4}}};
  for (const auto& c : cases) {
    GroupedFigures g = grouped;
    KeepTop(g, c.top);
    EXPECT_EQ(g.listed, c.listed) << c.top;
    EXPECT_EQ(g.top, c.top);
  }
}

}  // namespace
}  // namespace tral::report
