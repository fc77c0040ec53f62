// Day files through the real Windows file API: atomic replace, sharing, listing, keepdays.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "service/day_files.h"
#include "service/win32/day_file_store_win32.h"
#include "shared/win32/unique_handle.h"

namespace tral::win32 {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A fresh directory under the temporary directory, removed with everything in it afterwards.
class DayFileStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    ASSERT_NE(::GetTempPathA(MAX_PATH, temp), 0u);
    static int serial = 0;
    dir_ = std::string(temp) + "tm-store-" + std::to_string(::GetCurrentProcessId()) + "-" +
           std::to_string(++serial) + "\\";
    ASSERT_TRUE(::CreateDirectoryA(dir_.c_str(), nullptr)) << dir_;
  }

  void TearDown() override { RemoveTree(dir_); }

  static void RemoveTree(const std::string& dir) {
    WIN32_FIND_DATAA data;
    {
      UniqueFind find(::FindFirstFileA((dir + "*").c_str(), &data));
      if (find) {
        do {
          const std::string name = data.cFileName;
          if (name == "." || name == "..") continue;
          if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            RemoveTree(dir + name + "\\");
          } else {
            ::DeleteFileA((dir + name).c_str());
          }
        } while (::FindNextFileA(find.Get(), &data));
      }
    }
    ::RemoveDirectoryA(dir.c_str());
  }

  void WriteRaw(const std::string& name, const std::string& text) {
    UniqueFile f(::CreateFileA((dir_ + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(f) << name;
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(f.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr));
  }

  bool Exists(const std::string& name) const {
    return ::GetFileAttributesA((dir_ + name).c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
  }

  std::string dir_;
};

TEST_F(DayFileStoreTest, ReplaceWritesExactlyTheBytesAndLeavesNoTemporary) {
  Win32DayFileStore store(dir_, dir_ + "TraldenMeter.ini");
  struct Step {
    const char* what;
    Bytes bytes;
  } steps[] = {
      {"new file", Bytes{0x01, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x7F}},
      {"longer content over it", Bytes(5000, 0xA5)},
      {"shorter content over it", Bytes{0x00, 0x00, 0x00, 0x00}},
      {"empty content", Bytes{}},
  };
  // A day file and a slot file, each with the temporary of its saves and the search that lists it.
  const struct {
    const char* name;
    const char* temporary;
    const char* pattern;
  } kinds[] = {{"20090313.bin", "20090313.tmp", "*.bin"}, {"20090313.slots", "20090313.slots.tmp", "*.slots"}};
  for (const auto& kind : kinds) {
    for (const Step& s : steps) {
      SCOPED_TRACE(std::string(kind.name) + ": " + s.what);
      ASSERT_EQ(store.Replace(kind.name, s.bytes), ReplaceResult::kReplaced);
      Bytes read{0x55};
      ASSERT_EQ(store.Read(kind.name, read), ReadResult::kRead);
      EXPECT_EQ(read, s.bytes);
      EXPECT_FALSE(Exists(kind.temporary));
      EXPECT_EQ(store.List(kind.pattern), std::vector<std::string>{kind.name});
    }
  }
}

// The save's caller is told that the file is held (and may try again in a moment), not that the
// save failed for good.
TEST_F(DayFileStoreTest, AReaderHoldingTheDayFileMakesTheSaveBusyUntilItCloses) {
  Win32DayFileStore store(dir_, dir_ + "TraldenMeter.ini");
  const Bytes oldBytes{1, 2, 3, 4, 5, 6, 7, 8};
  const Bytes newBytes{9, 9, 9};
  ASSERT_EQ(store.Replace("20090313.bin", oldBytes), ReplaceResult::kReplaced);
  {
    // The statistics window reads a day file like this.
    UniqueFile reader(::CreateFileA((dir_ + "20090313.bin").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(reader);
    EXPECT_EQ(store.Replace("20090313.bin", newBytes), ReplaceResult::kBusy);
    EXPECT_FALSE(Exists("20090313.tmp"));
    Bytes read;
    ASSERT_EQ(store.Read("20090313.bin", read), ReadResult::kRead) << "readers share with readers";
    EXPECT_EQ(read, oldBytes);
  }
  ASSERT_EQ(store.Replace("20090313.bin", newBytes), ReplaceResult::kReplaced);
  Bytes read;
  ASSERT_EQ(store.Read("20090313.bin", read), ReadResult::kRead);
  EXPECT_EQ(read, newBytes);
}

// A file that is there but cannot be read is told apart from one that is not there, and can be
// renamed aside once it is free.
TEST_F(DayFileStoreTest, AFileHeldWithoutSharingIsUnreadableNotAbsentAndCanBeRenamedAside) {
  Win32DayFileStore store(dir_, dir_ + "TraldenMeter.ini");
  WriteRaw("20090313.bin", "abc");
  Bytes read;
  {
    UniqueFile holder(::CreateFileA((dir_ + "20090313.bin").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder);
    EXPECT_EQ(store.Read("20090313.bin", read), ReadResult::kUnreadable);
    EXPECT_FALSE(store.Rename("20090313.bin", "20090313.bin.unreadable"));
  }
  WriteRaw("20090313.bin.unreadable", "x");
  EXPECT_FALSE(store.Rename("20090313.bin", "20090313.bin.unreadable")) << "never over another file";
  EXPECT_TRUE(store.Rename("20090313.bin", "20090313.bin.unreadable-2"));
  EXPECT_EQ(store.Read("20090313.bin", read), ReadResult::kAbsent);
  ASSERT_EQ(store.Read("20090313.bin.unreadable-2", read), ReadResult::kRead);
  EXPECT_EQ(read, (Bytes{'a', 'b', 'c'}));
}

TEST_F(DayFileStoreTest, ReadFailsForWhatIsNotAReadableFileInTheDirectory) {
  Win32DayFileStore store(dir_, dir_ + "TraldenMeter.ini");
  WriteRaw("20090313.bin", "abc");
  ASSERT_TRUE(::CreateDirectoryA((dir_ + "sub").c_str(), nullptr));
  WriteRaw("sub\\20090313.bin", "abc");
  // Missing files are absent; a directory of that name is there but unreadable; names reaching
  // outside the directory are no file of it and are refused by every operation.
  struct Case {
    const char* name;
    bool outside;
    ReadResult read;
  } cases[] = {
      {"20090314.bin", false, ReadResult::kAbsent}, {"sub", false, ReadResult::kUnreadable},
      {"", true, ReadResult::kAbsent}, {"sub\\20090313.bin", true, ReadResult::kAbsent},
      {"sub/20090313.bin", true, ReadResult::kAbsent}, {"..", true, ReadResult::kAbsent},
      {"..\\20090313.bin", true, ReadResult::kAbsent}, {"C:20090313.bin", true, ReadResult::kAbsent},
  };
  for (const Case& c : cases) {
    Bytes read{1};
    EXPECT_EQ(store.Read(c.name, read), c.read) << c.name;
    EXPECT_TRUE(read.empty()) << c.name;
    if (!c.outside) continue;
    EXPECT_EQ(store.Replace(c.name, Bytes{1}), ReplaceResult::kFailed) << c.name;
    EXPECT_FALSE(store.Remove(c.name)) << c.name;
    EXPECT_FALSE(store.Rename("20090313.bin", c.name)) << c.name;
  }
  EXPECT_TRUE(Exists("sub\\20090313.bin"));
}

TEST_F(DayFileStoreTest, ListSkipsDirectoriesAndStaleTemporariesAreRemoved) {
  Win32DayFileStore store(dir_, dir_ + "TraldenMeter.ini");
  WriteRaw("20090312.bin", "day");
  WriteRaw("20090313.tmp", "half a save");
  WriteRaw("notes.tmp", "not ours");
  WriteRaw("TraldenMeter.ini", "[OPTIONS]\r\n");
  ASSERT_TRUE(::CreateDirectoryA((dir_ + "20090101.bin").c_str(), nullptr));

  EXPECT_EQ(store.List("*.bin"), std::vector<std::string>{"20090312.bin"});
  EXPECT_EQ(Sorted(store.List("*.tmp")), (std::vector<std::string>{"20090313.tmp", "notes.tmp"}));

  RemoveInterruptedSaves(store);
  EXPECT_FALSE(Exists("20090313.tmp"));
  EXPECT_TRUE(Exists("notes.tmp"));
  EXPECT_TRUE(Exists("20090312.bin"));
  EXPECT_EQ(store.List("*.tmp"), std::vector<std::string>{"notes.tmp"});

  EXPECT_TRUE(store.Remove("20090312.bin"));
  EXPECT_FALSE(store.Remove("20090312.bin"));
  EXPECT_TRUE(store.List("*.bin").empty());
}

TEST_F(DayFileStoreTest, KeepDaysTextComesFromTheOptionsSection) {
  struct Case {
    const char* what;
    const char* ini;  // null: no INI file
    const char* expected;
  } cases[] = {
      {"no file", nullptr, "0"},
      {"no key", "[OPTIONS]\r\nrefresh=2\r\n", "0"},
      {"key in another section", "[LAYOUT]\r\nkeepdays=9\r\n", "0"},
      {"present", "[OPTIONS]\r\nkeepdays=7\r\n", "7"},
      {"negative", "[OPTIONS]\r\nkeepdays=-1\r\n", "-1"},
      {"cut to 18 characters", "[OPTIONS]\r\nkeepdays=1234567890123456789012\r\n", "123456789012345678"},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string iniName = "case" + std::to_string(++n) + ".ini";
    if (c.ini) WriteRaw(iniName, c.ini);
    Win32DayFileStore store(dir_, dir_ + iniName);
    EXPECT_EQ(store.ReadKeepDaysText(), c.expected);
  }
}

TEST(ServicePaths, DayFilesAndTheIniLieBesideTheExecutable) {
  const std::string dir = ExecutableDirectory();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), '\\');
  EXPECT_NE(::GetFileAttributesA((dir + "service_win32_tests.exe").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(ServiceIniPath(), dir + "service_win32_tests.ini");
}

}  // namespace
}  // namespace tral::win32
