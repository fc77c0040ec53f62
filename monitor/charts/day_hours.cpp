// Summing a day's slots over the checked rows, and the texts of its hours.
#include "monitor/charts/day_hours.h"

#include <cstdio>

#include "monitor/charts/daily_traffic.h"
#include "monitor/common/quantity_format.h"
#include "shared/saturating_sum.h"

namespace tral {

namespace {

std::string TimeText(std::uint32_t minute) {
  char text[16];
  std::snprintf(text, sizeof text, "%02u:%02u", minute / 60, minute % 60);
  return text;
}

}  // namespace

DayHours DayHoursOf(const TimedDay& day, TimeGrain grain, const CStatisticData& rows) {
  DayHours hours{day.date, grain, day.day.outcome, day.slots.outcome, {}, {}};
  hours.buckets = SumBuckets(
      day, grain,
      [&](std::size_t i) {
        const TimedConnection& c = day.connections[i];
        const std::optional<std::size_t> row = rows.RowOf(c.adapterKey, c.ipText, c.bssid, c.ssid);
        return row && rows.IsChecked(*row);
      },
      &hours.notPlaced);
  return hours;
}

chart::DailyChartInput DayHoursChartOf(const DayHours& hours, const MonitorSettings& settings, const PixelRect& area,
                                       int dpi) {
  chart::DailyChartInput input{area, hours.date, {}, QuantityLabel(settings), dpi,
                               chart::TimeOfDayLabels(hours.date, SlotsPerBucket(hours.grain) * kSlotMinutes, 1)};
  // A day without a day file has no bars; one that could not be read whole is marked under each.
  const chart::DayMark mark = hours.dayOutcome == DayReadOutcome::kMissing    ? chart::DayMark::kNoFile
                              : hours.dayOutcome == DayReadOutcome::kComplete ? chart::DayMark::kComplete
                                                                              : chart::DayMark::kDamaged;
  input.days.reserve(hours.buckets.size());
  for (const BucketSum& b : hours.buckets) {
    input.days.push_back(chart::DayBars{QuantityInUnit(b.rxBytes, settings), QuantityInUnit(b.txBytes, settings), mark});
  }
  return input;
}

std::vector<std::string> BucketFigureLines(const DayHours& hours, std::size_t bucket, const MonitorSettings& settings) {
  const std::uint32_t minutes = SlotsPerBucket(hours.grain) * kSlotMinutes;
  const auto start = static_cast<std::uint32_t>(bucket) * minutes;
  std::vector<std::string> lines{DateText(hours.date) + " " + TimeText(start) + " to " + TimeText(start + minutes)};
  if (bucket >= hours.buckets.size()) return lines;
  lines.push_back("Downloaded: " + BytesText(hours.buckets[bucket].rxBytes, settings));
  lines.push_back("Uploaded: " + BytesText(hours.buckets[bucket].txBytes, settings));
  return lines;
}

std::vector<std::string> DayHoursLines(const DayHours& hours, const MonitorSettings& settings) {
  std::vector<std::string> lines{DateText(hours.date) +
                                 (hours.grain == TimeGrain::kHour ? " by the hour" : " by five minutes")};
  if (hours.dayOutcome == DayReadOutcome::kMissing) {
    lines.push_back("No day file");
    return lines;
  }
  if (hours.dayOutcome == DayReadOutcome::kUnreadable) {
    lines.push_back("The day file could not be read");
    return lines;
  }
  BucketSum placed;
  for (const BucketSum& b : hours.buckets) {
    AddSaturating(placed.rxBytes, b.rxBytes);
    AddSaturating(placed.txBytes, b.txBytes);
  }
  lines.push_back("Downloaded: " + BytesText(placed.rxBytes, settings));
  lines.push_back("Uploaded: " + BytesText(placed.txBytes, settings));
  if (hours.notPlaced.rxBytes != 0 || hours.notPlaced.txBytes != 0) {
    lines.push_back("Not placed in time: downloaded " + BytesText(hours.notPlaced.rxBytes, settings) + ", uploaded " +
                    BytesText(hours.notPlaced.txBytes, settings));
  }
  if (hours.slotOutcome == DayReadOutcome::kUnreadable) lines.push_back("The slot file could not be read");
  if (hours.slotOutcome == DayReadOutcome::kDamaged) lines.push_back("Damaged slot file: read as far as it goes");
  if (hours.dayOutcome == DayReadOutcome::kDamaged) lines.push_back("Damaged file: counted as far as it could be read");
  return lines;
}

}  // namespace tral
