// Day files from a folder on disk: absent and unreadable files told apart, sharing that lets the
// service's save replace a file being read, and the code page's case-insensitive equality.
#include <windows.h>

#include <algorithm>

#include <gtest/gtest.h>

#include "history/win32/ansi_text_win32.h"
#include "history/win32/day_file_source_win32.h"
#include "history/statistic_data.h"
#include "support/day_file_bytes.h"
#include "shared/win32/unique_handle.h"
#include "support/scratch_dir_win32.h"

namespace tral::win32 {
namespace {

TEST(DayFileSourceWin32, CountsFilesOfTheSpanAndNamesOnesThatCannotBeRead) {
  test::ScratchDir dir("tm-days");
  using tral::test::DayFileBytes;
  test::WriteFileBytes(dir.File("20090313.bin"), DayFileBytes({{"K1", {{"10.0.0.5", "", "", 2048, 1024}}}}, 60000));
  test::WriteFileBytes(dir.File("20090315.bin"), DayFileBytes({{"K1", {{"10.0.0.5", "", "", 1024, 0}}}}, 120000));
  test::WriteFileBytes(dir.File("20090316.bin"), DayFileBytes({{"K2", {{"10.0.0.9", "", "", 4096, 0}}}}, 1));

  Win32DayFileSource source(dir.Path());
  std::vector<std::uint8_t> bytes;
  EXPECT_EQ(source.ReadDayFile(CivilDate{2009, 3, 14}, bytes), DayFileRead::kAbsent);
  ASSERT_EQ(source.ReadDayFile(CivilDate{2009, 3, 13}, bytes), DayFileRead::kRead);
  EXPECT_EQ(bytes.size(), 4u + 30 + 91 + 4);

  // A file someone holds without sharing is there but cannot be read: named, not a quiet day.
  UniqueFile held(::CreateFileA(dir.File("20090316.bin").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(held);
  EXPECT_EQ(source.ReadDayFile(CivilDate{2009, 3, 16}, bytes), DayFileRead::kUnreadable);
  EXPECT_FALSE(source.LastReadProblem().empty());
  CStatisticData data(source, EqualIgnoringCaseAnsi);
  data.CountSpan(CivilDate{2009, 3, 12}, CivilDate{2009, 3, 16});
  ASSERT_EQ(data.RowCount(), 1u);
  EXPECT_EQ(data.Row(0).downloadedKb, 3u);
  EXPECT_EQ(data.Row(0).uploadedKb, 1u);
  EXPECT_EQ(data.UptimeMs(), 180000u);
  EXPECT_EQ(data.UnreadableDays(), (std::vector<CivilDate>{CivilDate{2009, 3, 16}}));

  // Readers with every kind of sharing do not stop the statistics.
  held.Reset();
  UniqueFile reading(::CreateFileA(dir.File("20090316.bin").c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(reading);
  data.Clear();
  data.CountDay(CivilDate{2009, 3, 16});
  EXPECT_EQ(data.RowCount(), 1u);
}

TEST(DayFileSourceWin32, AReaderLeavesTheFileOpenToWritersAndToDeletion) {
  // The source's own open, held as a slow reader would hold it: the service may still open the
  // file to write it or to delete and replace it.
  test::ScratchDir dir("tm-days");
  test::WriteFileBytes(dir.File("20090313.bin"), tral::test::DayFileBytes({}, 1));
  UniqueFile reading(OpenDayFileForReading(dir.File("20090313.bin")));
  ASSERT_TRUE(reading);
  UniqueFile replacing(::CreateFileA(dir.File("20090313.bin").c_str(), GENERIC_WRITE | DELETE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
  EXPECT_TRUE(replacing) << ::GetLastError();
}

TEST(DayFileSourceWin32, FilesLargerThanOneReadAreReadWhole) {
  test::ScratchDir dir("tm-days");
  const struct {
    int entries;
    std::size_t size;
  } cases[] = {{44, 4 + 30 + 44 * 91 + 4}, {45, 4 + 30 + 45 * 91 + 4}, {400, 4 + 30 + 400 * 91 + 4}};
  for (const auto& c : cases) {
    tral::test::DayGroup group{"K1", {}};
    for (int e = 0; e < c.entries; ++e) group.entries.push_back({"10.0." + std::to_string(e / 256) + "." +
                                                                     std::to_string(e % 256), "", "", 1024, 0});
    test::WriteFileBytes(dir.File("20090313.bin"), tral::test::DayFileBytes({group}, 777));
    Win32DayFileSource source(dir.Path());
    std::vector<std::uint8_t> bytes;
    ASSERT_EQ(source.ReadDayFile(CivilDate{2009, 3, 13}, bytes), DayFileRead::kRead);
    EXPECT_EQ(bytes.size(), c.size) << c.entries;  // 4,042 and 4,133 bytes straddle the first 4 KiB
    CStatisticData data(source);
    data.CountDay(CivilDate{2009, 3, 13});
    EXPECT_EQ(data.RowCount(), static_cast<std::size_t>(c.entries));
    EXPECT_EQ(data.UptimeMs(), 777u);
  }
}

TEST(DayFileSourceWin32, PathsOfMaxPathOrMoreAreNotOpened) {
  Win32DayFileSource source(std::string(MAX_PATH - 12, 'a') + "\\");
  std::vector<std::uint8_t> bytes{1, 2, 3};
  EXPECT_EQ(source.ReadDayFile(CivilDate{2009, 3, 13}, bytes), DayFileRead::kAbsent);
  EXPECT_TRUE(bytes.empty());
}

TEST(DayFileSourceWin32, TheListingStampsTellARewrittenFile) {
  test::ScratchDir dir("tm-days");
  using tral::test::DayFileBytes;
  test::WriteFileBytes(dir.File("20090313.bin"), DayFileBytes({}, 1));
  test::WriteFileBytes(dir.File("20090314.bin"), DayFileBytes({}, 2));
  test::WriteFileBytes(dir.File("notes.bin"), DayFileBytes({}, 3));
  Win32DayFileSource source(dir.Path());
  std::vector<DayFileStamp> before;
  ASSERT_TRUE(source.ListDayFileStamps(before));
  ASSERT_EQ(before.size(), 2u);
  std::sort(before.begin(), before.end(), [](const auto& a, const auto& b) { return a.date < b.date; });
  EXPECT_EQ(before[0].size, 8u);
  ::Sleep(20);
  test::WriteFileBytes(dir.File("20090314.bin"), DayFileBytes({{"K1", {{"10.0.0.5", "", "", 1, 1}}}}, 2));
  std::vector<DayFileStamp> after;
  ASSERT_TRUE(source.ListDayFileStamps(after));
  std::sort(after.begin(), after.end(), [](const auto& a, const auto& b) { return a.date < b.date; });
  ASSERT_EQ(after.size(), 2u);
  EXPECT_EQ(after[0], before[0]);
  EXPECT_NE(after[1], before[1]);
  EXPECT_EQ(after[1].size, 4u + 30 + 91 + 4);
}

TEST(DayFileSourceWin32, CaseInsensitiveEqualityInTheCodePage) {
  const struct {
    const char* a;
    const char* b;
    bool equal;
  } cases[] = {
      {"Home", "HOME", true}, {"aa-bb", "AA-BB", true}, {"home", "homes", false},
      {"home", "hone", false}, {"", "", true},         {"a-b", "ab", false},
  };
  for (const auto& c : cases) EXPECT_EQ(EqualIgnoringCaseAnsi(c.a, c.b), c.equal) << c.a << " / " << c.b;
  if (::GetACP() == 1252) {
    EXPECT_TRUE(EqualIgnoringCaseAnsi("Caf\xC9", "caf\xE9"));  // É and é
  }
  // The statistics find a row through a hash of its texts: texts the code page takes as equal
  // meet in one row, whatever the code page.
  tral::test::MemoryDayFiles files;
  files.files[CivilDate{2009, 3, 13}] = tral::test::DayFileBytes(
      {{"K1", {{"10.0.0.5", "", "Caf\xC9", 1024, 0}, {"10.0.0.5", "", "CAFE", 1024, 0}}}}, 1);
  files.files[CivilDate{2009, 3, 14}] = tral::test::DayFileBytes({{"k1", {{"10.0.0.5", "", "caf\xE9", 2048, 0}}}}, 1);
  CStatisticData data(files, EqualIgnoringCaseAnsi);
  data.CountSpan(CivilDate{2009, 3, 13}, CivilDate{2009, 3, 14});
  const bool accentsFold = EqualIgnoringCaseAnsi("Caf\xC9", "caf\xE9");
  ASSERT_EQ(data.RowCount(), accentsFold ? 2u : 3u);
  EXPECT_EQ(data.Row(0).downloadedKb, accentsFold ? 3u : 1u);
}

}  // namespace
}  // namespace tral::win32
