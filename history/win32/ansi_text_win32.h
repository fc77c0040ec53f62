// Text comparison in the system's ANSI code page, as paths and network names are compared.
#pragma once

#include <string_view>

namespace tral::win32 {

// Case-insensitive equality in the system's ANSI code page: double-byte characters compare as
// units, single-byte characters after the code page's lower-case mapping. Unlike a linguistic
// comparison it never takes two different spellings ("ss" and a sharp s) for the same text.
bool EqualIgnoringCaseAnsi(std::string_view a, std::string_view b);

}  // namespace tral::win32
