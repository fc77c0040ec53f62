// ASCII case folding: letters only, no locale, lengths must match.
#include <gtest/gtest.h>

#include "shared/ascii_text.h"

namespace tral {
namespace {

TEST(AsciiEqualIgnoringCase, FoldsOnlyTheAsciiLetters) {
  struct Case {
    std::string_view a;
    std::string_view b;
    bool equal;
  } cases[] = {
      {"installme", "INSTALLME", true},
      {"UnInstallMe", "uninstallme", true},
      {"", "", true},
      {"installme", "installm", false},
      {"installme ", "installme", false},
      {"/installme", "installme", false},
      // '@' and '`' sit just outside the letters, '[' and '{' just after: none of them fold.
      {"@", "`", false},
      {"[", "{", false},
      // Bytes above 0x7F are compared as they are, whatever the code page would fold them to.
      {"\xC4", "\xE4", false},
      {"\xC4x", "\xC4X", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AsciiEqualIgnoringCase(c.a, c.b), c.equal) << '"' << c.a << "\" vs \"" << c.b << '"';
  }
}

}  // namespace
}  // namespace tral
