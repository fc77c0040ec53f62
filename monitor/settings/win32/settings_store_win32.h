// The monitor's INI files on the Windows private-profile functions, and the main window's position.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "history/profile_text.h"

#include "monitor/settings/ini_values.h"
#include "monitor/settings/monitor_settings.h"
#include "monitor/settings/window_position.h"

namespace tral::win32 {

// Full path of the running executable (at most 260 characters).
std::string GetModulePath();
// The current user's application-data folder, when the shell knows one.
std::optional<std::string> GetAppDataFolder();
// false: the monitor's INI file, named after the executable, in the application-data folder (or
// beside the executable); true: "TraldenMeter.ini" beside the executable.
std::string GetIniPath(bool service);

// One INI file through GetPrivateProfileStringA (19-character buffer) and WritePrivateProfileStringA.
class PrivateProfileFile final : public IniFile {
 public:
  explicit PrivateProfileFile(std::string path) : path_(std::move(path)) {}
  std::string ReadText(const char* section, const char* key, const char* defaultText) override;
  [[nodiscard]] bool WriteText(const char* section, const char* key, const char* value) override;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// One INI file's keys through the profile functions, for readers that must tell a missing key from
// an empty one and read values of any length (the data plans). Each section's key names are asked
// once, then each value.
class PrivateProfileLookup final : public ProfileLookup {
 public:
  explicit PrivateProfileLookup(std::string path) : path_(std::move(path)) {}
  std::optional<std::string> Find(const std::string& section, const std::string& key) override;

 private:
  std::string path_;
  std::optional<std::string> listedSection_;
  std::vector<std::string> keys_;  // of the listed section
};

// Replaces a whole section: it is deleted, then each key is written (no values: deleted only).
// False when a write failed.
[[nodiscard]] bool ReplaceIniSection(const std::string& path, const std::string& section,
                                     const std::vector<std::pair<std::string, std::string>>& values);

std::int32_t ReadIniInt(const char* section, const char* key, std::int32_t def, const std::string& path);
std::uint32_t ReadIniUInt(const char* section, const char* key, std::uint32_t def, const std::string& path);
bool ReadIniBool(const char* section, const char* key, bool def, const std::string& path);
[[nodiscard]] bool WriteIniInt(const char* section, const char* key, std::int32_t value, const std::string& path);
[[nodiscard]] bool WriteIniUInt(const char* section, const char* key, std::uint32_t value, const std::string& path);
[[nodiscard]] bool WriteIniBool(const char* section, const char* key, bool value, const std::string& path);

// Fields 1 to 11 from and to the monitor INI file; `launch` from the Run key.
void LoadSettings(MonitorSettings& settings);
void SaveSettings(MonitorSettings& settings);

// "LAYOUT" / "main": written only while the window is visible and not minimised; restored as a
// move to the stored position (never a resize) when the stored text is acceptable and the window
// would be at least partly on a monitor there.
void SaveWindowPosition(HWND window, const std::string& iniPath);
// Another window's place in the layout section: its rectangle stored under `key`, and the text
// stored there (none when there is no such key).
void WriteLayoutEntry(const char* key, const WindowRect& rect, const std::string& iniPath);
std::optional<std::string> ReadLayoutEntry(const char* key, const std::string& iniPath);
void RestoreWindowPosition(HWND window, const std::string& iniPath);
void SaveWindowPosition(HWND window);
void RestoreWindowPosition(HWND window);

}  // namespace tral::win32
