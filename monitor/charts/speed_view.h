// The speed graph's figures: the ring of the shown connection's speeds in the speed unit of the
// settings, and the current figures as text.
#pragma once

#include <string>

#include "chart/speed_graph.h"
#include "monitor/common/connection_selection.h"
#include "monitor/settings/monitor_settings.h"

namespace tral {

// The last five minutes of the ring up to its newest sample, in the `speed` unit. Samples further
// apart than three refresh periods (the service did not answer) break the lines.
chart::SpeedGraphInput SpeedGraphOf(const chart::SpeedRing& ring, const MonitorSettings& settings,
                                    const PixelRect& area, int dpi);

// "<IP>: download <speed> <unit>, upload <speed> <unit>" of the shown connection.
std::string SpeedFiguresText(const MainView& view, const MonitorSettings& settings);

}  // namespace tral
