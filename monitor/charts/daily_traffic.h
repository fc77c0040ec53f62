// The Daily traffic window's figures: each day of the Statistics window's span summed over the
// rows checked there, as the chart draws them and as its tooltip and status line tell them.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "chart/daily_chart.h"
#include "history/day_sums.h"
#include "history/statistic_data.h"
#include "monitor/settings/monitor_settings.h"

namespace tral {

// One sum per date of the shown span (chart::ChartSpan of the one asked for), days without a file
// included as kMissing.
struct DailyTraffic {
  CivilDate first;
  CivilDate last;
  std::vector<DaySum> days;
};
// The days `data` counted from `first` to `last`, each summed over the rows checked now: no file
// is read again, so a flipped check mark costs a sum, not a count.
DailyTraffic DailyTrafficOf(const CStatisticData& data, const CivilDate& first, const CivilDate& last);

// The chart's bars in the `quantity` unit of the settings.
chart::DailyChartInput DailyChartOf(const DailyTraffic& traffic, const MonitorSettings& settings,
                                    const PixelRect& area, int dpi);

// "<bytes> bytes (<figure> <unit>)": exact bytes and the same in the settings' unit.
std::string BytesText(std::uint64_t bytes, const MonitorSettings& settings);

// A day's figures, one part per line for the tooltip: the date, the downloaded and uploaded bytes
// exactly and in the settings' unit, and what was wrong with its file.
std::vector<std::string> DayFigureLines(const DaySum& day, const MonitorSettings& settings);
// The span's totals in the same form, with the number of days without a file.
std::vector<std::string> SpanFigureLines(const DailyTraffic& traffic, const MonitorSettings& settings);
// Lines joined for the tooltip ("\n") or the status line ("   ").
std::string JoinLines(const std::vector<std::string>& lines, const char* separator);

// The day a key moves the highlight to: Left and Right one day (from none: the last day), Home and
// End to the ends; none when there are no days.
enum class DayKey { kLeft, kRight, kHome, kEnd };
std::optional<std::size_t> MoveHighlight(std::optional<std::size_t> current, DayKey key, std::size_t days);

}  // namespace tral
