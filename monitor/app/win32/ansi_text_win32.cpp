// Case-insensitive equality in the system's ANSI code page.
#include "monitor/app/win32/ansi_text_win32.h"

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
      char ch = static_cast<char>(byte);
      if (!lead[byte] && byte != 0) ::CharLowerBuffA(&ch, 1);
      lower[byte] = static_cast<unsigned char>(ch);
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
