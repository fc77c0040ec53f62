// The speed graph's samples in the settings' unit, and its figures text.
#include "monitor/charts/speed_view.h"

#include <algorithm>

#include "monitor/common/quantity_format.h"
#include "shared/saturating_sum.h"

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

chart::SpeedGraphInput SlotSpeedGraphOf(const TimedDay& yesterday, const TimedDay& today,
                                        const std::optional<ConnectionTexts>& shown, std::uint32_t secondOfDay,
                                        SpeedRange range, const MonitorSettings& settings, const PixelRect& area,
                                        int dpi) {
  constexpr std::uint64_t kDayMs = 24ull * 60 * 60 * 1000;
  constexpr std::uint64_t kSlotMs = kSlotMinutes * 60ull * 1000;
  chart::SpeedGraphInput input;
  input.area = area;
  input.dpi = dpi;
  input.unit = SpeedLabel(settings);
  input.spanMs = range == SpeedRange::kHour ? 60 * 60 * 1000 : kDayMs;
  input.labelStepMs = range == SpeedRange::kHour ? 10 * 60 * 1000 : 3 * 60 * 60 * 1000;
  input.maxGapMs = input.spanMs;  // a slot without traffic is a slot at zero, not a gap
  input.nowMs = kDayMs + std::uint64_t{secondOfDay} * 1000;
  if (!shown) return input;
  const std::uint64_t fromMs = input.nowMs - input.spanMs;
  // The shown connection's bytes per slot of both days, yesterday's 288 first.
  std::vector<BucketSum> slots(2 * kSlotsPerDay);
  for (std::size_t d = 0; d < 2; ++d) {
    const TimedDay& day = d == 0 ? yesterday : today;
    for (const TimedConnection& c : day.connections) {
      if (!(TextsOf(c) == *shown)) continue;
      for (const SlotBytes& s : c.slots) {
        if (s.slot >= kSlotsPerDay) continue;
        BucketSum& sum = slots[d * kSlotsPerDay + s.slot];
        AddSaturating(sum.rxBytes, s.rxBytes);
        AddSaturating(sum.txBytes, s.txBytes);
      }
    }
  }
  const auto speed = [&](std::uint64_t bytes) {
    const std::uint64_t rate = bytes / (kSlotMinutes * 60);
    return SpeedInUnit(static_cast<std::uint32_t>(std::min<std::uint64_t>(rate, UINT32_MAX)), settings);
  };
  for (std::size_t i = 0; i < slots.size(); ++i) {
    const std::uint64_t startMs = i * kSlotMs;
    if (startMs + kSlotMs <= fromMs || startMs > input.nowMs) continue;
    const std::uint64_t endMs = std::min(startMs + kSlotMs, input.nowMs);
    const double rx = speed(slots[i].rxBytes);
    const double tx = speed(slots[i].txBytes);
    // A step: the slot's average from its start (or the span's) to its end (or now).
    input.points.push_back(chart::SpeedPoint{std::max(startMs, fromMs), rx, tx});
    input.points.push_back(chart::SpeedPoint{endMs, rx, tx});
  }
  return input;
}

std::string SpeedFiguresText(const MainView& view, const MonitorSettings& settings) {
  if (view.ipText.empty() && view.hardwareAddress.empty()) return "No connection shown";
  const std::string unit = SpeedLabel(settings);
  return view.ipText + ": download " + view.downloadSpeed + " " + unit + ", upload " + view.uploadSpeed + " " + unit;
}

}  // namespace tral
