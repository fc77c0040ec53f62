// The speed graph: a ring of the speed samples the monitor took, and the last minutes of them (or
// of any points over a span of time) laid out in pixels as a download and an upload line over a
// time axis.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "chart/chart_axes.h"

namespace tral::chart {

struct SpeedSample {
  std::uint64_t timeMs = 0;  // a monotonic clock
  std::uint32_t rxRate = 0;  // bytes per second
  std::uint32_t txRate = 0;
};

// The newest `capacity` samples, oldest first; a full ring drops its oldest sample for a new one.
// A sample older than the newest one (a clock that went back) starts the ring afresh.
class SpeedRing {
 public:
  explicit SpeedRing(std::size_t capacity);

  void Push(const SpeedSample& sample);
  std::size_t Size() const { return size_; }
  // 0 is the oldest sample held.
  const SpeedSample& At(std::size_t i) const { return samples_[(start_ + i) % samples_.size()]; }
  // The samples taken at `fromMs` or later, oldest first.
  std::vector<SpeedSample> Since(std::uint64_t fromMs) const;

 private:
  std::vector<SpeedSample> samples_;
  std::size_t start_ = 0;
  std::size_t size_ = 0;
};

// Five minutes of samples at the shortest refresh (one second), with room for extra polls.
inline constexpr std::size_t kSpeedRingCapacity = 600;
inline constexpr std::uint64_t kSpeedGraphSpanMs = 5 * 60 * 1000;

struct SpeedPoint {
  std::uint64_t timeMs = 0;
  double rx = 0;  // in the axis' unit
  double tx = 0;
};

struct SpeedGraphInput {
  PixelRect area;
  std::vector<SpeedPoint> points;  // ascending time
  std::uint64_t nowMs = 0;  // the right edge: the newest sample
  std::uint64_t spanMs = kSpeedGraphSpanMs;
  std::uint64_t maxGapMs = 5000;  // a longer time without samples breaks the lines
  std::string unit;  // "KB/s"
  int dpi = 96;
  std::uint64_t labelStepMs = 60'000;  // a time label every this long back from now
};

struct SpeedGraphLayout {
  PixelRect plot;  // its bottom is the zero line, its right edge now
  ValueAxis axis;  // scaled to the largest value shown
  TextBox unit;
  std::vector<PlacedLabel> timeLabels;  // index: minutes before now
  std::vector<LinePath> rxLines;  // one per run of samples without a gap
  std::vector<LinePath> txLines;
  std::vector<LegendEntry> legend;
};

SpeedGraphLayout LayOutSpeedGraph(const SpeedGraphInput& input, const TextMeasure& measure);

// "now", "-1 min", "-2 min", ..., "-90 min"; whole hours from one hour on: "-1 h", "-3 h".
std::string MinutesAgoText(std::size_t minutes);

}  // namespace tral::chart
