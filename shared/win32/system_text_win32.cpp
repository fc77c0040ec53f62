// ANSI texts to UTF-8 and back through UTF-16 with the system's own tables; error codes through its messages.
#include "shared/win32/system_text_win32.h"

#include <windows.h>

namespace tral::win32 {

namespace {

// Text from one code page into another through UTF-16; a character the target lacks becomes its
// default character ("?"). A text the system cannot read at all comes back as it was.
std::string Recode(std::string_view text, UINT from, UINT to) {
  // Every ANSI code page agrees with ASCII on its bytes below 0x80, and so does UTF-8.
  bool ascii = true;
  for (char c : text) ascii &= static_cast<unsigned char>(c) < 0x80;
  if (ascii) return std::string(text);
  const int wide = ::MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (wide <= 0) return std::string(text);
  std::wstring w(static_cast<std::size_t>(wide), L'\0');
  ::MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), w.data(), wide);
  const int n = ::WideCharToMultiByte(to, 0, w.data(), wide, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) ::WideCharToMultiByte(to, 0, w.data(), wide, out.data(), n, nullptr, nullptr);
  return out;
}

}  // namespace

std::string AnsiToUtf8(std::string_view text) { return Recode(text, CP_ACP, CP_UTF8); }
std::string Utf8ToAnsi(std::string_view utf8) { return Recode(utf8, CP_UTF8, CP_ACP); }

std::string SystemErrorText(unsigned long code) {
  char text[512] = {};
  DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                             sizeof text, nullptr);
  while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == ' ' || text[n - 1] == '.')) --n;
  if (n == 0) return "error " + std::to_string(code);
  return std::string(text, n);
}

}  // namespace tral::win32
