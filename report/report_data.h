// The figures of one report: the span's rows, optionally each day's, and today's, all counted by
// the statistics' aggregation.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "history/day_sums.h"
#include "history/statistic_data.h"
#include "report/report_options.h"

namespace tral::report {

struct DayFigures {
  CivilDate date;
  std::vector<StatisticRow> rows;
  std::uint64_t uptimeMs = 0;
};

struct ReportFigures {
  DateSpan span;
  std::vector<StatisticRow> rows;  // one per connection over the span, in order of first appearance
  std::uint64_t uptimeMs = 0;
  bool daily = false;
  std::vector<DayFigures> days;  // each day with a file, when daily
  bool hasToday = false;
  CivilDate today;
  std::vector<StatisticRow> todayRows;  // today's figures, when asked for
  std::uint64_t todayUptimeMs = 0;
  std::vector<CivilDate> damaged;  // day files that ended early, in date order
  std::vector<CivilDate> unreadable;  // day files that are there but could not be read, in date order
  std::map<CivilDate, std::string> problems;  // why each damaged or unreadable file is so
};

struct Totals {
  std::uint64_t downloadedBytes = 0;
  std::uint64_t uploadedBytes = 0;
  std::uint64_t downloadedKb = 0;
  std::uint64_t uploadedKb = 0;
};
Totals SumRows(const std::vector<StatisticRow>& rows);

// Counts the span (and each day with `daily`, and `today` when given) from `files`, the entries
// `accept` takes (all when null); the running time counts whatever the connections.
ReportFigures CountReport(DayFileSource& files, TextEqualIgnoringCase equal, const DateSpan& span, bool daily,
                          const CivilDate* today, const EntryFilter& accept = nullptr);

}  // namespace tral::report
