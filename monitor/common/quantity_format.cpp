// Locale-independent formatting of quantities and speeds.
#include "monitor/common/quantity_format.h"

#include <charconv>
#include <cmath>

namespace tral {

std::string FormatDecimals(double value, std::uint32_t decimals) {
  const int precision = decimals <= 3 ? static_cast<int>(decimals) : 6;
  // to_chars never consults the locale and gives the correctly rounded digits of the binary value,
  // ties to even; 2^64 with six decimals needs 27 characters.
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, precision);
  if (result.ec != std::errc()) return {};
  std::string text(buffer, result.ptr);
  // A negative zero would print a sign; zero never has one.
  if (!text.empty() && text.front() == '-' && value == 0.0) text.erase(0, 1);
  return text;
}

double QuantityInUnit(std::uint64_t bytes, const MonitorSettings& settings) {
  // MB: whole kilobytes first (the remainder is dropped), then the second division.
  const std::uint64_t count = settings.quantity != 0 ? bytes >> 10 : bytes;
  return std::ldexp(static_cast<double>(count), -10);
}

std::string FormatQuantity(std::uint64_t bytes, const MonitorSettings& settings) {
  return FormatDecimals(QuantityInUnit(bytes, settings), static_cast<std::uint32_t>(settings.quantitydec));
}

double SpeedInUnit(std::uint32_t rate, const MonitorSettings& settings) {
  int exponent = 0;
  switch (settings.speed) {
    case 0: exponent = 0; break;  // B/s
    case 1: exponent = -10; break;  // KB/s
    case 2: exponent = -20; break;  // MB/s
    case 3: exponent = -7; break;  // Kb/s: x 8 / 1024
    default: exponent = -17; break;  // Mb/s: x 8 / 1048576
  }
  return std::ldexp(static_cast<double>(rate), exponent);
}

std::string FormatSpeed(std::uint32_t rate, const MonitorSettings& settings) {
  return FormatDecimals(SpeedInUnit(rate, settings), static_cast<std::uint32_t>(settings.speeddec));
}

const char* QuantityLabel(const MonitorSettings& settings) { return settings.quantity == 0 ? "KB" : "MB"; }

const char* SpeedLabel(const MonitorSettings& settings) {
  switch (settings.speed) {
    case 0: return "B/s";
    case 1: return "KB/s";
    case 2: return "MB/s";
    case 3: return "Kb/s";
    default: return "Mb/s";
  }
}

const char* QuantitySuffix(const MonitorSettings& settings) { return settings.quantity == 0 ? " KB" : " MB"; }

}  // namespace tral
