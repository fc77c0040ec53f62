// Day files through the Windows file API: bounded reads, atomic replace by temporary and rename.
#include "service/win32/day_file_store_win32.h"

#include <windows.h>

#include <cstring>
#include <utility>

#include "service/day_files.h"
#include "service/service_control.h"
#include "shared/names.h"
#include "shared/win32/unique_handle.h"

namespace tral::win32 {

namespace {

constexpr DWORD kIoChunkBytes = 1u << 20;

// The keepdays value is read as at most 18 characters and its NUL.
constexpr DWORD kKeepDaysBufferBytes = 19;

// Only names inside the store's directory are accepted: the core passes bare file names.
bool IsPlainName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of("\\/:") == std::string::npos && name.find('\0') == std::string::npos;
}

// Writes all bytes to a new file of that path with no sharing, then flushes and closes it; any
// short write, failed flush or failed close is a failure.
bool WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  UniqueFile file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const std::size_t left = bytes.size() - done;
    const DWORD want = left < kIoChunkBytes ? static_cast<DWORD>(left) : kIoChunkBytes;
    DWORD written = 0;
    if (!::WriteFile(file.Get(), bytes.data() + done, want, &written, nullptr) || written != want) {
      return false;
    }
    done += written;
  }
  if (!::FlushFileBuffers(file.Get())) return false;
  return ::CloseHandle(file.Release()) != 0;
}

}  // namespace

std::string ExecutablePath() {
  return ReadWholePath([](char* buffer, std::uint32_t size) { return ::GetModuleFileNameA(nullptr, buffer, size); });
}

std::string ExecutableDirectory() {
  std::string path = ExecutablePath();
  const std::size_t slash = path.rfind('\\');
  if (slash == std::string::npos) return std::string();
  path.resize(slash + 1);
  return path;
}

std::string ServiceIniPath() {
  std::string path = ExecutablePath();
  if (path.empty()) return path;
  // Only a dot in the file name itself counts as the start of the extension.
  const std::size_t slash = path.rfind('\\');
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + ".ini";
  path.resize(dot + 1);
  return path + "ini";
}

Win32DayFileStore::Win32DayFileStore(std::string directory, std::string iniPath)
    : directory_(std::move(directory)), iniPath_(std::move(iniPath)) {}

ReadResult Win32DayFileStore::Read(const std::string& name, std::vector<std::uint8_t>& out) {
  out.clear();
  if (!IsPlainName(name)) return ReadResult::kAbsent;  // no file of the directory has such a name
  const std::string path = directory_ + name;
  UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    // Only a file that is not there is absent; anything else (in use, access denied, a folder of
    // that name) is a file that exists and must not be overwritten unread.
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ReadResult::kAbsent
                                                                         : ReadResult::kUnreadable;
  }
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0 ||
      static_cast<std::uint64_t>(size.QuadPart) > kMaxDayFileBytes) {
    return ReadResult::kUnreadable;
  }
  out.resize(static_cast<std::size_t>(size.QuadPart));
  std::size_t done = 0;
  while (done < out.size()) {
    const std::size_t left = out.size() - done;
    const DWORD want = left < kIoChunkBytes ? static_cast<DWORD>(left) : kIoChunkBytes;
    DWORD got = 0;
    // Writers are shut out while we hold the file, so it cannot end before its size.
    if (!::ReadFile(file.Get(), out.data() + done, want, &got, nullptr) || got == 0) {
      out.clear();
      return ReadResult::kUnreadable;
    }
    done += got;
  }
  return ReadResult::kRead;
}

ReplaceResult Win32DayFileStore::Replace(const std::string& name, std::span<const std::uint8_t> bytes) {
  if (!IsPlainName(name) || bytes.size() > kMaxDayFileBytes) return ReplaceResult::kFailed;
  const std::string temporaryName = SaveTemporaryName(name);
  if (temporaryName == name || !IsPlainName(temporaryName)) return ReplaceResult::kFailed;
  const std::string temporary = directory_ + temporaryName;
  const std::string target = directory_ + name;
  // Readers see the old file or the new one, never a part: the new content is complete and on disk
  // before the rename.
  if (!WriteWholeFile(temporary, bytes)) {
    ::DeleteFileA(temporary.c_str());
    return ReplaceResult::kFailed;
  }
  if (::MoveFileExA(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return ReplaceResult::kReplaced;
  }
  // A program holding the old file without sharing its deletion refuses the rename (as a sharing
  // violation, or as access denied where the folder itself is writable, as the temporary showed):
  // the caller may try again in a moment, with its totals intact.
  const DWORD error = ::GetLastError();
  ::DeleteFileA(temporary.c_str());
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED
             ? ReplaceResult::kBusy
             : ReplaceResult::kFailed;
}

bool Win32DayFileStore::Rename(const std::string& from, const std::string& to) {
  if (!IsPlainName(from) || !IsPlainName(to)) return false;
  const std::string source = directory_ + from;
  const std::string target = directory_ + to;
  return ::MoveFileExA(source.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
}

std::vector<std::string> Win32DayFileStore::List(const std::string& pattern) {
  std::vector<std::string> names;
  const std::string search = directory_ + pattern;
  WIN32_FIND_DATAA data;
  UniqueFind find(::FindFirstFileA(search.c_str(), &data));
  if (!find) return names;
  do {
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    const void* nul = std::memchr(data.cFileName, 0, sizeof data.cFileName);
    const std::size_t length = nul ? static_cast<const char*>(nul) - data.cFileName : sizeof data.cFileName;
    names.emplace_back(data.cFileName, length);
  } while (::FindNextFileA(find.Get(), &data));
  return names;
}

bool Win32DayFileStore::Remove(const std::string& name) {
  if (!IsPlainName(name)) return false;
  const std::string path = directory_ + name;
  return ::DeleteFileA(path.c_str()) != 0;
}

std::string Win32DayFileStore::ReadKeepDaysText() {
  char buffer[kKeepDaysBufferBytes] = {};
  DWORD n = ::GetPrivateProfileStringA(kOptionsSection, kKeepDaysKey, "0", buffer, kKeepDaysBufferBytes,
                                       iniPath_.c_str());
  if (n >= kKeepDaysBufferBytes) n = kKeepDaysBufferBytes - 1;
  return std::string(buffer, n);
}

}  // namespace tral::win32
