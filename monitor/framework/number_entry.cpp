// Number fields of the dialogs: parsing typed text and formatting the range message.
#include "monitor/framework/number_entry.h"

namespace tral::ui {

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
}  // namespace

std::optional<std::uint32_t> ParseUnsignedEntry(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value > UINT32_MAX) return std::nullopt;
  }
  return static_cast<std::uint32_t>(value);
}

std::string RangeMessage(std::int64_t min, std::int64_t max) {
  return "Please enter an integer between " + std::to_string(min) + " and " + std::to_string(max) + ".";
}

}  // namespace tral::ui
