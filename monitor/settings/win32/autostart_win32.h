// Start at log-on: the monitor's value under the current user's Run key.
#pragma once

#include <string>

namespace tral::win32 {

inline constexpr char kRunKeyPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// True when the Run key holds `valueName` naming `exePath` (ignoring letter case). A value that
// names another program does not count.
bool IsAutostartRegistered(const char* valueName, const std::string& exePath);
// Enabling writes `exePath` (overwriting a value that names another program); disabling deletes
// only a value that names `exePath`. 1 when the registry was changed, 0 when there was nothing to
// do or the deletion failed, -1 when the Run key cannot be created or opened for writing.
int SetAutostart(const char* valueName, bool enable, const std::string& exePath);

// The same for the running executable.
bool IsAutostartRegistered(const char* valueName);
int SetAutostart(const char* valueName, bool enable);

}  // namespace tral::win32
