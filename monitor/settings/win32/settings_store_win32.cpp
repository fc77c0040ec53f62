// Private-profile INI access, INI paths and the main window's stored position.
#include "monitor/settings/win32/settings_store_win32.h"

#include <shlobj.h>

#include <algorithm>
#include <vector>

#include "shared/ascii_text.h"

#include "monitor/settings/ini_paths.h"
#include "monitor/settings/win32/autostart_win32.h"
#include "monitor/settings/window_position.h"

namespace tral::win32 {

namespace {

constexpr DWORD kIniReadBuffer = 19;  // at most 18 characters of a value are seen
constexpr DWORD kLayoutReadBuffer = 100;

// Releases an interface pointer obtained from the shell.
template <typename Interface>
struct ComRelease {
  Interface* p = nullptr;
  ~ComRelease() {
    if (p != nullptr) p->Release();
  }
};

bool RunKeyHasUs() { return IsAutostartRegistered(kAutostartValueName); }

bool IsOnAnyMonitor(const WindowRect& r) {
  const RECT rect{r.left, r.top, r.right, r.bottom};
  return ::MonitorFromRect(&rect, MONITOR_DEFAULTTONULL) != nullptr;
}

}  // namespace

std::string GetModulePath() {
  char path[MAX_PATH + 1] = {};
  const DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::string(path, n < MAX_PATH ? n : MAX_PATH);
}

std::optional<std::string> GetAppDataFolder() {
  ComRelease<IMalloc> shellMalloc;
  if (FAILED(::SHGetMalloc(&shellMalloc.p)) || shellMalloc.p == nullptr) return std::nullopt;
  LPITEMIDLIST items = nullptr;
  if (FAILED(::SHGetSpecialFolderLocation(nullptr, CSIDL_APPDATA, &items)) || items == nullptr) {
    return std::nullopt;
  }
  char folder[MAX_PATH + 1] = {};
  const BOOL ok = ::SHGetPathFromIDListA(items, folder);
  shellMalloc.p->Free(items);
  if (!ok || folder[0] == '\0') return std::nullopt;
  return std::string(folder);
}

std::string GetIniPath(bool service) {
  const std::string modulePath = GetModulePath();
  if (service) return ServiceIniPath(modulePath);
  return MonitorIniPath(modulePath, GetAppDataFolder());
}

std::string PrivateProfileFile::ReadText(const char* section, const char* key, const char* defaultText) {
  char buffer[kIniReadBuffer] = {};
  const DWORD n = ::GetPrivateProfileStringA(section, key, defaultText, buffer, kIniReadBuffer, path_.c_str());
  return std::string(buffer, n < kIniReadBuffer ? n : kIniReadBuffer - 1);
}

bool PrivateProfileFile::WriteText(const char* section, const char* key, const char* value) {
  return ::WritePrivateProfileStringA(section, key, value, path_.c_str()) != FALSE;
}

namespace {

// GetPrivateProfileStringA into a buffer that grows until the answer fits: the call gives the
// buffer's size less one (or two for a list of names) when it had to cut.
std::string ProfileString(const char* section, const char* key, const std::string& path, DWORD cutMargin) {
  std::vector<char> buffer(1024);
  for (;;) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD n = ::GetPrivateProfileStringA(section, key, "", buffer.data(), size, path.c_str());
    if (n + cutMargin < size || buffer.size() >= (1u << 20)) return std::string(buffer.data(), std::min(n, size));
    buffer.resize(buffer.size() * 4);
  }
}

}  // namespace

std::optional<std::string> PrivateProfileLookup::Find(const std::string& section, const std::string& key) {
  if (listedSection_ != section) {
    // With no key the call lists the section's key names, each ended by a NUL.
    const std::string names = ProfileString(section.c_str(), nullptr, path_, 2);
    keys_.clear();
    for (std::size_t at = 0; at < names.size();) {
      const std::size_t end = names.find('\0', at);
      const std::size_t stop = end == std::string::npos ? names.size() : end;
      if (stop > at) keys_.push_back(names.substr(at, stop - at));
      at = stop + 1;
    }
    listedSection_ = section;
  }
  for (const std::string& name : keys_) {
    if (AsciiEqualIgnoringCase(name, key)) return ProfileString(section.c_str(), key.c_str(), path_, 1);
  }
  return std::nullopt;
}

