// Counting a report with the statistics' aggregation, over one folder of day files or several.
#include "report/report_data.h"

#include <algorithm>
#include <utility>

#include "shared/saturating_sum.h"

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

// Which folder holds a file of which date: each folder's listing within the span, or every date of
// the span for a folder that cannot be listed; ascending by date, then by folder.
std::vector<std::pair<CivilDate, std::size_t>> FilesToRead(const std::vector<DayFolder>& folders, const DateSpan& span) {
  std::vector<std::pair<CivilDate, std::size_t>> reads;
  std::vector<CivilDate> listed;
  for (std::size_t i = 0; i < folders.size(); ++i) {
    if (folders[i].files->ListDayFiles(listed)) {
      for (const CivilDate& date : listed) {
        if (!(date < span.first) && !(span.last < date)) reads.emplace_back(date, i);
      }
      continue;
    }
    for (CivilDate date = span.first;;) {
      reads.emplace_back(date, i);
      const CivilDate next = AddDays(date, 1);
      // The second test stops at the end of the representable years instead of wrapping around.
      if (span.last < next || !(date < next)) break;
      date = next;
    }
  }
  // A file system that tells letter case apart may list "....bin" and "....BIN" of one date;
  // reading by date opens one of them once.
  std::sort(reads.begin(), reads.end());
  reads.erase(std::unique(reads.begin(), reads.end()), reads.end());
  return reads;
}

// A file that ended early or could not be read, into the list of its kind.
void NoteFileProblem(std::vector<FileProblem>& damaged, std::vector<FileProblem>& unreadable, const std::string& file,
                     const CivilDate& date, const DayReadResult& result) {
  if (result.outcome != DayReadOutcome::kDamaged && result.outcome != DayReadOutcome::kUnreadable) return;
  (result.outcome == DayReadOutcome::kDamaged ? damaged : unreadable).push_back(FileProblem{date, file, result.problem});
}

void NoteProblem(ReportFigures& figures, const DayFolder& folder, const CivilDate& date, const DayReadResult& result) {
  NoteFileProblem(figures.damaged, figures.unreadable, folder.prefix + DayFileName(date), date, result);
}

std::string ConnectionText(const StatisticRow& row) {
  std::string text = "the connection ";
  text.append(row.adapterKey.view()).append(" ").append(row.ipText.view());
  if (!row.bssid.empty()) text.append(" ").append(row.bssid.view());
  if (!row.ssid.empty()) text.append(" \"").append(row.ssid.view()).append("\"");
  return text;
}

void AddSaturated(std::vector<SaturatedSum>& sums, const std::vector<StatisticRow>& rows, const std::string& days) {
  for (const StatisticRow& row : rows) {
    if (row.saturated) sums.push_back(SaturatedSum{ConnectionText(row), days});
  }
  if (SumRows(rows).saturated) sums.push_back(SaturatedSum{"the total of the connections", days});
}

}  // namespace

DayReadOutcome WorseOutcome(DayReadOutcome a, DayReadOutcome b) {
  const auto rank = [](DayReadOutcome o) {
    switch (o) {
      case DayReadOutcome::kMissing: return 0;
      case DayReadOutcome::kComplete: return 1;
      case DayReadOutcome::kDamaged: return 2;
      case DayReadOutcome::kUnreadable: return 3;
    }
    return 0;
  };
  return rank(a) >= rank(b) ? a : b;
}

Totals SumRows(const std::vector<StatisticRow>& rows) {
  Totals t;
  for (const StatisticRow& row : rows) {
    const bool capped = AddSaturating(t.downloadedBytes, row.downloadedBytes) |
                        AddSaturating(t.uploadedBytes, row.uploadedBytes) |
                        AddSaturating(t.downloadedKb, row.downloadedKb) | AddSaturating(t.uploadedKb, row.uploadedKb);
    t.saturated = t.saturated || capped;
  }
  return t;
}

