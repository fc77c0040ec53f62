// Counting a report with the statistics' aggregation.
#include "report/report_data.h"

#include <algorithm>
#include <optional>

namespace tral::report {

namespace {

// Keeps the last day file read, so that the day's own count reads what the span's count has just
// read instead of opening the file a second time.
class LastDayFileSource final : public DayFileSource {
 public:
  explicit LastDayFileSource(DayFileSource& files) : files_(files) {}

  bool ReadDayFile(const CivilDate& date, std::vector<std::uint8_t>& bytes) override {
    if (!(last_ && *last_ == date)) {
      last_ = date;
      present_ = files_.ReadDayFile(date, kept_);
    }
    bytes = kept_;
    return present_;
  }

 private:
  DayFileSource& files_;
  std::optional<CivilDate> last_;
  bool present_ = false;
  std::vector<std::uint8_t> kept_;
};

std::vector<StatisticRow> RowsOf(const CStatisticData& data) {
  std::vector<StatisticRow> rows;
  rows.reserve(data.RowCount());
  for (std::size_t i = 0; i < data.RowCount(); ++i) rows.push_back(data.Row(i));
  return rows;
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
                          const CivilDate* today) {
  ReportFigures figures;
  figures.span = span;
  figures.daily = daily;
  LastDayFileSource kept(files);
  DayFileSource& source = daily ? static_cast<DayFileSource&>(kept) : files;
  CStatisticData data(source, equal);
  CStatisticData day(kept, equal);
  data.CountSpan(span.first, span.last, [&](const CivilDate& date, DayReadOutcome outcome) {
    if (outcome == DayReadOutcome::kDamaged) figures.damaged.push_back(date);
    if (!daily || outcome == DayReadOutcome::kMissing) return;
    day.Clear();
    day.CountDay(date);
    figures.days.push_back(DayFigures{date, RowsOf(day), day.UptimeMs()});
  });
  figures.rows = RowsOf(data);
  figures.uptimeMs = data.UptimeMs();
  if (today) {
    CStatisticData todayData(files, equal);
    const DayReadOutcome outcome = todayData.CountDay(*today);
    if (outcome == DayReadOutcome::kDamaged && (*today < span.first || span.last < *today)) {
      figures.damaged.push_back(*today);
      std::sort(figures.damaged.begin(), figures.damaged.end());
    }
    figures.hasToday = true;
    figures.today = *today;
    figures.todayRows = RowsOf(todayData);
    figures.todayUptimeMs = todayData.UptimeMs();
  }
  return figures;
}

}  // namespace tral::report
