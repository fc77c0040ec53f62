// The daily bars of a span laid out in pixels: one downloaded and one uploaded bar per day, the
// value axis in the caller's unit, dates thinned so that no two labels touch, gaps for days without
// a file, a mark under a damaged day, the legend, and which day a point is over.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "chart/chart_axes.h"
#include "shared/civil_date.h"

namespace tral::chart {

enum class DayMark { kNoFile, kComplete, kDamaged };

struct DayBars {
  double rx = 0;  // downloaded, in the axis' unit
  double tx = 0;  // uploaded
  DayMark mark = DayMark::kNoFile;
};

struct DailyChartInput {
  PixelRect area;  // the whole picture
  CivilDate first;  // the date of days[0]; the others follow day by day
  std::vector<DayBars> days;
  std::string unit;  // the value axis' unit ("MB")
  int dpi = 96;
};

// One day's column. Wide columns hold the two bars side by side with a gap around them; columns
// narrower than kSideBySideWidth pixels hold both bars across the whole column, the lower one in
// front, so that both stay visible.
struct DayColumn {
  PixelRect slot;  // the whole column, plot top to the mark band's bottom
  PixelRect rx;  // empty (zero height) for no traffic and for a day without a file
  PixelRect tx;
  bool txInFront = true;
  DayMark mark = DayMark::kNoFile;
  PixelRect markBox;  // under the zero line, for a damaged day
};
inline constexpr int kSideBySideWidth = 3;

struct DailyChartLayout {
  PixelRect plot;  // the bars' area; its bottom is the zero line
  ValueAxis axis;
  TextBox unit;  // above the value labels
  std::vector<PlacedLabel> dateLabels;  // index: the day
  std::vector<DayColumn> columns;  // one per day
  std::vector<LegendEntry> legend;
};

DailyChartLayout LayOutDailyChart(const DailyChartInput& input, const TextMeasure& measure);

// The day whose column holds the point, or none outside the plot and its mark band.
std::optional<std::size_t> DayAt(const DailyChartLayout& layout, int x, int y);

// The column's bounds for `days` columns across `left`..`right`: column i runs from
// left + i x width / days to left + (i + 1) x width / days, rounded down, so the columns tile the
// plot without gaps or overlaps.
int ColumnEdge(int left, int right, std::size_t days, std::size_t i);

// Every how many days a date is labelled: the smallest of 1, 2, 3, 7, 14, 28, 56, 91, 182, 364
// and then doubling, whose labels are at least a label and a gap apart on columns this wide.
std::size_t DateLabelStep(double columnWidth, int labelWidth, int gap);

// A date as the x axis shows it: "MM-DD".
std::string DateLabelText(const CivilDate& date);

// The span a chart shows of `first`..`last` when the files of it lie from `firstFile` to
// `lastFile`: the whole span when it has at most `maxDays` days, else the days from the first to
// the last file, and of those at most the last `maxDays`.
struct ShownSpan {
  CivilDate first;
  CivilDate last;
};
inline constexpr std::int64_t kMaxChartDays = 3660;  // ten years
ShownSpan ChartSpan(const CivilDate& first, const CivilDate& last, const std::optional<CivilDate>& firstFile,
                    const std::optional<CivilDate>& lastFile, std::int64_t maxDays = kMaxChartDays);

}  // namespace tral::chart
