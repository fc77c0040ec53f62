// What the Options dialog edits and decides: its exchange table, its entries and its field rules.
#pragma once

#include <cstdint>

#include "monitor/settings/monitor_settings.h"
#include "monitor/framework/data_exchange.h"

namespace tral {

// The dialog's `keepdays` when the service's value cannot be changed: the Keep history field is
// off, and the value comes back unchanged.
inline constexpr std::uint32_t kKeepDaysOff = 0xFFFFFFFFu;

inline constexpr std::uint32_t kOptionsMinRefresh = 1;  // seconds
inline constexpr std::uint32_t kOptionsMaxRefresh = 999;  // seconds
inline constexpr std::uint32_t kOptionsMaxKeepDays = 9999;

// Characters the number edits take.
inline constexpr int kIdleTimeChars = 4;
inline constexpr int kRefreshChars = 2;
inline constexpr int kKeepDaysChars = 4;

// Entries of the drop-down lists, index 0 first; the stored setting is the index. The leading
// blanks push the visible text to the right.
inline constexpr const char* kQuantityUnitEntries[] = {"      KB", "      MB"};
inline constexpr const char* kSpeedUnitEntries[] = {"     B/s", "     KB/s", "     MB/s", "     Kb/s", "     Mb/s"};
inline constexpr const char* kDecimalsEntries[] = {"      0", "      1", "      2", "      3"};

// The values being edited: a copy of the main window's settings and the Keep history field.
struct OptionsForm {
  MonitorSettings settings;
  std::uint32_t keepDays = 0;
};

// The exchange table of the dialog, in its order; the first failed check ends the pass.
void ExchangeOptions(ui::DataExchange& exchange, OptionsForm& form);

// Opening: the Keep history field shows the settings' `keepdays`, or 0 and is off when that is
// kKeepDaysOff. True when the field is on.
bool PrepareKeepHistory(OptionsForm& form);

// OK after a successful exchange: the field's value goes into `keepdays` unless the field is off.
void AcceptKeepHistory(OptionsForm& form);

// The idle time label, edit and unit are enabled exactly when hiding idle connections is on.
inline bool IdleControlsEnabled(const MonitorSettings& settings) { return settings.hideidle == 1; }

}  // namespace tral
