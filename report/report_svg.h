// The daily bars of a span as a standalone SVG picture, laid out by the charts' own geometry.
#pragma once

#include <string>
#include <vector>

#include "history/day_sums.h"
#include "report/report_options.h"
#include "report/report_writers.h"

namespace tral::report {

// One <rect> per day with a file and direction, with data-day="YYYY-MM-DD", data-direction="rx"
// or "tx", data-bytes="<exact bytes>" and a <title> with the figures; the value axis, the dates,
// a mark under each damaged or unreadable day and the legend as SVG elements. `days` are the span's
// days with a file, ascending; `connections` says whose traffic it is ("all connections", or the
// match given). A span longer than the charts show (ten years) is cut to the days with files.
std::string WriteSvg(const DateSpan& span, const std::vector<DaySum>& days, const std::string& connections,
                     TextConversion toUtf8);

// The groups (months, years, hours or five-minute slots) as bars: a column for every group of the
// span, with or without traffic, a gap where no day file is, a mark where one is damaged or could
// not be read; each bar's group in data-start="<start>" as the JSON names it ("2026-01",
// "2026-01-30T13:05"). At most as many columns as the daily picture's days. `days` are the
// span's days with a file, ascending.
std::string WriteGroupSvg(const DateSpan& span, const GroupedFigures& grouped, const std::vector<DaySum>& days,
                          const std::string& connections, TextConversion toUtf8);

}  // namespace tral::report
