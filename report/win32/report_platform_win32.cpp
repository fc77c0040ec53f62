// traldenreport's system layer on Windows: the installed service's folder from its registration,
// day files read as the statistics window reads them, texts converted from the ANSI code page.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include "history/win32/ansi_text_win32.h"
#include "history/win32/day_file_source_win32.h"
#include "history/win32/local_date_win32.h"
#include "report/report_platform.h"
#include "report/report_writers.h"
#include "shared/names.h"
#include "shared/win32/file_replace_win32.h"
#include "shared/win32/system_text_win32.h"
#include "shared/win32/unique_handle.h"

namespace tral::report {

namespace {

using win32::UniqueFind;
using win32::UniqueRegKey;

std::string WithBackslash(std::string folder) {
  if (!folder.empty() && folder.back() != '\\' && folder.back() != '/' && folder.back() != ':') folder += '\\';
  return folder;
}

// The service's registered executable path: quoted or not, environment variables expanded.
std::optional<std::string> ServiceImagePath() {
  const std::string keyName = std::string("SYSTEM\\CurrentControlSet\\Services\\") + kServiceName;
  HKEY raw = nullptr;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyName.c_str(), 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  UniqueRegKey key(raw);
  char value[1024] = {};
  DWORD type = 0;
  DWORD size = sizeof value - 1;
  if (::RegQueryValueExA(key.Get(), "ImagePath", nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
          ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ)) {
    return std::nullopt;
  }
  std::string path(value, ::strnlen(value, size));
  if (type == REG_EXPAND_SZ) {
    char expanded[1024] = {};
    const DWORD n = ::ExpandEnvironmentStringsA(path.c_str(), expanded, sizeof expanded);
    if (n == 0 || n > sizeof expanded) return std::nullopt;
    path = expanded;
  }
  if (!path.empty() && path.front() == '"') {
    const std::size_t close = path.find('"', 1);
    path = path.substr(1, close == std::string::npos ? std::string::npos : close - 1);
  }
  return path;
}

}  // namespace

CivilDate LocalToday() { return win32::TodayLocalDate(); }

std::string DefaultFolder() {
  const std::optional<std::string> image = ServiceImagePath();
  if (image) {
    const std::size_t cut = image->find_last_of('\\');
    if (cut != std::string::npos) return image->substr(0, cut + 1);
  }
  return ".\\";
}

std::optional<std::string> FolderProblem(const std::string& folder) {
  const DWORD attributes = ::GetFileAttributesA(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return win32::SystemErrorText(::GetLastError());
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return "it is not a folder";
  WIN32_FIND_DATAA found{};
  UniqueFind find(::FindFirstFileA((WithBackslash(folder) + "*").c_str(), &found));
  if (!find && ::GetLastError() != ERROR_FILE_NOT_FOUND) return win32::SystemErrorText(::GetLastError());
  return std::nullopt;
}

std::unique_ptr<DayFileSource> OpenDayFiles(const std::string& folder) {
  return std::make_unique<win32::Win32DayFileSource>(WithBackslash(folder));
}

TextEqualIgnoringCase TextComparison() { return win32::EqualIgnoringCaseAnsi; }

std::string TextToUtf8(std::string_view text) { return win32::AnsiToUtf8(text); }

std::string TextFromUtf8(std::string_view utf8) { return win32::Utf8ToAnsi(utf8); }

// The console shows the program's ANSI texts, each character that would act on it as "?".
std::string TextToConsole(std::string_view text) { return win32::Utf8ToAnsi(PrintableText(win32::AnsiToUtf8(text))); }

std::string FolderPrefix(const std::string& folder) { return WithBackslash(folder); }

void UseBinaryStandardOutput() { _setmode(_fileno(stdout), _O_BINARY); }

bool WriteAtomically(const std::string& path, const std::string& content, std::string& error) {
  return win32::ReplaceFileAtomically(path, content, true, error);
}

}  // namespace tral::report
