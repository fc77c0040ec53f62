// Reading day files from disk for the statistics.
#include "monitor/statistics/win32/day_file_source_win32.h"

#include <windows.h>

#include <algorithm>

#include "monitor/app/ini_paths.h"
#include "monitor/app/win32/settings_store_win32.h"
#include "shared/win32/unique_handle.h"

namespace tral::win32 {

Win32DayFileSource::Win32DayFileSource() : directory_(ModuleDirectory(GetModulePath())) {}

Win32DayFileSource::Win32DayFileSource(std::string directory) : directory_(std::move(directory)) {}

bool Win32DayFileSource::ReadDayFile(const CivilDate& date, std::vector<std::uint8_t>& bytes) {
  bytes.clear();
  const std::string path = directory_ + DayFileName(date);
  if (path.size() >= MAX_PATH) return false;
  // Read sharing only: while the service writes the file (no sharing) the open fails.
  UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  // Read until a read comes back short: no size query, so a day costs an open, usually one read
  // and a close, the same as any reader of the file.
  // A day of ten connections is about 1 KB; larger files are read in growing chunks.
  std::size_t chunk = 4096;
  std::size_t got = 0;
  while (got < kMaxDayFileBytes) {
    const std::size_t want = std::min(chunk, kMaxDayFileBytes - got);
    chunk = std::min<std::size_t>(chunk * 2, 1 << 20);
    bytes.resize(got + want);
    DWORD n = 0;
    if (!::ReadFile(file.Get(), bytes.data() + got, static_cast<DWORD>(want), &n, nullptr)) break;
    got += n;
    if (n < want) break;
  }
  // What could be read is decoded; a short or unreadable file simply ends early.
  bytes.resize(got);
  return true;
}

}  // namespace tral::win32
