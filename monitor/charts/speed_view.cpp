// The speed graph's samples in the settings' unit, and its figures text.
#include "monitor/charts/speed_view.h"

#include <algorithm>

#include "monitor/common/quantity_format.h"

namespace tral {

chart::SpeedGraphInput SpeedGraphOf(const chart::SpeedRing& ring, const MonitorSettings& settings,
                                    const PixelRect& area, int dpi) {
  chart::SpeedGraphInput input;
  input.area = area;
  input.dpi = dpi;
  input.unit = SpeedLabel(settings);
  input.maxGapMs = 3ull * std::max<std::uint32_t>(1, settings.refresh) * 1000;
  if (ring.Size() == 0) return input;
  input.nowMs = ring.At(ring.Size() - 1).timeMs;
  const std::uint64_t from = input.nowMs > input.spanMs ? input.nowMs - input.spanMs : 0;
  for (const chart::SpeedSample& sample : ring.Since(from)) {
    input.points.push_back(
        chart::SpeedPoint{sample.timeMs, SpeedInUnit(sample.rxRate, settings), SpeedInUnit(sample.txRate, settings)});
  }
  return input;
}

std::string SpeedFiguresText(const MainView& view, const MonitorSettings& settings) {
  if (view.ipText.empty() && view.hardwareAddress.empty()) return "No connection shown";
  const std::string unit = SpeedLabel(settings);
  return view.ipText + ": download " + view.downloadSpeed + " " + unit + ", upload " + view.uploadSpeed + " " + unit;
}

}  // namespace tral
