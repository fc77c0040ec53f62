// Day-file bytes: bounded decoding of short, lying and unterminated files.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "shared/day_file_codec.h"
#include "shared/text_field.h"

namespace tral {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put32(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void Put64(Bytes& b, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void PutText(Bytes& b, const std::string& text, std::size_t width) {
  Bytes field(width, 0);
  std::memcpy(field.data(), text.data(), std::min(text.size(), width));
  b.insert(b.end(), field.begin(), field.end());
}
void PutEntry(Bytes& b, const std::string& ip, const std::string& bssid, const std::string& ssid,
              std::uint64_t rx, std::uint64_t tx) {
  PutText(b, ip, 16);
  PutText(b, bssid, 26);
  PutText(b, ssid, 33);
  Put64(b, rx);
  Put64(b, tx);
}

// One group with two entries, a second with one, and the running time.
Bytes TwoGroupFile() {
  Bytes b;
  Put32(b, 2);
  PutText(b, "00-1A-2B-3C-4D-5E", 26);
  Put32(b, 2);
  PutEntry(b, "10.0.0.5", "00-11-22-33-44-55", "home", 1000, 2000);
  PutEntry(b, "10.0.0.6", "", "", 3, 4);
  PutText(b, "AA-BB-CC-DD-EE-FF", 26);
  Put32(b, 1);
  PutEntry(b, "192.168.1.20", "", "", 5, 6);
  Put32(b, 97440000);
  return b;
}

TEST(DayFileCodec, WholeFileDecodesWithRunningTime) {
  const Bytes b = TwoGroupFile();
  ASSERT_EQ(b.size(), 4u + 30 + 2 * 91 + 30 + 91 + 4);
  const DayFileContents c = DecodeDayFile(b);
  ASSERT_TRUE(c.complete);
  ASSERT_EQ(c.groups.size(), 2u);
  EXPECT_EQ(FieldText(c.groups[0].adapterKey), "00-1A-2B-3C-4D-5E");
  ASSERT_EQ(c.groups[0].entries.size(), 2u);
  EXPECT_EQ(FieldText(c.groups[0].entries[0].ssid), "home");
  EXPECT_EQ(c.groups[0].entries[0].txBytes, 2000u);
  EXPECT_EQ(FieldText(c.groups[1].entries[0].ipText), "192.168.1.20");
  EXPECT_EQ(c.uptimeMs, 97440000u);
}

TEST(DayFileCodec, ShortFilesKeepWhatWasCompleteAndNoRunningTime) {
  const Bytes whole = TwoGroupFile();
  struct Case {
    std::size_t size;
    std::size_t groups;
    std::size_t entriesInLastGroup;
    bool complete;
    bool uptime;
  } cases[] = {
      {0, 0, 0, false, false},
      {3, 0, 0, false, false},
      {4, 0, 0, false, false},
      {4 + 29, 0, 0, false, false},
      {4 + 30, 1, 0, false, false},
      {4 + 30 + 90, 1, 0, false, false},  // cut in the middle of an entry
      {4 + 30 + 91, 1, 1, false, false},
      {4 + 30 + 182 + 30 + 91, 2, 1, true, false},  // no running-time field
      {4 + 30 + 182 + 30 + 91 + 3, 2, 1, true, false},
      {whole.size(), 2, 1, true, true},
  };
  for (const Case& c : cases) {
    const DayFileContents d = DecodeDayFile(std::span(whole.data(), c.size));
    EXPECT_EQ(d.groups.size(), c.groups) << c.size;
    if (!d.groups.empty()) {
      EXPECT_EQ(d.groups.back().entries.size(), c.entriesInLastGroup) << c.size;
    }
    EXPECT_EQ(d.complete, c.complete) << c.size;
    EXPECT_EQ(d.uptimeMs.has_value(), c.uptime) << c.size;
  }
}

TEST(DayFileCodec, CountsPromisingMoreThanTheFileHoldsEndTheRead) {
  Bytes b;
  Put32(b, 0xFFFFFFFF);
  PutText(b, "00-1A-2B-3C-4D-5E", 26);
  Put32(b, 0xFFFFFFFF);
  PutEntry(b, "10.0.0.5", "", "", 1, 2);
  const DayFileContents d = DecodeDayFile(b);
  EXPECT_FALSE(d.complete);
  ASSERT_EQ(d.groups.size(), 1u);
  EXPECT_EQ(d.groups[0].entries.size(), 1u);

  DayFileReader reader(b);
  std::uint32_t n = 0;
  char key[26];
  ASSERT_TRUE(reader.ReadGroupCount(n));
  ASSERT_TRUE(reader.ReadGroupHeader(key, n));
  EXPECT_FALSE(reader.SkipEntries(n));  // 0xFFFFFFFF * 91 bytes are not there
  EXPECT_TRUE(reader.SkipEntries(1));
  EXPECT_FALSE(reader.SkipEntries(1));
}

TEST(DayFileCodec, TextWithoutNulIsCutToFitItsField) {
  Bytes b;
  Put32(b, 1);
  PutText(b, std::string(26, 'K'), 26);
  Put32(b, 1);
  PutEntry(b, std::string(16, '9'), std::string(26, 'B'), std::string(33, 'S'), 1, 1);
  const DayFileContents d = DecodeDayFile(b);
  ASSERT_EQ(d.groups.size(), 1u);
  EXPECT_EQ(FieldText(d.groups[0].adapterKey), std::string(25, 'K'));
  const DayFileEntry& e = d.groups[0].entries.at(0);
  EXPECT_EQ(FieldText(e.ipText), std::string(15, '9'));
  EXPECT_EQ(FieldText(e.bssid), std::string(25, 'B'));
  EXPECT_EQ(FieldText(e.ssid), std::string(32, 'S'));
  EXPECT_EQ(e.rxBytes, 1u);  // the fields after the text are still read at their own offsets
}

TEST(DayFileCodec, WriterProducesTheBytesTheReaderExpects) {
  Bytes written;
  DayFileWriter w(written);
  char key[26] = {}, ip[16] = {}, bssid[26] = {}, ssid[33] = {};
  SetFieldText(key, "00-1A-2B-3C-4D-5E");
  SetFieldText(ip, "10.0.0.5");
  SetFieldText(bssid, "00-11-22-33-44-55");
  SetFieldText(ssid, "home");
  w.PutGroupCount(2);
  w.PutGroupHeader(key, 2);
  w.PutEntry(ip, bssid, ssid, 1000, 2000);
  SetFieldText(ip, "10.0.0.6");
  SetFieldText(bssid, "");
  SetFieldText(ssid, "");
  w.PutEntry(ip, bssid, ssid, 3, 4);
  SetFieldText(key, "AA-BB-CC-DD-EE-FF");
  SetFieldText(ip, "192.168.1.20");
  w.PutGroupHeader(key, 1);
  w.PutEntry(ip, bssid, ssid, 5, 6);
  w.PutUptime(97440000);
  EXPECT_EQ(written, TwoGroupFile());
}

}  // namespace
}  // namespace tral
