// Decimal conversion of INI values, shared by the service's keepdays and the monitor's settings.
#pragma once

#include <cstdint>
#include <string_view>

namespace tral {

// Private-profile reads use a 19-character buffer: at most 18 characters of a value are seen.
inline constexpr std::size_t kIniReadChars = 18;

// Skips leading white space, takes an optional sign, then accumulates decimal digits up to the
// first other character modulo 2^32 and negates for "-". No digits gives 0. The caller takes the
// result as signed or unsigned; "-1" and "4294967295" give the same bits.
std::uint32_t ParseIniNumber(std::string_view text);

// The same conversion over the whole text, for values read into a larger buffer (the window
// position's four numbers).
std::uint32_t ParseDecimalWrapping(std::string_view text);

}  // namespace tral
