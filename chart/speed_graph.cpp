// The ring of speed samples and the speed graph's layout.
#include "chart/speed_graph.h"

#include <algorithm>
#include <cmath>

namespace tral::chart {

namespace {

// Pixels at 96 DPI.
constexpr int kTimeGap = 4;  // between the zero line and the time labels
constexpr int kLabelSpacing = 10;

}  // namespace

SpeedRing::SpeedRing(std::size_t capacity) : samples_(std::max<std::size_t>(1, capacity)) {}

void SpeedRing::Push(const SpeedSample& sample) {
  if (size_ > 0 && sample.timeMs < At(size_ - 1).timeMs) {
    start_ = 0;
    size_ = 0;
  }
  if (size_ < samples_.size()) {
    samples_[(start_ + size_) % samples_.size()] = sample;
    ++size_;
    return;
  }
  samples_[start_] = sample;
  start_ = (start_ + 1) % samples_.size();
}

std::vector<SpeedSample> SpeedRing::Since(std::uint64_t fromMs) const {
  std::vector<SpeedSample> out;
  for (std::size_t i = 0; i < size_; ++i) {
    if (At(i).timeMs >= fromMs) out.push_back(At(i));
  }
  return out;
}

std::string MinutesAgoText(std::size_t minutes) {
  if (minutes == 0) return "now";
  if (minutes >= 60 && minutes % 60 == 0) return "-" + std::to_string(minutes / 60) + " h";
  return "-" + std::to_string(minutes) + " min";
}

SpeedGraphLayout LayOutSpeedGraph(const SpeedGraphInput& input, const TextMeasure& measure) {
  const int dpi = input.dpi;
  SpeedGraphLayout layout;
  const std::uint64_t spanMs = std::max<std::uint64_t>(1, input.spanMs);
  const std::uint64_t startMs = input.nowMs > spanMs ? input.nowMs - spanMs : 0;

  double maxValue = 0;
  for (const SpeedPoint& p : input.points) {
    if (p.timeMs >= startMs && p.timeMs <= input.nowMs) maxValue = std::max({maxValue, p.rx, p.tx});
  }
  const ChartFrame frame = LayOutChartFrame(input.area, maxValue, input.unit, ScaleForDpi(kTimeGap, dpi), measure, dpi);
  layout.axis = frame.axis;
  layout.plot = frame.plot;
  layout.unit = frame.unit;
  const PixelRect& plot = layout.plot;

  auto xOf = [&](std::uint64_t timeMs) {
    const double part = static_cast<double>(timeMs - startMs) / static_cast<double>(spanMs);
    return plot.left + static_cast<int>(std::lround(part * plot.Width()));
  };
  const double top = layout.axis.scale.Top();
  bool first = true;
  std::uint64_t previousMs = 0;
  for (const SpeedPoint& p : input.points) {
    if (p.timeMs < startMs || p.timeMs > input.nowMs) continue;
    if (first || p.timeMs - previousMs > input.maxGapMs) {
      layout.rxLines.emplace_back();
      layout.txLines.emplace_back();
    }
    first = false;
    previousMs = p.timeMs;
    const int x = xOf(p.timeMs);
    layout.rxLines.back().push_back(LinePoint{x, plot.bottom - ValueHeight(p.rx, top, plot.Height())});
    layout.txLines.back().push_back(LinePoint{x, plot.bottom - ValueHeight(p.tx, top, plot.Height())});
  }

  // A label a step (a minute unless asked otherwise), "now" first so that it stays when there is
  // room for few.
  std::vector<AxisLabel> offered;
  const std::uint64_t stepMs = std::max<std::uint64_t>(60'000, input.labelStepMs / 60'000 * 60'000);
  for (std::uint64_t back = 0; back <= spanMs; back += stepMs) {
    const auto minutes = static_cast<std::size_t>(back / 60'000);
    offered.push_back(AxisLabel{xOf(input.nowMs > back ? input.nowMs - back : 0), MinutesAgoText(minutes), minutes});
  }
  layout.timeLabels = KeepApart(offered, frame.labelTop, input.area.left + frame.margin,
                                input.area.right - frame.margin, ScaleForDpi(kLabelSpacing, dpi), measure);

  layout.legend = LayOutLegend({{kDownloadColor, "Download"}, {kUploadColor, "Upload"}},
                               LegendLeft(plot, layout.unit, dpi), frame.legendTop, measure, dpi);
  return layout;
}

}  // namespace tral::chart
