// The speed graph's figures: the ring of the shown connection's speeds, or its slots of the last
// hour or day, in the speed unit of the settings, and the current figures as text.
#pragma once

#include <optional>
#include <string>

#include "chart/speed_graph.h"
#include "history/slot_reading.h"
#include "monitor/charts/live_today.h"
#include "monitor/common/connection_selection.h"
#include "monitor/settings/monitor_settings.h"

namespace tral {

// The last five minutes of the ring up to its newest sample, in the `speed` unit. Samples further
// apart than three refresh periods (the service did not answer) break the lines.
chart::SpeedGraphInput SpeedGraphOf(const chart::SpeedRing& ring, const MonitorSettings& settings,
                                    const PixelRect& area, int dpi);

// What the graph spans: the live samples of the last five minutes, or the slots of the last hour
// or 24 hours from the slot files, which show the past even when the monitor has just started.
enum class SpeedRange { kFiveMinutes, kHour, kDay };
inline constexpr const char* kSpeedRangeTexts[] = {"5 minutes", "1 hour", "24 hours"};

// The shown connection's slots of the last hour or 24 hours up to `secondOfDay` of today, each at
// its average speed (its bytes / 300 s, the slot under way too), in the `speed` unit, as steps
// along a time axis in milliseconds from yesterday's midnight; `yesterday` and `today` are the two
// days read with their slots (today with its live figures). No connection shown: no points.
chart::SpeedGraphInput SlotSpeedGraphOf(const TimedDay& yesterday, const TimedDay& today,
                                        const std::optional<ConnectionTexts>& shown, std::uint32_t secondOfDay,
                                        SpeedRange range, const MonitorSettings& settings, const PixelRect& area,
                                        int dpi);

// "<IP>: download <speed> <unit>, upload <speed> <unit>" of the shown connection.
std::string SpeedFiguresText(const MainView& view, const MonitorSettings& settings);

}  // namespace tral
