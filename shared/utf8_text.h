// UTF-8 read and written one character at a time: the form of every text the programs hand to other
// programs (CSV, JSON, Prometheus text, SVG) and of plans files saved as Unicode.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tral {

// The character that starts at `at` in `text` and the number of bytes it takes, or 0 when the bytes
// there are not UTF-8 in its strict form (shortest encoding, no surrogate, nothing above U+10FFFF).
std::size_t Utf8CharAt(std::string_view text, std::size_t at, char32_t& character);

// Whether the whole text is UTF-8 in that strict form.
bool IsUtf8(std::string_view text);

// Appends a character (at most U+10FFFF, no surrogate) in UTF-8.
void AppendUtf8(std::string& out, char32_t character);

}  // namespace tral
