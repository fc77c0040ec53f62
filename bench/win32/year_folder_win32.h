// A folder in the temporary directory holding the benchmarks' year of day files, removed again
// when it goes.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/year_of_day_files.h"
#include "shared/win32/unique_handle.h"

namespace tral::bench {

class YearFolder {
 public:
  // `name` makes the folder's name, with the process id, unique.
  explicit YearFolder(const char* name) {
    char temp[MAX_PATH + 1] = {};
    ::GetTempPathA(MAX_PATH, temp);
    dir_ = std::string(temp) + name + "-" + std::to_string(::GetCurrentProcessId()) + "\\";
    ::CreateDirectoryA(dir_.c_str(), nullptr);
    for (int d = 0; d < kDays; ++d) {
      paths_.push_back(dir_ + DayFileName(AddDays(kFirst, d)));
      const std::vector<std::uint8_t> bytes = DayFileBytesOfDay(d);
      win32::UniqueFile file(::CreateFileA(paths_.back().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
      DWORD written = 0;
      if (!file || !::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
        std::fprintf(stderr, "cannot write %s\n", paths_.back().c_str());
        ok_ = false;
        return;
      }
    }
  }
  ~YearFolder() {
    for (const std::string& path : paths_) ::DeleteFileA(path.c_str());
    for (const std::string& path : others_) ::DeleteFileA(path.c_str());
    ::RemoveDirectoryA(dir_.c_str());
  }
  YearFolder(const YearFolder&) = delete;
  YearFolder& operator=(const YearFolder&) = delete;

  bool Ok() const { return ok_; }
  const std::string& Dir() const { return dir_; }  // ends in a backslash
  // A file of the folder that is not a day file (an INI), removed with the folder.
  std::string Other(const char* name) {
    others_.push_back(dir_ + name);
    return others_.back();
  }

 private:
  std::string dir_;
  std::vector<std::string> paths_;
  std::vector<std::string> others_;
  bool ok_ = true;
};

}  // namespace tral::bench
