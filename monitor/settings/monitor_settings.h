// The monitor's twelve settings, their INI keys and defaults, and loading and saving them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "monitor/settings/ini_values.h"

namespace tral {

// Twelve 32-bit fields in a fixed order: the main window hands the whole record to the Options
// dialog and takes it back whole. Booleans are 0 or 1.
struct MonitorSettings {
  std::int32_t quantity = 1;  // unit of day quantities: 0 = KB, else MB
  std::int32_t quantitydec = 2;  // decimals of the quantities, 0..3 (others: six)
  std::int32_t speeddec = 2;  // decimals of the speeds
  std::int32_t speed = 1;  // 0 = B/s, 1 = KB/s, 2 = MB/s, 3 = Kb/s, 4 = Mb/s
  std::int32_t prefer = 0;  // 0 = follow the active connection, else keep the user's pick
  std::int32_t hideidle = 1;  // hide connections idle for `idletime` minutes
  std::uint32_t idletime = 60;  // minutes
  std::int32_t launch = 1;  // start at log-on (the Run-key registration decides on load)
  std::int32_t mintray = 1;  // minimising leaves only the notification-area icon
  std::uint32_t refresh = 1;  // seconds between polls, 1..99 after loading
  std::int32_t minclose = 1;  // the close button minimises
  std::uint32_t keepdays = 366;  // days of history the service keeps; lives in the service INI
};

static_assert(sizeof(MonitorSettings) == 12 * 4);
static_assert(offsetof(MonitorSettings, quantity) == 0);
static_assert(offsetof(MonitorSettings, hideidle) == 5 * 4);
static_assert(offsetof(MonitorSettings, refresh) == 9 * 4);
static_assert(offsetof(MonitorSettings, keepdays) == 11 * 4);

// Sections and keys of the monitor's INI file.
inline constexpr char kLayoutSection[] = "LAYOUT";
inline constexpr char kMainLayoutKey[] = "main";
inline constexpr char kTopmostKey[] = "topmost";
inline constexpr char kDayStatisticKey[] = "daystatistic";
// The value under the current user's Run key and the monitor's own name.
inline constexpr char kAutostartValueName[] = "TraldenView";

inline constexpr std::uint32_t kMinRefreshSeconds = 1;
inline constexpr std::uint32_t kMaxRefreshSeconds = 99;

// Reads fields 1 to 11 from the monitor INI, each with the field's current value as its default,
// clamps `refresh` to 1..99 and takes `launch` from the Run key (the registry wins over the INI).
// `keepdays` is neither read nor written here.
void LoadSettings(MonitorSettings& settings, IniFile& monitorIni,
                  const std::function<bool()>& isAutostartRegistered);

// Writes fields 1 to 11 (write failures are ignored), then takes `launch` from the Run key.
void SaveSettings(MonitorSettings& settings, IniFile& monitorIni,
                  const std::function<bool()>& isAutostartRegistered);

}  // namespace tral
