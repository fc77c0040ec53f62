// The service's "keepdays" as the monitor sees it: reading it, whether it can be changed, writing it.
#pragma once

#include <cstdint>
#include <string>

namespace tral::win32 {

// "OPTIONS" / "keepdays" of the service INI file read as unsigned; kKeepDaysMissing when absent.
std::uint32_t ReadServiceKeepDays(const std::string& serviceIniPath);

// Whether the monitor could write the service INI file, found out without changing what the
// service reads: an existing file is opened for writing (shared with every other reader and
// writer) and closed untouched; for a missing file its folder must take a new, uniquely named file,
// which is deleted again at once.
bool IsServiceIniWritable(const std::string& serviceIniPath);

// Writes "keepdays" as unsigned; true when the write succeeded.
[[nodiscard]] bool WriteServiceKeepDays(const std::string& serviceIniPath, std::uint32_t keepDays);

}  // namespace tral::win32
