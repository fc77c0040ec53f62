// The daily bars of a span laid out in pixels: one downloaded and one uploaded bar per day (or per
// hour, slot, month: any column the caller labels), the value axis in the caller's unit, labels
// thinned so that no two touch, gaps for days without a file, a mark under a damaged day, the
// legend, and which column a point is over.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
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

// How columns are labelled when they are not days (hours, five-minute slots, months): the text
// under column i, and the numbers of columns from one label to the next to choose from, smallest
// first (past the last, it doubles).
struct ColumnLabels {
  std::function<std::string(std::size_t column)> text;
  std::vector<std::size_t> steps;
};

struct DailyChartInput {
  PixelRect area;  // the whole picture
  CivilDate first;  // the date of days[0]; the others follow day by day
  std::vector<DayBars> days;  // one per column
  std::string unit;  // the value axis' unit ("MB")
  int dpi = 96;
  ColumnLabels labels;  // none: each column is a day from `first`, labelled "MM-DD"
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

// Every how many columns a label is placed: the smallest of `steps` and then doubling, whose labels
// are at least a label and a gap apart on columns this wide.
std::size_t LabelStep(double columnWidth, int labelWidth, int gap, const std::vector<std::size_t>& steps);
// The same for dates: the steps 1, 2, 3, 7, 14, 28, 56, 91, 182, 364 days.
std::size_t DateLabelStep(double columnWidth, int labelWidth, int gap);

// A date as the x axis shows it: "MM-DD".
std::string DateLabelText(const CivilDate& date);

// Columns of `minutesPerColumn` minutes each (5, 60), the first at midnight of `first`, over
// `days` days: "HH:MM", and on a chart of several days "MM-DD" at each midnight; labels every 5,
// 15 or 30 minutes, 1, 2, 3, 6 or 12 hours, or whole days.
ColumnLabels TimeOfDayLabels(const CivilDate& first, std::uint32_t minutesPerColumn, std::size_t days);
// Columns of a month each from the month of `first`: "YYYY-MM", every 1, 2, 3, 6 or 12 months.
ColumnLabels MonthLabels(const CivilDate& first);
// Columns of a year each from the year of `first`: "YYYY", every 1, 2, 5, 10 or 20 years.
ColumnLabels YearLabels(const CivilDate& first);

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
