// The service's keepdays from the monitor's side: the writability probe changes nothing it looks at.
#include <windows.h>

#include <gtest/gtest.h>

#include "monitor/options/options_flow.h"
#include "monitor/options/win32/service_keep_days_win32.h"
#include "support/scratch_dir_win32.h"

namespace tral::win32 {
namespace {

void WriteFile(const std::string& path, const std::string& text) {
  HANDLE f = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  ::WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  ::CloseHandle(f);
}

struct FileState {
  std::string contents;
  FILETIME written{};
  bool operator==(const FileState& o) const {
    return contents == o.contents && ::CompareFileTime(&written, &o.written) == 0;
  }
};

FileState StateOf(const std::string& path) {
  FileState s;
  HANDLE f = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return s;
  char buffer[256];
  DWORD n = 0;
  while (::ReadFile(f, buffer, sizeof buffer, &n, nullptr) && n > 0) s.contents.append(buffer, n);
  ::GetFileTime(f, nullptr, nullptr, &s.written);
  ::CloseHandle(f);
  return s;
}

int FilesIn(const std::string& folder) {
  WIN32_FIND_DATAA found{};
  HANDLE find = ::FindFirstFileA((folder + "*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return 0;
  int n = 0;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++n;
  } while (::FindNextFileA(find, &found));
  ::FindClose(find);
  return n;
}

TEST(ServiceKeepDaysWin32, AnExistingFileIsProbedWithoutAChange) {
  test::ScratchDir dir("tm-keep");
  const std::string ini = dir.File("TraldenMeter.ini");
  WriteFile(ini, "[OPTIONS]\r\nkeepdays=-1\r\n");
  const FileState before = StateOf(ini);
  ::Sleep(20);  // a write now would give a later time stamp
  EXPECT_TRUE(IsServiceIniWritable(ini));
  EXPECT_TRUE(StateOf(ini) == before);
  EXPECT_EQ(ReadServiceKeepDays(ini), kKeepDaysMissing);

  ASSERT_TRUE(::SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(IsServiceIniWritable(ini));
  ::SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_TRUE(StateOf(ini) == before);
}

TEST(ServiceKeepDaysWin32, AMissingFileNeedsAFolderThatTakesOne) {
  test::ScratchDir dir("tm-keep");
  const std::string ini = dir.File("TraldenMeter.ini");
  EXPECT_EQ(ReadServiceKeepDays(ini), kKeepDaysMissing);
  EXPECT_TRUE(IsServiceIniWritable(ini));
  EXPECT_EQ(FilesIn(dir.Path()), 0);  // the probe's file is gone again, and no INI file was made
  EXPECT_FALSE(IsServiceIniWritable(dir.File("absent\\TraldenMeter.ini")));

  ASSERT_TRUE(WriteServiceKeepDays(ini, 30));
  EXPECT_EQ(ReadServiceKeepDays(ini), 30u);
}

}  // namespace
}  // namespace tral::win32
