// Counting a report with the statistics' aggregation.
#include "report/report_data.h"

#include <algorithm>

namespace tral::report {

namespace {

std::vector<StatisticRow> RowsOf(const CStatisticData& data) {
  std::vector<StatisticRow> rows;
  rows.reserve(data.RowCount());
  for (std::size_t i = 0; i < data.RowCount(); ++i) rows.push_back(data.Row(i));
  return rows;
}

void AddTo(CStatisticData& data, const DayEntryView& entry) {
  data.AddEntry(entry.adapterKey, entry.ipText, entry.bssid, entry.ssid, entry.rxBytes, entry.txBytes);
}

}  // namespace

Totals SumRows(const std::vector<StatisticRow>& rows) {
  Totals t;
  for (const StatisticRow& row : rows) {
    t.downloadedBytes += row.downloadedBytes;
    t.uploadedBytes += row.uploadedBytes;
    t.downloadedKb += row.downloadedKb;
    t.uploadedKb += row.uploadedKb;
  }
  return t;
}

ReportFigures CountReport(DayFileSource& files, TextEqualIgnoringCase equal, const DateSpan& span, bool daily,
                          const CivilDate* today, const EntryFilter& accept) {
  ReportFigures figures;
  figures.span = span;
  figures.daily = daily;
  CStatisticData data(files, equal);
  CStatisticData day(files, equal);
  // One pass over the span's files: each entry goes into the span's rows and, when daily, into
  // its day's rows.
  SpanReader reader(files);
  reader.Read(
      span.first, span.last, [&](const CivilDate&) { day.Clear(); },
      [&](const DayEntryView& entry) {
        if (accept && !accept(entry)) return;
        AddTo(data, entry);
        if (daily) AddTo(day, entry);
      },
      [&](const CivilDate& date, const DayReadResult& result) {
        data.NoteDay(date, result);
        if (!result.problem.empty()) figures.problems[date] = result.problem;
        if (!daily || result.outcome == DayReadOutcome::kMissing) return;
        day.NoteDay(date, result);
        figures.days.push_back(DayFigures{date, RowsOf(day), day.UptimeMs()});
      });
  figures.rows = RowsOf(data);
  figures.uptimeMs = data.UptimeMs();
  figures.damaged = data.DamagedDays();
  figures.unreadable = data.UnreadableDays();
  if (today) {
    CStatisticData todayData(files, equal);
    const DayReadResult result = reader.ReadOne(*today, [&](const DayEntryView& entry) {
      if (!accept || accept(entry)) AddTo(todayData, entry);
    });
    todayData.NoteDay(*today, result);
    if (!result.problem.empty()) figures.problems[*today] = result.problem;
    // Today's file outside the span is named too when it cannot be counted whole.
    if (*today < span.first || span.last < *today) {
      for (const CivilDate& date : todayData.DamagedDays()) figures.damaged.push_back(date);
      for (const CivilDate& date : todayData.UnreadableDays()) figures.unreadable.push_back(date);
      std::sort(figures.damaged.begin(), figures.damaged.end());
      std::sort(figures.unreadable.begin(), figures.unreadable.end());
    }
    figures.hasToday = true;
    figures.today = *today;
    figures.todayRows = RowsOf(todayData);
    figures.todayUptimeMs = todayData.UptimeMs();
  }
  return figures;
}

}  // namespace tral::report
