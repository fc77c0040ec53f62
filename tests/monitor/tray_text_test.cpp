// Tooltip, balloon and title texts cut to their fields without splitting a double-byte character.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "monitor/common/tray_text.h"

namespace tral {
namespace {

// The lead bytes of the Japanese double-byte code page.
bool JapaneseLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool NoLead(unsigned char) { return false; }

const std::string kKana = "\x83\x41";  // one double-byte character

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

TEST(TrayTextCut, NeverSplitsADoubleByteCharacter) {
  const struct {
    const char* name;
    std::string text;
    std::size_t field;
    LeadBytePredicate lead;
    std::size_t length;
  } cases[] = {
      {"tooltip: the pair would end on byte 128", std::string(126, 'a') + kKana, kTrayTipField, JapaneseLead, 126},
      {"tooltip: the pair ends on byte 127", std::string(125, 'a') + kKana, kTrayTipField, JapaneseLead, 127},
      {"tooltip: single bytes cut at 127", std::string(200, 'a'), kTrayTipField, JapaneseLead, 127},
      {"tooltip: a lead-byte value in a single-byte code page", std::string(126, 'a') + kKana, kTrayTipField, NoLead, 127},
      {"balloon: SSID of double-byte characters", Repeat(kKana, 200), kTrayBalloonField, JapaneseLead, 254},
      {"balloon: after an odd number of single bytes", "x" + Repeat(kKana, 200), kTrayBalloonField, JapaneseLead, 255},
      {"title: 64 bytes", std::string(62, 'a') + kKana, kTrayTitleField, JapaneseLead, 62},
      {"title: fits", "State", kTrayTitleField, JapaneseLead, 5},
      {"a lead byte at the very end", "ab\x83", kTrayTitleField, JapaneseLead, 3},
      {"stops at a NUL", std::string("ab\0cd", 5), kTrayTitleField, JapaneseLead, 2},
      {"a lead byte before a NUL", std::string("a\x83\0x", 4), kTrayTitleField, JapaneseLead, 2},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CutLength(c.text, c.field - 1, c.lead), c.length) << c.name;
  }
}

TEST(TrayTextCut, FieldIsTerminatedAndZeroedBehindTheText) {
  char field[8];
  std::memset(field, 'z', sizeof field);
  CopyCutText(field, "abcdef" + kKana, JapaneseLead);  // the pair would end on byte 8 of 7
  EXPECT_EQ(std::string(field, 8), std::string("abcdef\0\0", 8));
  CopyCutText(field, "abcde" + kKana + "x", JapaneseLead);  // the pair ends on byte 7
  EXPECT_EQ(std::string(field, 8), std::string("abcde\x83\x41\0", 8));
}

}  // namespace
}  // namespace tral
