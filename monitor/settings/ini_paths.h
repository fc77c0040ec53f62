// Where the monitor's INI file and the service's INI file lie, derived from the executable's path.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tral {

inline constexpr char kMonitorIniFallbackName[] = "TraldenView.ini";

// The executable's path with its extension replaced by "ini", as a file name only: for
// "C:\Tools\TraldenView.exe" it is "TraldenView.ini". Only a dot in the last path component counts;
// a name without one gets ".ini" appended. A path without any backslash gives the fixed name.
std::string MonitorIniFileName(std::string_view modulePath);

// The monitor's INI file: in the user's application-data folder when there is one (a backslash
// is added when the folder does not end in one), else beside the executable.
std::string MonitorIniPath(std::string_view modulePath, const std::optional<std::string>& appDataFolder);

// "TraldenMeter.ini" in the executable's directory: the service reads it beside its own executable,
// and both programs are installed in one directory.
std::string ServiceIniPath(std::string_view modulePath);

// The executable's directory with its trailing backslash ("" when the path has none).
std::string ModuleDirectory(std::string_view modulePath);

}  // namespace tral
