// A scratch directory under the temporary folder for the monitor's Windows-layer tests.
#pragma once

#include <windows.h>

#include <string>

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

}  // namespace tral::win32::test
