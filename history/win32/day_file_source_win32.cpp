// Reading day files from a folder on disk.
#include "history/win32/day_file_source_win32.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string_view>

#include "shared/win32/unique_handle.h"

namespace tral::win32 {

HANDLE OpenDayFileForReading(const std::string& path) {
  return ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

Win32DayFileSource::Win32DayFileSource(std::string directory) : directory_(std::move(directory)) {}

DayFileRead Win32DayFileSource::ReadDayFile(const CivilDate& date, std::vector<std::uint8_t>& bytes) {
  return ReadHistoryFile(DayFileName(date), bytes);
}

DayFileRead Win32DayFileSource::ReadSlotFile(const CivilDate& date, std::vector<std::uint8_t>& bytes) {
  return ReadHistoryFile(SlotFileName(date), bytes);
}

DayFileRead Win32DayFileSource::ReadHistoryFile(const std::string& name, std::vector<std::uint8_t>& bytes) {
  bytes.clear();
  problem_.clear();
  const std::string path = directory_ + name;
  // A folder this deep holds no day file that could be opened.
  if (path.size() >= MAX_PATH) return DayFileRead::kAbsent;
  UniqueFile file(OpenDayFileForReading(path));
  if (!file) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return DayFileRead::kAbsent;
    // A folder of a day file's name cannot be opened as a file: it is there, but no day file.
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    const bool folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    problem_ = folder ? "it is a folder, not a file" : SystemErrorText(error);
    return DayFileRead::kUnreadable;
  }
  // Only a file on a disk is a day file; anything else of its name is there but cannot be one.
  BY_HANDLE_FILE_INFORMATION info{};
  if (::GetFileType(file.Get()) != FILE_TYPE_DISK ||
      (::GetFileInformationByHandle(file.Get(), &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))) {
    problem_ = "it is not a regular file";
    return DayFileRead::kUnreadable;
  }
  // No size query: a day costs an open, usually one read and a close, as for any reader of the file.
  const bool ok = ReadWholeFile(bytes, [&](std::uint8_t* into, std::size_t want) -> long long {
    DWORD n = 0;
    if (!::ReadFile(file.Get(), into, static_cast<DWORD>(want), &n, nullptr)) return -1;
    return n;
  });
  if (!ok) problem_ = SystemErrorText(::GetLastError());
  // What could be read is decoded; nothing at all read because the first read failed: the file
  // is there but could not be read.
  if (bytes.empty() && !ok) return DayFileRead::kUnreadable;
  return DayFileRead::kRead;
}

namespace {

std::uint64_t FileTimeValue(const FILETIME& time) {
  return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

}  // namespace

bool Win32DayFileSource::ListDayFiles(std::vector<CivilDate>& dates) {
  dates.clear();
  if (!ListDayFileStamps(stamps_)) return false;
  for (const DayFileStamp& stamp : stamps_) dates.push_back(stamp.date);
  return true;
}

bool Win32DayFileSource::FolderStamp(std::uint64_t& stamp) {
  stamp = 0;
  // The folder without its closing backslash: the attributes are the folder's own.
  const std::string folder = directory_.size() > 1 ? directory_.substr(0, directory_.size() - 1) : directory_;
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExA(folder.c_str(), GetFileExInfoStandard, &data)) return false;
  stamp = FileTimeValue(data.ftLastWriteTime);
  return true;
}

bool Win32DayFileSource::ListDayFileStamps(std::vector<DayFileStamp>& stamps) {
  stamps.clear();
  const std::string search = directory_ + "*.bin";
  // A folder this deep holds no day file that could be opened either: nothing to read.
  if (search.size() >= MAX_PATH) return true;
  WIN32_FIND_DATAA data;
  UniqueFind find(::FindFirstFileA(search.c_str(), &data));
  if (!find) {
    // No match, or no such folder: there are no day files to read. Any other failure (the folder
    // may not be searched) leaves the reading to the dates themselves.
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES || error == ERROR_PATH_NOT_FOUND;
  }
  do {
    // A folder of a day file's name is listed too: its read names it as no day file.
    const void* nul = std::memchr(data.cFileName, 0, sizeof data.cFileName);
    const std::size_t length =
        nul != nullptr ? static_cast<std::size_t>(static_cast<const char*>(nul) - data.cFileName) : 0;
    CivilDate date;
    // The search also matches short-name aliases ("x.binary" as "X~1.BIN"): only real names count.
    if (!ParseDayFileName(std::string_view(data.cFileName, length), date)) continue;
    // The search hands over size and write time with the name: a stamp costs no extra call.
    stamps.push_back(DayFileStamp{
        date, (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow,
        FileTimeValue(data.ftLastWriteTime)});
  } while (::FindNextFileA(find.Get(), &data));
  return true;
}

}  // namespace tral::win32
