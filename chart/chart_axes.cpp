// Tick steps, the value axis, the legend and labels kept apart.
#include "chart/chart_axes.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace tral::chart {

namespace {

constexpr int kMargin = 8;  // pixels at 96 DPI, around the picture
constexpr int kLabelGap = 6;  // between a tick's text and the plot
constexpr int kPlotGap = 6;  // between the legend's line and the plot
constexpr int kSwatchGap = 4;  // between a legend square and its text
constexpr int kLegendGap = 14;  // between two legend items

}  // namespace

TickScale ChooseTicks(double maxValue, int maxTicks) {
  TickScale scale;
  if (!(maxValue > 0) || !std::isfinite(maxValue)) return scale;
  maxTicks = std::max(1, maxTicks);
  const int exponent = static_cast<int>(std::floor(std::log10(maxValue / maxTicks)));
  for (const int mantissa : {1, 2, 5, 10}) {
    const int e = mantissa == 10 ? exponent + 1 : exponent;
    const int m = mantissa == 10 ? 1 : mantissa;
    const double step = m * std::pow(10.0, e);
    // A hair of tolerance: 0.2 x 5 must cover 1 although the binary 0.2 is a little more or less.
    const double needed = maxValue / step * (1 - 1e-9);
    if (needed <= maxTicks) {
      scale.step = step;
      scale.count = std::max(1, static_cast<int>(std::ceil(needed)));
      scale.decimals = std::max(0, -e);
      return scale;
    }
  }
  // log10 rounding can leave the exponent one short; the next decade always covers.
  scale.step = std::pow(10.0, exponent + 2);
  scale.count = 1;
  scale.decimals = std::max(0, -(exponent + 2));
  return scale;
}

std::string TickText(double value, int decimals) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  if (result.ec != std::errc()) return {};
  std::string text(buffer, result.ptr);
  if (text.front() == '-' && std::all_of(text.begin() + 1, text.end(), [](char c) { return c == '0' || c == '.'; })) {
    text.erase(0, 1);  // no sign on zero
  }
  return text;
}

int ValueHeight(double value, double top, int height) {
  if (!(value > 0) || !(top > 0) || height <= 0) return 0;
  const double pixels = std::min(value / top, 1.0) * height;
  return std::clamp(static_cast<int>(std::lround(pixels)), 1, height);
}

ValueAxis LayOutValueAxis(int areaLeft, int plotTop, int plotBottom, double maxValue, const TextMeasure& measure,
                          int dpi) {
  ValueAxis axis;
  const int height = std::max(0, plotBottom - plotTop);
  const int lineHeight = std::max(1, measure.lineHeight);
  axis.scale = ChooseTicks(maxValue, std::max(1, height / (2 * lineHeight)));
  int widest = 0;
  for (int i = 0; i <= axis.scale.count; ++i) {
    ValueTick tick;
    tick.value = axis.scale.step * i;
    tick.y = plotBottom - ValueHeight(tick.value, axis.scale.Top(), height);
    tick.label.text = TickText(tick.value, axis.scale.decimals);
    tick.label.alignRight = true;
    widest = std::max(widest, measure.width(tick.label.text));
    axis.ticks.push_back(std::move(tick));
  }
  const int textLeft = areaLeft + ScaleForDpi(kMargin, dpi);
  axis.plotLeft = textLeft + widest + ScaleForDpi(kLabelGap, dpi);
  for (ValueTick& tick : axis.ticks) {
    const int top = tick.y - lineHeight / 2;
    tick.label.box = PixelRect{textLeft, top, textLeft + widest, top + lineHeight};
  }
  return axis;
}

ChartFrame LayOutChartFrame(const PixelRect& area, double maxValue, const std::string& unit, int labelGap,
                            const TextMeasure& measure, int dpi) {
  ChartFrame frame;
  frame.margin = ScaleForDpi(kMargin, dpi);
  const int lineHeight = measure.lineHeight;
  // The vertical extent first: the value axis' labels decide how far the plot starts from the left.
  frame.legendTop = area.top + frame.margin;
  const int plotTop = frame.legendTop + lineHeight + ScaleForDpi(kPlotGap, dpi);
  // The lowest value label is centred on the zero line; the labels under the plot keep clear of it.
  const int labelOffset = std::max(labelGap, lineHeight / 2 + ScaleForDpi(2, dpi));
  const int plotBottom = std::max(plotTop, area.bottom - frame.margin - lineHeight - labelOffset);
  frame.labelTop = plotBottom + labelOffset;
  frame.axis = LayOutValueAxis(area.left, plotTop, plotBottom, maxValue, measure, dpi);
  frame.plot = PixelRect{frame.axis.plotLeft, plotTop, std::max(frame.axis.plotLeft, area.right - frame.margin),
                         plotBottom};
  const int unitLeft = area.left + frame.margin;
  frame.unit = TextBox{PixelRect{unitLeft, frame.legendTop, unitLeft + measure.width(unit), frame.legendTop + lineHeight},
                       unit, false};
  return frame;
}

int LegendLeft(const PixelRect& plot, const TextBox& unit, int dpi) {
  return std::max(plot.left, unit.box.right + ScaleForDpi(kLegendGap, dpi));
}

std::vector<LegendEntry> LayOutLegend(const std::vector<LegendItem>& items, int left, int top,
                                      const TextMeasure& measure, int dpi) {
  std::vector<LegendEntry> legend;
  const int lineHeight = measure.lineHeight;
  const int side = std::max(4, lineHeight - ScaleForDpi(4, dpi));
  int x = left;
  for (const LegendItem& item : items) {
    LegendEntry entry;
    entry.color = item.color;
    const int swatchTop = top + (lineHeight - side) / 2;
    entry.swatch = PixelRect{x, swatchTop, x + side, swatchTop + side};
    const int textLeft = entry.swatch.right + ScaleForDpi(kSwatchGap, dpi);
    const int width = measure.width(item.text);
    entry.label = TextBox{PixelRect{textLeft, top, textLeft + width, top + lineHeight}, item.text, false};
    x = entry.label.box.right + ScaleForDpi(kLegendGap, dpi);
    legend.push_back(std::move(entry));
  }
  return legend;
}

std::vector<PlacedLabel> KeepApart(const std::vector<AxisLabel>& offered, int top, int minX, int maxX, int gap,
                                   const TextMeasure& measure) {
  std::vector<PlacedLabel> kept;
  for (const AxisLabel& label : offered) {
    const int width = measure.width(label.text);
    if (width > maxX - minX) continue;
    int left = label.centreX - width / 2;
    left = std::clamp(left, minX, maxX - width);
    const int right = left + width;
    const bool clear = std::none_of(kept.begin(), kept.end(), [&](const PlacedLabel& other) {
      return left < other.label.box.right + gap && other.label.box.left < right + gap;
    });
    if (!clear) continue;
    kept.push_back(PlacedLabel{TextBox{PixelRect{left, top, right, top + measure.lineHeight}, label.text, false},
                               label.index});
  }
  std::sort(kept.begin(), kept.end(),
            [](const PlacedLabel& a, const PlacedLabel& b) { return a.label.box.left < b.label.box.left; });
  return kept;
}

}  // namespace tral::chart
