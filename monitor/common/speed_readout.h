// The live speeds as the notification-area icon's tooltip and the speed strip show them: a figure
// with its unit in the user's speed unit and decimals, and the sum over every connection.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "monitor/common/connection_list.h"
#include "monitor/common/connection_selection.h"
#include "monitor/settings/monitor_settings.h"

namespace tral {

// Download and upload speed, bytes per second.
struct SpeedPair {
  std::uint32_t rx = 0;
  std::uint32_t tx = 0;

  friend bool operator==(const SpeedPair&, const SpeedPair&) = default;
};

// The shown connection's speeds, or none while the window shows no connection.
std::optional<SpeedPair> ShownSpeeds(const MainView& view);

// The speeds of every record of the list added up. A sum beyond what a record can carry
// (4 GiB/s) stays at that largest figure.
SpeedPair SummedSpeeds(const ConnectionList& list);

// "1.23 KB/s": the figure in the `speed` unit with `speeddec` decimals, a blank and the unit.
std::string SpeedWithUnit(std::uint32_t rate, const MonitorSettings& settings);

// The line the tooltip adds: "Download 1.23 KB/s, upload 0.45 KB/s"; empty without speeds.
std::string TraySpeedLine(const std::optional<SpeedPair>& speeds, const MonitorSettings& settings);

// The tooltip: its title, then the speeds' line when given, then the data plan's line when given,
// each on a line of its own.
std::string TrayTipText(const std::string& title, const std::string& speedLine, const std::string& planLine);

// The strip's two figures beside their arrows; "-" for both without speeds.
struct StripFigures {
  std::string down;
  std::string up;

  friend bool operator==(const StripFigures&, const StripFigures&) = default;
};
StripFigures StripFiguresOf(const std::optional<SpeedPair>& speeds, const MonitorSettings& settings);

// A figure as wide as the strip's usual ones in the current unit and decimals (four digits before
// the point), so that the strip keeps its width while the speeds change.
std::string StripWidthTemplate(const MonitorSettings& settings);

// The strip window's own text, for screen readers and the task switcher:
// "Download 1.23 KB/s, upload 0.45 KB/s", or "Speed strip" without speeds.
std::string StripWindowText(const StripFigures& figures);

}  // namespace tral
