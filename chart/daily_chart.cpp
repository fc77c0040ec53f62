// Laying out the daily bars, their date labels, marks and legend; the hit test.
#include "chart/daily_chart.h"

#include <algorithm>
#include <cstdio>

namespace tral::chart {

namespace {

// Pixels at 96 DPI.
constexpr int kMarkBand = 4;  // under the zero line, where a damaged day is marked
constexpr int kMarkMinWidth = 5;
constexpr int kDateGap = 3;  // between the mark band and the date labels
constexpr int kLabelSpacing = 8;  // the least room between two date labels

PixelRect Bar(int left, int right, int zeroLine, int height) {
  return PixelRect{left, zeroLine - height, right, zeroLine};
}

DayColumn LayOutColumn(const DayBars& day, int left, int right, const PixelRect& plot, double top, int markBand,
                       int dpi) {
  DayColumn column;
  column.mark = day.mark;
  column.slot = PixelRect{left, plot.top, right, plot.bottom + markBand};
  const bool present = day.mark != DayMark::kNoFile;
  const int rxHeight = present ? ValueHeight(day.rx, top, plot.Height()) : 0;
  const int txHeight = present ? ValueHeight(day.tx, top, plot.Height()) : 0;
  const int width = right - left;
  if (width >= kSideBySideWidth) {
    const int pad = width / 8;
    const int half = (width - 2 * pad) / 2;
    column.rx = Bar(left + pad, left + pad + half, plot.bottom, rxHeight);
    column.tx = Bar(left + pad + half, left + pad + 2 * half, plot.bottom, txHeight);
  } else {
    column.rx = Bar(left, right, plot.bottom, rxHeight);
    column.tx = Bar(left, right, plot.bottom, txHeight);
    column.txInFront = txHeight <= rxHeight;
  }
  if (day.mark == DayMark::kDamaged) {
    const int markWidth = std::max(width, ScaleForDpi(kMarkMinWidth, dpi));
    const int markLeft = std::clamp(left + width / 2 - markWidth / 2, plot.left, std::max(plot.left, plot.right - markWidth));
    column.markBox = PixelRect{markLeft, plot.bottom + 1, markLeft + markWidth, plot.bottom + markBand};
  }
  return column;
}

}  // namespace

int ColumnEdge(int left, int right, std::size_t days, std::size_t i) {
  if (days == 0) return left;
  const std::int64_t width = std::max(0, right - left);
  return left + static_cast<int>(width * static_cast<std::int64_t>(i) / static_cast<std::int64_t>(days));
}

std::size_t LabelStep(double columnWidth, int labelWidth, int gap, const std::vector<std::size_t>& steps) {
  const double needed = labelWidth + gap;
  std::size_t step = 1;
  for (const std::size_t candidate : steps) {
    step = candidate;
    if (static_cast<double>(candidate) * columnWidth >= needed) return step;
  }
  while (static_cast<double>(step) * columnWidth < needed && step < (std::size_t{1} << 40)) step *= 2;
  return step;
}

std::size_t DateLabelStep(double columnWidth, int labelWidth, int gap) {
  static const std::vector<std::size_t> kDaySteps{1, 2, 3, 7, 14, 28, 56, 91, 182, 364};
  return LabelStep(columnWidth, labelWidth, gap, kDaySteps);
}

std::string DateLabelText(const CivilDate& date) {
  char text[8];
  std::snprintf(text, sizeof text, "%02u-%02u", static_cast<unsigned>(date.month) % 100,
                static_cast<unsigned>(date.day) % 100);
  return text;
}

ColumnLabels TimeOfDayLabels(const CivilDate& first, std::uint32_t minutesPerColumn, std::size_t days) {
  const std::uint32_t per = std::max<std::uint32_t>(1, minutesPerColumn);
  ColumnLabels labels;
  for (const std::uint32_t minutes : {5, 15, 30, 60, 120, 180, 360, 720, 1440, 2880, 4320, 10080, 20160, 40320}) {
    if (minutes % per == 0) labels.steps.push_back(minutes / per);
  }
  labels.text = [first, per, days](std::size_t column) {
    const std::uint64_t minute = static_cast<std::uint64_t>(column) * per;
    const std::uint64_t ofDay = minute % 1440;
    if (ofDay == 0 && days > 1) return DateLabelText(AddDays(first, static_cast<std::int64_t>(minute / 1440)));
    char text[8];
    std::snprintf(text, sizeof text, "%02u:%02u", static_cast<unsigned>(ofDay / 60), static_cast<unsigned>(ofDay % 60));
    return std::string(text);
  };
  return labels;
}

ColumnLabels MonthLabels(const CivilDate& first) {
  ColumnLabels labels{nullptr, {1, 2, 3, 6, 12}};
  labels.text = [first](std::size_t column) {
    const std::size_t month = static_cast<std::size_t>(first.month - 1) + column;
    char text[16];
    std::snprintf(text, sizeof text, "%04u-%02u", static_cast<unsigned>((first.year + month / 12) % 10000),
                  static_cast<unsigned>(month % 12 + 1));
    return std::string(text);
  };
  return labels;
}

ColumnLabels YearLabels(const CivilDate& first) {
  ColumnLabels labels{nullptr, {1, 2, 5, 10, 20}};
  labels.text = [first](std::size_t column) { return std::to_string(first.year + column); };
  return labels;
}

ShownSpan ChartSpan(const CivilDate& first, const CivilDate& last, const std::optional<CivilDate>& firstFile,
                    const std::optional<CivilDate>& lastFile, std::int64_t maxDays) {
  const CivilDate end = std::max(first, last);
  if (DaysFromCivil(end) - DaysFromCivil(first) < maxDays) return ShownSpan{first, end};
  if (!firstFile || !lastFile) return ShownSpan{AddDays(end, -(maxDays - 1)), end};
  const CivilDate from = std::max(*firstFile, AddDays(*lastFile, -(maxDays - 1)));
  return ShownSpan{from, *lastFile};
}

DailyChartLayout LayOutDailyChart(const DailyChartInput& input, const TextMeasure& measure) {
  const int dpi = input.dpi;
  const int markBand = ScaleForDpi(kMarkBand, dpi);
  DailyChartLayout layout;

  double maxValue = 0;
  bool damaged = false;
  for (const DayBars& day : input.days) {
    if (day.mark == DayMark::kNoFile) continue;
    maxValue = std::max({maxValue, day.rx, day.tx});
    damaged = damaged || day.mark == DayMark::kDamaged;
  }
  const ChartFrame frame =
      LayOutChartFrame(input.area, maxValue, input.unit, markBand + ScaleForDpi(kDateGap, dpi), measure, dpi);
  layout.axis = frame.axis;
  layout.plot = frame.plot;
  layout.unit = frame.unit;

  const std::size_t days = input.days.size();
  const PixelRect& plot = layout.plot;
  layout.columns.reserve(days);
  for (std::size_t i = 0; i < days; ++i) {
    layout.columns.push_back(LayOutColumn(input.days[i], ColumnEdge(plot.left, plot.right, days, i),
                                          ColumnEdge(plot.left, plot.right, days, i + 1), plot,
                                          layout.axis.scale.Top(), markBand, dpi));
  }

  if (days > 0) {
    const int spacing = ScaleForDpi(kLabelSpacing, dpi);
    const double columnWidth = static_cast<double>(plot.Width()) / static_cast<double>(days);
    const auto text = [&](std::size_t i) {
      return input.labels.text ? input.labels.text(i) : DateLabelText(AddDays(input.first, static_cast<std::int64_t>(i)));
    };
    const int labelWidth = measure.width(text(0));
    const std::size_t step = input.labels.text ? LabelStep(columnWidth, labelWidth, spacing, input.labels.steps)
                                               : DateLabelStep(columnWidth, labelWidth, spacing);
    std::vector<AxisLabel> offered;
    for (std::size_t i = 0; i < days; i += step) {
      const DayColumn& column = layout.columns[i];
      offered.push_back(AxisLabel{(column.slot.left + column.slot.right) / 2, text(i), i});
    }
    layout.dateLabels =
        KeepApart(offered, frame.labelTop, input.area.left + frame.margin, input.area.right - frame.margin, spacing,
                  measure);
  }

  std::vector<LegendItem> items{{kDownloadColor, "Downloaded"}, {kUploadColor, "Uploaded"}};
  if (damaged) items.push_back({kDamagedColor, "Damaged file"});
  layout.legend = LayOutLegend(items, LegendLeft(plot, layout.unit, dpi), frame.legendTop, measure, dpi);
  return layout;
}

std::optional<std::size_t> DayAt(const DailyChartLayout& layout, int x, int y) {
  if (layout.columns.empty()) return std::nullopt;
  const PixelRect& any = layout.columns.front().slot;
  if (y < any.top || y >= any.bottom || x < layout.plot.left || x >= layout.plot.right) return std::nullopt;
  // The last column that begins at or before x; columns narrower than a pixel are passed over.
  const auto after = std::upper_bound(layout.columns.begin(), layout.columns.end(), x,
                                      [](int px, const DayColumn& column) { return px < column.slot.left; });
  if (after == layout.columns.begin()) return std::nullopt;
  const auto column = std::prev(after);
  if (x >= column->slot.right) return std::nullopt;
  return static_cast<std::size_t>(column - layout.columns.begin());
}

}  // namespace tral::chart
