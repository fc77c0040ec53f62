// The directory beside the service executable as the core's day-file store, through the Windows file API.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "service/day_file_store.h"

namespace tral::win32 {

// The running executable's full path, however long; empty when it cannot be had whole.
std::string ExecutablePath();

// The directory of the running executable, with its trailing backslash.
std::string ExecutableDirectory();

// The service INI: the executable's full path with its extension replaced by "ini".
std::string ServiceIniPath();

// Files larger than this are not day files of ours (a day file holds a few hundred bytes per
// connection) and are not read.
inline constexpr std::uint64_t kMaxDayFileBytes = 64u << 20;

class Win32DayFileStore final : public DayFileStore {
 public:
  // `directory` ends with a backslash; `iniPath` is the full path of the service INI.
  explicit Win32DayFileStore(std::string directory, std::string iniPath = ServiceIniPath());

  ReadResult Read(const std::string& name, std::vector<std::uint8_t>& out) override;
  ReplaceResult Replace(const std::string& name, std::span<const std::uint8_t> bytes) override;
  bool Rename(const std::string& from, const std::string& to) override;
  std::vector<std::string> List(const std::string& pattern) override;
  bool Remove(const std::string& name) override;
  std::string ReadKeepDaysText() override;


 private:
  std::string directory_;
  std::string iniPath_;
};

}  // namespace tral::win32
