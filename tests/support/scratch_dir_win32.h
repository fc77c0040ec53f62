// A scratch directory and file writing for the monitor's Windows-layer tests.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "shared/win32/unique_handle.h"

namespace tral::win32::test {

// Created on construction, emptied and removed on destruction (one level of files).
class ScratchDir {
 public:
  explicit ScratchDir(const char* name) {
    char temp[MAX_PATH + 1] = {};
    ::GetTempPathA(MAX_PATH, temp);
    path_ = std::string(temp) + name + "-" + std::to_string(::GetCurrentProcessId()) + "\\";
    ::CreateDirectoryA(path_.c_str(), nullptr);
  }
  ~ScratchDir() {
    WIN32_FIND_DATAA found{};
    HANDLE find = ::FindFirstFileA((path_ + "*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ::DeleteFileA((path_ + found.cFileName).c_str());
      } while (::FindNextFileA(find, &found));
      ::FindClose(find);
    }
    ::RemoveDirectoryA(path_.c_str());
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& Path() const { return path_; }  // ends in a backslash
  std::string File(const std::string& name) const { return path_ + name; }

 private:
  std::string path_;
};

// Writes `bytes` as the whole file at `path`.
inline void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  UniqueFile file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
  ASSERT_TRUE(file);
  DWORD written = 0;
  ASSERT_TRUE(::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
}

}  // namespace tral::win32::test