bool ReplaceIniSection(const std::string& path, const std::string& section,
                       const std::vector<std::pair<std::string, std::string>>& values) {
  bool written = ::WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, path.c_str()) != FALSE;
  for (const auto& [key, value] : values) {
    written = ::WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path.c_str()) != FALSE && written;
  }
  return written;
}

std::int32_t ReadIniInt(const char* section, const char* key, std::int32_t def, const std::string& path) {
  PrivateProfileFile file(path);
  return tral::ReadIniInt(file, section, key, def);
}

std::uint32_t ReadIniUInt(const char* section, const char* key, std::uint32_t def, const std::string& path) {
  PrivateProfileFile file(path);
  return tral::ReadIniUInt(file, section, key, def);
}

bool ReadIniBool(const char* section, const char* key, bool def, const std::string& path) {
  PrivateProfileFile file(path);
  return tral::ReadIniBool(file, section, key, def);
}

bool WriteIniInt(const char* section, const char* key, std::int32_t value, const std::string& path) {
  PrivateProfileFile file(path);
  return tral::WriteIniInt(file, section, key, value);
}

bool WriteIniUInt(const char* section, const char* key, std::uint32_t value, const std::string& path) {
  PrivateProfileFile file(path);
  return tral::WriteIniUInt(file, section, key, value);
}

bool WriteIniBool(const char* section, const char* key, bool value, const std::string& path) {
  PrivateProfileFile file(path);
  return tral::WriteIniBool(file, section, key, value);
}

void LoadSettings(MonitorSettings& settings) {
  PrivateProfileFile file(GetIniPath(false));
  tral::LoadSettings(settings, file, RunKeyHasUs);
}

void SaveSettings(MonitorSettings& settings) {
  PrivateProfileFile file(GetIniPath(false));
  tral::SaveSettings(settings, file, RunKeyHasUs);
}

void SaveWindowPosition(HWND window, const std::string& iniPath) {
  if (!::IsWindowVisible(window) || ::IsIconic(window)) return;
  RECT rect{};
  if (!::GetWindowRect(window, &rect)) return;
  WriteLayoutEntry(kMainLayoutKey, WindowRect{rect.left, rect.top, rect.right, rect.bottom}, iniPath);
}

void WriteLayoutEntry(const char* key, const WindowRect& rect, const std::string& iniPath) {
  ::WritePrivateProfileStringA(kLayoutSection, key, WindowPositionText(rect).c_str(), iniPath.c_str());
}

std::optional<std::string> ReadLayoutEntry(const char* key, const std::string& iniPath) {
  // A default no stored text can have (it holds no comma) tells a missing key from any value.
  constexpr char kMissing[] = "none";
  char buffer[kLayoutReadBuffer] = {};
  const DWORD n = ::GetPrivateProfileStringA(kLayoutSection, key, kMissing, buffer, kLayoutReadBuffer, iniPath.c_str());
  const std::string text(buffer, n < kLayoutReadBuffer ? n : kLayoutReadBuffer - 1);
  if (text == kMissing) return std::nullopt;
  return text;
}

void RestoreWindowPosition(HWND window, const std::string& iniPath) {
  RECT rect{};
  if (!::GetWindowRect(window, &rect)) return;
  const std::string current = WindowPositionText(WindowRect{rect.left, rect.top, rect.right, rect.bottom});
  char buffer[kLayoutReadBuffer] = {};
  const DWORD n = ::GetPrivateProfileStringA(kLayoutSection, kMainLayoutKey, current.c_str(), buffer,
                                             kLayoutReadBuffer, iniPath.c_str());
  const std::optional<WindowPoint> point = PositionToRestore(
      std::string_view(buffer, n < kLayoutReadBuffer ? n : kLayoutReadBuffer - 1),
      WindowRect{rect.left, rect.top, rect.right, rect.bottom}, IsOnAnyMonitor);
  if (!point) return;
  ::SetWindowPos(window, nullptr, point->x, point->y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SaveWindowPosition(HWND window) { SaveWindowPosition(window, GetIniPath(false)); }
void RestoreWindowPosition(HWND window) { RestoreWindowPosition(window, GetIniPath(false)); }

}  // namespace tral::win32
