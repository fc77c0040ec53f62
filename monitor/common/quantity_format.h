// Day quantities and speeds as the main window shows them: unit, decimals, labels and suffixes.
#pragma once

#include <cstdint>
#include <string>

#include "monitor/settings/monitor_settings.h"

namespace tral {

// Fixed-point text with "." as decimal point, no grouping and no sign for zero, whatever the
// process locale. `decimals` 0..3 gives that many decimals, any other value six. An exact half
// of the last digit goes to the even digit (2.5 -> "2", 3.5 -> "4", 0.125 -> "0.12"); values that
// are not exact halves round to the nearest, as the binary value lies.
std::string FormatDecimals(double value, std::uint32_t decimals);

// A day total in the `quantity` unit: KB is bytes / 1024; MB is whole kilobytes / 1024.
double QuantityInUnit(std::uint64_t bytes, const MonitorSettings& settings);
std::string FormatQuantity(std::uint64_t bytes, const MonitorSettings& settings);

// A rate of bytes per second in the `speed` unit. A `speed` outside 0..4 is shown in Mb/s, which
// is what its label says.
double SpeedInUnit(std::uint32_t rate, const MonitorSettings& settings);
std::string FormatSpeed(std::uint32_t rate, const MonitorSettings& settings);

const char* QuantityLabel(const MonitorSettings& settings);  // "KB" or "MB"
const char* SpeedLabel(const MonitorSettings& settings);  // "B/s" ... "Mb/s"
const char* QuantitySuffix(const MonitorSettings& settings);  // " KB" or " MB" for the state text

}  // namespace tral
