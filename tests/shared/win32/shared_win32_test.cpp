// Marker files in the temporary directory and the null-DACL security attributes, on Windows itself.
#include <gtest/gtest.h>

#include <string>

#include "shared/win32/marker_file_win32.h"
#include "shared/win32/object_security_win32.h"
#include "shared/win32/unique_handle.h"

namespace tral::win32 {
namespace {

std::string TempDir() {
  char dir[MAX_PATH + 1] = {};
  const DWORD n = ::GetTempPathA(MAX_PATH, dir);
  return std::string(dir, n);
}

// Sets an environment variable for one test and puts the old value back afterwards.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    char old[32768];
    const DWORD n = ::GetEnvironmentVariableA(name, old, sizeof old);
    had_ = n > 0 && n < sizeof old;
    if (had_) old_.assign(old, n);
    ::SetEnvironmentVariableA(name, value);
  }
  ~ScopedEnv() { ::SetEnvironmentVariableA(name_, had_ ? old_.c_str() : nullptr); }

 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

LONGLONG FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<LONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

TEST(MarkerFile, PathIsInTheTemporaryDirectoryOrBare) {
  const std::string temp = TempDir();
  ASSERT_FALSE(temp.empty());
  ASSERT_EQ(temp.back(), '\\');
  EXPECT_EQ(MarkerPath("tview_in.txt"), temp + "tview_in.txt");

  // A temporary directory that does not fit the 260-character buffer counts as unknown: the
  // marker goes to the current directory under its bare name.
  const std::string tooLong = "C:\\" + std::string(300, 'x');
  ScopedEnv tmp("TMP", tooLong.c_str());
  ScopedEnv tempVar("TEMP", tooLong.c_str());
  EXPECT_EQ(MarkerPath("tview_uin.txt"), "tview_uin.txt");
}

TEST(MarkerFile, CreatedEmptyAndTruncatedWhenItExists) {
  const std::string name = "tm-marker-" + std::to_string(::GetCurrentProcessId()) + ".txt";
  const std::string path = TempDir() + name;
  ::DeleteFileA(path.c_str());

  EXPECT_TRUE(CreateMarker(name.c_str()));
  EXPECT_EQ(FileSize(path), 0);
  {
    UniqueFile file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file);
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(file.Get(), "left over", 9, &written, nullptr));
  }
  ASSERT_EQ(FileSize(path), 9);
  EXPECT_TRUE(CreateMarker(name.c_str()));
  EXPECT_EQ(FileSize(path), 0);
  EXPECT_TRUE(::DeleteFileA(path.c_str()));
}

TEST(NullDaclSecurity, DescriptorHasAPresentNullDaclAndIsNotInherited) {
  NullDaclSecurity security;
  SECURITY_ATTRIBUTES* attributes = security.Get();
  ASSERT_NE(attributes, nullptr);
  EXPECT_EQ(attributes->nLength, sizeof(SECURITY_ATTRIBUTES));
  EXPECT_FALSE(attributes->bInheritHandle);
  BOOL present = FALSE;
  BOOL defaulted = TRUE;
  PACL dacl = reinterpret_cast<PACL>(1);
  ASSERT_TRUE(::GetSecurityDescriptorDacl(attributes->lpSecurityDescriptor, &present, &dacl, &defaulted));
  EXPECT_TRUE(present);
  EXPECT_EQ(dacl, nullptr);
  EXPECT_FALSE(defaulted);
}

}  // namespace
}  // namespace tral::win32
