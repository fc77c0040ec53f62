// Summing the span's days over the checked rows, and the texts of a day's figures.
#include "monitor/charts/daily_traffic.h"

#include <algorithm>

#include "monitor/common/quantity_format.h"
#include "shared/saturating_sum.h"

namespace tral {

namespace {

std::string Figure(const char* what, std::uint64_t bytes, const MonitorSettings& settings) {
  return std::string(what) + ": " + BytesText(bytes, settings);
}

}  // namespace

std::string BytesText(std::uint64_t bytes, const MonitorSettings& settings) {
  return std::to_string(bytes) + " bytes (" + FormatQuantity(bytes, settings) + " " + QuantityLabel(settings) + ")";
}

DailyTraffic DailyTrafficOf(const CStatisticData& data, const CivilDate& first, const CivilDate& last) {
  const std::vector<CountedDay>& counted = data.Days();
  std::optional<CivilDate> firstFile;
  std::optional<CivilDate> lastFile;
  for (const CountedDay& day : counted) {
    if (day.date < first || std::max(first, last) < day.date) continue;
    if (!firstFile) firstFile = day.date;
    lastFile = day.date;
  }
  const chart::ShownSpan shown = chart::ChartSpan(first, last, firstFile, lastFile);
  DailyTraffic traffic{shown.first, shown.last, {}};
  for (CivilDate date = shown.first; !(shown.last < date); date = AddDays(date, 1)) traffic.days.push_back(DaySum{date});
  for (const CountedDay& day : counted) {
    if (day.date < shown.first || shown.last < day.date) continue;
    DaySum& sum = traffic.days[static_cast<std::size_t>(DaysFromCivil(day.date) - DaysFromCivil(shown.first))];
    sum.outcome = day.outcome;
    for (const RowBytes& row : day.rows) {
      if (!data.IsChecked(row.row)) continue;
      AddSaturating(sum.rxBytes, row.rxBytes);
      AddSaturating(sum.txBytes, row.txBytes);
    }
  }
  return traffic;
}

chart::DailyChartInput DailyChartOf(const DailyTraffic& traffic, const MonitorSettings& settings,
                                    const PixelRect& area, int dpi) {
  chart::DailyChartInput input{area, traffic.first, {}, QuantityLabel(settings), dpi, {}};
  input.days.reserve(traffic.days.size());
  for (const DaySum& day : traffic.days) {
    const chart::DayMark mark = day.outcome == DayReadOutcome::kMissing    ? chart::DayMark::kNoFile
                                : day.outcome == DayReadOutcome::kComplete ? chart::DayMark::kComplete
                                                                           : chart::DayMark::kDamaged;
    input.days.push_back(chart::DayBars{QuantityInUnit(day.rxBytes, settings), QuantityInUnit(day.txBytes, settings),
                                        mark});
  }
  return input;
}

std::vector<std::string> DayFigureLines(const DaySum& day, const MonitorSettings& settings) {
  std::vector<std::string> lines{DateText(day.date)};
  switch (day.outcome) {
    case DayReadOutcome::kMissing:
      lines.push_back("No day file");
      return lines;
    case DayReadOutcome::kUnreadable:
      lines.push_back("The day file could not be read");
      return lines;
    case DayReadOutcome::kComplete:
    case DayReadOutcome::kDamaged:
      break;
  }
  lines.push_back(Figure("Downloaded", day.rxBytes, settings));
  lines.push_back(Figure("Uploaded", day.txBytes, settings));
  if (day.outcome == DayReadOutcome::kDamaged) lines.push_back("Damaged file: counted as far as it could be read");
  return lines;
}

std::vector<std::string> SpanFigureLines(const DailyTraffic& traffic, const MonitorSettings& settings) {
  std::uint64_t rx = 0;
  std::uint64_t tx = 0;
  std::size_t missing = 0;
  for (const DaySum& day : traffic.days) {
    rx += day.rxBytes;
    tx += day.txBytes;
    if (day.outcome == DayReadOutcome::kMissing) ++missing;
  }
  std::vector<std::string> lines{DateText(traffic.first) + " to " + DateText(traffic.last),
                                 Figure("Downloaded", rx, settings), Figure("Uploaded", tx, settings)};
  if (missing > 0) lines.push_back(std::to_string(missing) + (missing == 1 ? " day" : " days") + " without a file");
  return lines;
}

std::string JoinLines(const std::vector<std::string>& lines, const char* separator) {
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : separator) + line;
  return text;
}

std::optional<std::size_t> MoveHighlight(std::optional<std::size_t> current, DayKey key, std::size_t days) {
  if (days == 0) return std::nullopt;
  const std::size_t last = days - 1;
  switch (key) {
    case DayKey::kHome: return 0;
    case DayKey::kEnd: return last;
    case DayKey::kLeft: return !current ? last : *current == 0 ? 0 : std::min(*current - 1, last);
    case DayKey::kRight: return !current ? last : std::min(*current + 1, last);
  }
  return current;
}

}  // namespace tral
