// ANSI code page to UTF-8 through UTF-16, with the system's own conversion tables.
#include "shared/win32/ansi_text_utf8_win32.h"

#include <windows.h>

namespace tral::win32 {

std::string AnsiToUtf8(std::string_view text) {
  if (text.empty()) return {};
  const int wide = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (wide <= 0) return std::string(text);
  std::wstring w(static_cast<std::size_t>(wide), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), w.data(), wide);
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) ::WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, out.data(), n, nullptr, nullptr);
  return out;
}

}  // namespace tral::win32
