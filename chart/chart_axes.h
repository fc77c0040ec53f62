// What every chart of the system shares: its colours, round tick steps on the value axis, the
// value axis and the legend laid out in pixels, and labels kept apart so they never overlap.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "shared/pixel_geometry.h"

namespace tral::chart {

struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;

  friend bool operator==(const Rgb&, const Rgb&) = default;
};

inline constexpr Rgb kDownloadColor{38, 110, 190};  // blue
inline constexpr Rgb kUploadColor{230, 126, 34};  // orange
inline constexpr Rgb kDamagedColor{200, 30, 30};  // red
inline constexpr Rgb kBackgroundColor{255, 255, 255};
inline constexpr Rgb kGridColor{228, 228, 228};
inline constexpr Rgb kAxisColor{120, 120, 120};
inline constexpr Rgb kTextColor{40, 40, 40};
inline constexpr Rgb kHighlightColor{255, 238, 180};  // behind the day the keys or the pointer chose

// A line through points, drawn from the first to the last.
struct LinePoint {
  int x = 0;
  int y = 0;
  friend bool operator==(const LinePoint&, const LinePoint&) = default;
};
using LinePath = std::vector<LinePoint>;

// How the picture's text measures: the window asks its font, the SVG estimates from its size.
struct TextMeasure {
  int lineHeight = 14;  // pixels
  std::function<int(std::string_view text)> width;
};

// Ticks 0, step, 2 x step, ... up to step x count, the step 1, 2 or 5 x 10^n: the smallest such
// step that covers the maximum with at most `maxTicks` steps. `decimals` is what the tick texts
// need (0.2 needs one). A maximum of 0 (or not a number) gives the axis 0 to 1.
struct TickScale {
  double step = 1;
  int count = 1;
  int decimals = 0;
  double Top() const { return step * count; }
};
TickScale ChooseTicks(double maxValue, int maxTicks);

// A tick's text: fixed point with the scale's decimals, "." as the decimal point.
std::string TickText(double value, int decimals);

// A text placed in a box; right-aligned texts end at the box's right edge.
struct TextBox {
  PixelRect box;
  std::string text;
  bool alignRight = false;
};

struct ValueTick {
  double value = 0;
  int y = 0;  // the grid line
  TextBox label;
};

// The value axis of a plot that runs from `plotTop` to `plotBottom` (the zero line): round ticks
// at most every two lines of text, their labels right-aligned left of the plot. `plotLeft` is
// where the plot begins once the widest label fits.
struct ValueAxis {
  TickScale scale;
  std::vector<ValueTick> ticks;
  int plotLeft = 0;
};
ValueAxis LayOutValueAxis(int areaLeft, int plotTop, int plotBottom, double maxValue, const TextMeasure& measure,
                          int dpi);

// The frame every chart of the system has in `area`: the unit's text and the legend's line at the
// top, under them the plot with its value axis at the left, and one line of labels under the zero
// line, at least `labelGap` pixels below it and clear of the lowest value label.
struct ChartFrame {
  int legendTop = 0;
  int labelTop = 0;  // the labels under the plot
  int margin = 0;  // around the picture, scaled for the DPI
  PixelRect plot;  // its bottom is the zero line
  ValueAxis axis;
  TextBox unit;
};
ChartFrame LayOutChartFrame(const PixelRect& area, double maxValue, const std::string& unit, int labelGap,
                            const TextMeasure& measure, int dpi);

// The height of a bar or the rise of a line for `value` on a plot `height` pixels high whose top
// is `top` of the axis: rounded, and at least one pixel for any value above zero.
int ValueHeight(double value, double top, int height);

struct LegendEntry {
  PixelRect swatch;
  Rgb color;
  TextBox label;
};
struct LegendItem {
  Rgb color;
  std::string text;
};
// Where the legend's line begins: over the plot's left edge, or right of the unit's text when that
// reaches further.
int LegendLeft(const PixelRect& plot, const TextBox& unit, int dpi);

// The legend in one line from (`left`, `top`): a coloured square and its text per item.
std::vector<LegendEntry> LayOutLegend(const std::vector<LegendItem>& items, int left, int top,
                                      const TextMeasure& measure, int dpi);

// Labels of an axis offered in order of importance, each centred on its x: the ones kept are
// those that lie within `minX`..`maxX` once moved inside (no further than their width allows) and
// come no closer than `gap` to a label kept before them. The result is ordered left to right.
struct AxisLabel {
  int centreX = 0;
  std::string text;
  std::size_t index = 0;  // what the label stands for (a day, a minute)
};
struct PlacedLabel {
  TextBox label;
  std::size_t index = 0;
};
std::vector<PlacedLabel> KeepApart(const std::vector<AxisLabel>& offered, int top, int minX, int maxX, int gap,
                                   const TextMeasure& measure);

}  // namespace tral::chart
