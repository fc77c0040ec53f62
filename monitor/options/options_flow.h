// The main window's Options command: what the dialog opens with and what is applied and written on OK.
#pragma once

#include <cstdint>
#include <optional>

#include "monitor/settings/monitor_settings.h"

namespace tral {

// "keepdays" as the monitor reads it from the service INI file: unsigned, with this as the value
// of a missing key (the same bits as a stored -1).
inline constexpr std::uint32_t kKeepDaysMissing = 0xFFFFFFFFu;

// A refresh time that comes back from the dialog as 0 or above the dialog's range runs at this
// many seconds. Not the load clamp: a refresh of 500 holds for the run and is saved as such.
inline constexpr std::uint32_t kOptionsRefreshFallback = 1;  // seconds

// What the service does with a stored keepdays value: 0 when it keeps every day file (a missing
// key, 0, -1 and every other negative value), otherwise the number of days it keeps.
std::uint32_t ServiceKeepDays(std::uint32_t stored);

// The `keepdays` the dialog opens with: what the service does now, so a missing or -1 value shows
// as 0 ("zero means infinity"); kKeepDaysOff when the service INI file cannot be written, which
// turns the Keep history field off. Nothing is written on opening.
std::uint32_t KeepDaysForDialog(std::uint32_t stored, bool serviceIniWritable);

// The value to write to the service INI file after OK: none when the field was off or the service
// already does what the dialog says (so a file that never held the key stays without it).
std::optional<std::uint32_t> KeepDaysToWrite(std::uint32_t fromDialog, std::uint32_t storedNow);

// A refresh time of 0 or above 999 seconds becomes kOptionsRefreshFallback.
std::uint32_t ClampOptionsRefresh(std::uint32_t refresh);

// What OK changes in the main window.
struct OptionsOutcome {
  // The main window's new settings. `keepdays` stays as it was unless the service already keeps
  // what the dialog says; after a successful write the caller sets it to the written value.
  MonitorSettings settings;
  bool restartRefreshTimer = false;  // the refresh time changed
  std::optional<std::uint32_t> keepDaysToWrite;
};

// `current` the main window's settings, `accepted` the dialog's copy after OK, `storedKeepDays`
// the service INI's value as read now.
OptionsOutcome ApplyOptions(const MonitorSettings& current, const MonitorSettings& accepted,
                            std::uint32_t storedKeepDays);

}  // namespace tral
