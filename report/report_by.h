// The report's rows grouped by day, month or year (from the day files) or by hour or five minutes
// (from the slot files), the bytes not placed in time, and the groups with the most traffic.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "history/slot_reading.h"
#include "history/statistic_data.h"
#include "report/report_options.h"

namespace tral::report {

// A group as a count of groups from a fixed start (days since 1970-01-01, months and years since
// the year 0, hours and slots since midnight of 1970-01-01): one apart from a group to the next.
std::int64_t GroupOrdinal(Grouping by, const CivilDate& date, std::uint32_t minuteOfDay = 0);
// The first day of a group.
CivilDate GroupFirstDate(Grouping by, std::int64_t ordinal);
// When a group begins: "2026", "2026-01", "2026-01-30", or for hours and slots
// "2026-01-30T13:05" (with a blank for the "T" when not `iso`).
std::string GroupStartText(Grouping by, std::int64_t ordinal, bool iso = true);

struct GroupFigures {
  std::int64_t ordinal = 0;
  std::vector<StatisticRow> rows;  // per connection, in order of first appearance in the group
};

// A day's bytes that are in its day file but in no slot, per connection.
struct NotPlacedFigures {
  CivilDate date;
  std::vector<StatisticRow> rows;
};

struct GroupedFigures {
  Grouping by = Grouping::kDay;
  // Days, months and years with a day file; hours and slots with traffic. Ascending.
  std::vector<GroupFigures> groups;
  // Which groups the report lists, in its order: all of them ascending, or with --top the ones
  // with the most traffic, the most first.
  std::vector<std::size_t> listed;
  std::optional<std::size_t> top;
  std::vector<NotPlacedFigures> notPlaced;  // hours and slots: each day with bytes in no slot
};

// Keeps only the `count` groups with the most traffic (downloaded and uploaded) in the listing,
// the most first; of groups with the same traffic the earlier first.
void KeepTop(GroupedFigures& grouped, std::size_t count);

// Sums groups while the report reads its span date by date: the entries of a day file (days,
// months, years) or a day's slots (hours, slots), then the end of each date.
class GroupCounter {
 public:
  GroupCounter(Grouping by, DayFileSource& files, TextEqualIgnoringCase equal);

  // Whether the groups come from the slot files.
  bool FromSlots() const { return by_ == Grouping::kHour || by_ == Grouping::kFiveMinutes; }
  // An entry the report counts.
  void AddEntry(const CivilDate& date, const DayEntryView& entry);
  // A folder's day with its slots, its connections those the report counts.
  void AddTimedDay(const TimedDay& day);
  // Every folder's file of `date` has been read (the date has a file).
  void EndDate(const CivilDate& date);
  GroupedFigures Finish();

 private:
  void FlushDayGroup();

  Grouping by_;
  DayFileSource& files_;
  TextEqualIgnoringCase equal_;
  GroupedFigures grouped_;
  std::optional<std::int64_t> current_;  // the group of day-file entries being summed
  CStatisticData group_;
  std::map<std::uint16_t, CStatisticData> buckets_;  // the date's hours or slots being summed
  CStatisticData notPlaced_;  // the date's bytes in no slot
};

}  // namespace tral::report
