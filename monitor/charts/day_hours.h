// The Daily traffic window's hours: one day's hours or five-minute slots summed over the rows
// checked in the Statistics window, as the chart draws them, and the texts of its tooltip and
// status line, with the day's bytes that are in no slot named.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "chart/daily_chart.h"
#include "history/slot_reading.h"
#include "history/statistic_data.h"
#include "monitor/settings/monitor_settings.h"

namespace tral {

struct DayHours {
  CivilDate date;
  TimeGrain grain = TimeGrain::kHour;  // kHour or kFiveMinutes
  DayReadOutcome dayOutcome = DayReadOutcome::kMissing;
  DayReadOutcome slotOutcome = DayReadOutcome::kMissing;
  std::vector<BucketSum> buckets;  // every hour (24) or slot (288) of the day
  BucketSum notPlaced;  // in the day file, in no slot
};

// The day's buckets over the connections whose rows of `rows` are checked.
DayHours DayHoursOf(const TimedDay& day, TimeGrain grain, const CStatisticData& rows);

// The bars in the `quantity` unit of the settings, labelled by the time of day.
chart::DailyChartInput DayHoursChartOf(const DayHours& hours, const MonitorSettings& settings, const PixelRect& area,
                                       int dpi);

// One hour's or slot's figures, one part per line: "2026-01-30 13:00 to 14:00" and the downloaded
// and uploaded bytes exactly and in the settings' unit.
std::vector<std::string> BucketFigureLines(const DayHours& hours, std::size_t bucket, const MonitorSettings& settings);
// The day's: "2026-01-30 by the hour" (or "by five minutes"), the bytes of its slots, the bytes
// not placed in time, and what was wrong with its files.
std::vector<std::string> DayHoursLines(const DayHours& hours, const MonitorSettings& settings);

}  // namespace tral