ReportFigures CountReport(const std::vector<DayFolder>& folders, TextEqualIgnoringCase equal, const DateSpan& span,
                          bool daily, const CivilDate* today, const EntryFilter& accept, std::optional<Grouping> by) {
  ReportFigures figures;
  figures.span = span;
  for (const DayFolder& folder : folders) figures.folders.push_back(folder.name);
  figures.daily = daily;
  if (folders.empty()) return figures;
  CStatisticData data(*folders.front().files, equal);
  CStatisticData day(*folders.front().files, equal);
  std::vector<SpanReader> readers;
  for (const DayFolder& folder : folders) readers.emplace_back(*folder.files);
  std::optional<GroupCounter> groups;
  if (by) groups.emplace(*by, *folders.front().files, equal);
  // Hours and slots read each day file together with the slot file beside it.
  std::vector<TimedDayReader> timed;
  if (groups && groups->FromSlots()) {
    for (const DayFolder& folder : folders) timed.emplace_back(*folder.files);
  }
  // One pass over the span's files, date by date and within a date folder by folder: each entry
  // goes into the span's rows, the day's sum and, when daily, its day's rows.
  DaySum sum;
  const auto onEntry = [&](const DayEntryView& entry) {
    if (accept && !accept(entry)) return;
    AddTo(data, entry);
    const bool capped = AddSaturating(sum.rxBytes, entry.rxBytes) | AddSaturating(sum.txBytes, entry.txBytes);
    sum.saturated = sum.saturated || capped;
    if (daily) AddTo(day, entry);
    if (groups) groups->AddEntry(sum.date, entry);
  };
  const std::vector<std::pair<CivilDate, std::size_t>> reads = FilesToRead(folders, span);
  for (std::size_t k = 0; k < reads.size();) {
    const CivilDate date = reads[k].first;
    sum = DaySum{date};
    day.Clear();
    for (; k < reads.size() && reads[k].first == date; ++k) {
      const std::size_t folder = reads[k].second;
      DayReadResult result;
      if (timed.empty()) {
        result = readers[folder].ReadOne(date, onEntry);
      } else {
        const TimedDay timedDay = timed[folder].Read(date, accept, onEntry);
        result = timedDay.day;
        groups->AddTimedDay(timedDay);
        NoteFileProblem(figures.damagedSlots, figures.unreadableSlots, folders[folder].prefix + SlotFileName(date), date,
                        timedDay.slots);
      }
      data.NoteDay(date, result);
      if (daily) day.NoteDay(date, result);
      sum.outcome = WorseOutcome(sum.outcome, result.outcome);
      NoteProblem(figures, folders[folder], date, result);
    }
    if (sum.outcome == DayReadOutcome::kMissing) continue;  // listed, but gone by the time it was read
    figures.daySums.push_back(sum);
    if (daily) figures.days.push_back(DayFigures{date, RowsOf(day), day.UptimeMs()});
    if (groups) groups->EndDate(date);
  }
  if (groups) figures.grouped = groups->Finish();
  figures.uptimeMs = data.UptimeMs();
  figures.rows = data.TakeRows();
  if (today) {
    CStatisticData todayData(*folders.front().files, equal);
    const bool inSpan = !(*today < span.first) && !(span.last < *today);
    for (std::size_t i = 0; i < folders.size(); ++i) {
      const DayReadResult result = readers[i].ReadOne(*today, [&](const DayEntryView& entry) {
        if (!accept || accept(entry)) AddTo(todayData, entry);
      });
      todayData.NoteDay(*today, result);
      // Today's file outside the span is named too when it cannot be counted whole.
      if (!inSpan) NoteProblem(figures, folders[i], *today, result);
    }
    const auto byDate = [](const FileProblem& a, const FileProblem& b) { return a.date < b.date; };
    std::stable_sort(figures.damaged.begin(), figures.damaged.end(), byDate);
    std::stable_sort(figures.unreadable.begin(), figures.unreadable.end(), byDate);
    figures.hasToday = true;
    figures.today = *today;
    figures.todayRows = RowsOf(todayData);
    figures.todayUptimeMs = todayData.UptimeMs();
  }
  return figures;
}

ReportFigures CountReport(DayFileSource& files, TextEqualIgnoringCase equal, const DateSpan& span, bool daily,
                          const CivilDate* today, const EntryFilter& accept, std::optional<Grouping> by) {
  return CountReport(std::vector<DayFolder>{DayFolder{&files, {}, {}}}, equal, span, daily, today, accept, by);
}

std::vector<SaturatedSum> SaturatedSums(const ReportFigures& figures) {
  std::vector<SaturatedSum> sums;
  if (figures.daily) {
    for (const DayFigures& day : figures.days) AddSaturated(sums, day.rows, "on " + DateText(day.date));
  }
  if (figures.grouped) {
    for (const GroupFigures& group : figures.grouped->groups) {
      AddSaturated(sums, group.rows, "in " + GroupStartText(figures.grouped->by, group.ordinal));
    }
  }
  AddSaturated(sums, figures.rows, "from " + DateText(figures.span.first) + " to " + DateText(figures.span.last));
  if (figures.hasToday) AddSaturated(sums, figures.todayRows, "today (" + DateText(figures.today) + ")");
  return sums;
}

}  // namespace tral::report
