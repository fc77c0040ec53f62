// What the data exchange accepts as a number typed into an edit field, and its stock messages.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tral::ui {

inline constexpr char kPositiveIntegerMessage[] = "Please enter a positive integer.";

// An unsigned decimal number as typed: blanks around it are allowed, an optional "+" sign, then
// digits only. Empty text, a "-" sign, any other character and values above 4294967295 are refused
// (a value that does not fit must not come back as a smaller number the user never typed).
std::optional<std::uint32_t> ParseUnsignedEntry(std::string_view text);

// "Please enter an integer between <min> and <max>."
std::string RangeMessage(std::int64_t min, std::int64_t max);

}  // namespace tral::ui
