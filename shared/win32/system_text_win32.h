// Texts of the system as the programs write them: ANSI texts as UTF-8, error codes as words.
#pragma once

#include <string>
#include <string_view>

namespace tral::win32 {

// The text read in the system's ANSI code page (day files, adapter and network names) and written
// as UTF-8; a text the system cannot convert at all comes back as it was.
std::string AnsiToUtf8(std::string_view text);
// UTF-8 text in the system's ANSI code page; a character the code page lacks becomes "?".
std::string Utf8ToAnsi(std::string_view utf8);

// The system's text for an error code, without its trailing full stop and line end.
std::string SystemErrorText(unsigned long code);

}  // namespace tral::win32
