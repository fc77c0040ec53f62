// Reading, probing and writing the service's "keepdays" through the private-profile functions.
#include "monitor/options/win32/service_keep_days_win32.h"

#include <windows.h>

#include "monitor/settings/win32/settings_store_win32.h"
#include "monitor/options/options_flow.h"
#include "shared/names.h"
#include "shared/win32/unique_handle.h"

namespace tral::win32 {

namespace {

// Sharing everything, so neither the service nor another monitor is disturbed by the probe.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

bool FolderTakesNewFile(const std::string& folder) {
  char probe[MAX_PATH + 1] = {};
  // Creates a file of a name nobody uses yet; fails when the folder cannot take one.
  if (::GetTempFileNameA(folder.c_str(), "tvw", 0, probe) == 0) return false;
  ::DeleteFileA(probe);
  return true;
}

}  // namespace

std::uint32_t ReadServiceKeepDays(const std::string& serviceIniPath) {
  return ReadIniUInt(kOptionsSection, kKeepDaysKey, kKeepDaysMissing, serviceIniPath);
}

bool IsServiceIniWritable(const std::string& serviceIniPath) {
  // A read-only file refuses writes on Windows; a process with every right (an administrator's
  // Wine, for one) could open it all the same, so the attribute is asked first.
  const DWORD attributes = ::GetFileAttributesA(serviceIniPath.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
    return false;
  }
  // Opening for writing changes neither the contents nor the time stamps while nothing is written.
  UniqueFile file(::CreateFileA(serviceIniPath.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file) return true;
  if (::GetLastError() != ERROR_FILE_NOT_FOUND) return false;  // read-only, denied or a folder missing
  return FolderTakesNewFile(FolderOf(serviceIniPath));
}

bool WriteServiceKeepDays(const std::string& serviceIniPath, std::uint32_t keepDays) {
  return WriteIniUInt(kOptionsSection, kKeepDaysKey, keepDays, serviceIniPath);
}

}  // namespace tral::win32
