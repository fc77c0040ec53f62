// Case-insensitive equality in the system's ANSI code page.
#include "history/win32/ansi_text_win32.h"

#include <windows.h>

#include <array>

namespace tral::win32 {

namespace {

struct CodePageTables {
  std::array<bool, 256> lead{};
  std::array<unsigned char, 256> lower{};

  CodePageTables() {
    for (int c = 0; c < 256; ++c) {
      const auto byte = static_cast<unsigned char>(c);
      lead[byte] = ::IsDBCSLeadByte(byte) != FALSE;
      lower[byte] = byte;
      if (lead[byte] || byte == 0) continue;
      // The character's lower case, as the system's case mapping gives it whatever the user's
      // language (an "I" stays an "i" on a Turkish system too), back in the code page when it
      // has one there.
      const char ch = static_cast<char>(byte);
      wchar_t wide = 0;
      wchar_t lowered = 0;
      char back = 0;
      if (::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, &ch, 1, &wide, 1) == 1 &&
          ::LCMapStringW(LOCALE_INVARIANT, LCMAP_LOWERCASE, &wide, 1, &lowered, 1) == 1) {
        BOOL lossy = FALSE;
        if (::WideCharToMultiByte(CP_ACP, 0, &lowered, 1, &back, 1, nullptr, &lossy) == 1 && !lossy) {
          lower[byte] = static_cast<unsigned char>(back);
        }
      }
    }
  }
};

const CodePageTables& Tables() {
  static const CodePageTables tables;
  return tables;
}

}  // namespace

bool EqualIgnoringCaseAnsi(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  const CodePageTables& t = Tables();
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto ca = static_cast<unsigned char>(a[i]);
    const auto cb = static_cast<unsigned char>(b[i]);
    if (t.lead[ca] && i + 1 < a.size()) {
      // A double-byte character: both bytes must be the same.
      if (ca != cb || a[i + 1] != b[i + 1]) return false;
      ++i;
      continue;
    }
    if (t.lower[ca] != t.lower[cb]) return false;
  }
  return true;
}

}  // namespace tral::win32
