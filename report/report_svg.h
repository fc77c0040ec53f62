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

}  // namespace tral::report
