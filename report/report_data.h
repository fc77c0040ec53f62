// The figures of one report: the span's rows, optionally each day's, and today's, all counted by
// the statistics' aggregation over the day files of one folder or several.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "history/day_sums.h"
#include "history/statistic_data.h"
#include "report/report_by.h"
#include "report/report_options.h"

namespace tral::report {

// A folder of day files to count: its files, its name as given, and the text put before a day
// file's name when one is named (empty for a report of one folder; the folder and a separator when
// there are several).
struct DayFolder {
  DayFileSource* files = nullptr;
  std::string name;
  std::string prefix;
};

struct DayFigures {
  CivilDate date;
  std::vector<StatisticRow> rows;
  std::uint64_t uptimeMs = 0;
};

// A day file that ended early or could not be read: its date, its name as the report names it,
// and why.
struct FileProblem {
  CivilDate date;
  std::string file;
  std::string why;

  friend bool operator==(const FileProblem&, const FileProblem&) = default;
};

struct ReportFigures {
  DateSpan span;
  std::vector<std::string> folders;  // the names of the folders counted, in the order given
  std::vector<StatisticRow> rows;  // one per connection over the span, in order of first appearance
  std::uint64_t uptimeMs = 0;  // over every folder
  bool daily = false;
  std::vector<DayFigures> days;  // each day with a file, when daily
  std::vector<DaySum> daySums;  // each day with a file: its bytes over the connections counted
  bool hasToday = false;
  CivilDate today;
  std::vector<StatisticRow> todayRows;  // today's figures, when asked for
  std::uint64_t todayUptimeMs = 0;
  std::vector<FileProblem> damaged;  // day files that ended early, in date order, then folder order
  std::vector<FileProblem> unreadable;  // day files that are there but could not be read
  std::optional<GroupedFigures> grouped;  // the rows by day, month, year, hour or slot, when asked for
  // Slot files read for hours and slots that ended early or could not be read: the bytes they do
  // not hold are not placed in time.
  std::vector<FileProblem> damagedSlots;
  std::vector<FileProblem> unreadableSlots;
};

// The sums of rows; each stops at the largest 64-bit number instead of wrapping.
struct Totals {
  std::uint64_t downloadedBytes = 0;
  std::uint64_t uploadedBytes = 0;
  std::uint64_t downloadedKb = 0;
  std::uint64_t uploadedKb = 0;
  bool saturated = false;  // a sum stopped there
};
Totals SumRows(const std::vector<StatisticRow>& rows);

// Counts the span (and each day with `daily`, the groups of `by`, and `today` when given) from the
// folders, the entries `accept` takes (all when null); the running time counts whatever the
// connections. The days of every folder are summed per connection, date by date; hours and slots
// read each day's slot file with its day file.
ReportFigures CountReport(const std::vector<DayFolder>& folders, TextEqualIgnoringCase equal, const DateSpan& span,
                          bool daily, const CivilDate* today, const EntryFilter& accept = nullptr,
                          std::optional<Grouping> by = std::nullopt);
// The same over one folder.
ReportFigures CountReport(DayFileSource& files, TextEqualIgnoringCase equal, const DateSpan& span, bool daily,
                          const CivilDate* today, const EntryFilter& accept = nullptr,
                          std::optional<Grouping> by = std::nullopt);

// A sum that reached the largest number: what it is the sum of, and over which days.
struct SaturatedSum {
  std::string what;  // "the connection ..." or "the total of the connections"
  std::string days;  // "from 2026-01-30 to 2026-02-03", "on 2026-02-01" or "today (2026-02-09)"
};
// Every sum of the figures that stopped at the largest number, in the order of the output. The
// texts hold the connections' texts as the day files have them.
std::vector<SaturatedSum> SaturatedSums(const ReportFigures& figures);

// The worse of two outcomes of one date's files: unreadable before damaged before complete.
DayReadOutcome WorseOutcome(DayReadOutcome a, DayReadOutcome b);

}  // namespace tral::report
