// The live speed read-outs' settings: the speed in the notification-area icon, the speed strip,
// what the strip sums and how opaque it is; kept in the monitor INI file beside the other options.
#pragma once

#include <cstdint>

#include "monitor/settings/ini_values.h"

namespace tral {

inline constexpr char kSpeedIconKey[] = "speedicon";
inline constexpr char kSpeedStripKey[] = "speedstrip";
inline constexpr char kStripSumKey[] = "stripsum";
inline constexpr char kStripOpacityKey[] = "stripopacity";
inline constexpr char kStripLayoutKey[] = "strip";  // in the layout section, as the main window's

// The strip's opacities, in percent, as its menu offers them.
inline constexpr std::int32_t kStripOpacities[] = {100, 80, 60};

struct ReadoutSettings {
  bool speedIcon = false;  // the icon shows two speed bars instead of the product icon
  bool speedStrip = false;  // the strip is open
  bool stripSum = false;  // the strip shows every connection added up, not the shown one
  std::int32_t stripOpacity = 100;  // percent: one of kStripOpacities

  friend bool operator==(const ReadoutSettings&, const ReadoutSettings&) = default;
};

// A stored opacity that is not one the menu offers reads as fully opaque.
std::int32_t KnownStripOpacity(std::int32_t percent);

// The 0-255 opacity the system's layered windows take for a percentage (rounded down).
std::uint8_t OpacityAlpha(std::int32_t percent);

ReadoutSettings LoadReadoutSettings(IniFile& monitorIni);
// Writes every key; false when a write failed (the file keeps the old value of that key).
[[nodiscard]] bool SaveReadoutSettings(const ReadoutSettings& settings, IniFile& monitorIni);

}  // namespace tral
