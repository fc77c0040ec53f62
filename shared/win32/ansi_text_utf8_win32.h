// Texts in the system's ANSI code page (day files, adapter and network names) as UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace tral::win32 {

// The text read in the ANSI code page and written as UTF-8; a text the system cannot convert at
// all comes back as it was.
std::string AnsiToUtf8(std::string_view text);

}  // namespace tral::win32
