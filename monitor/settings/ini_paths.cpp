// Derivation of the INI file paths from the executable's path.
#include "monitor/settings/ini_paths.h"

#include "shared/names.h"

namespace tral {

namespace {

std::string DerivedIniPath(std::string_view modulePath) {
  const std::size_t slash = modulePath.rfind('\\');
  const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
  const std::size_t dot = modulePath.rfind('.');
  if (dot == std::string_view::npos || dot < nameStart) return std::string(modulePath) + ".ini";
  return std::string(modulePath.substr(0, dot + 1)) + "ini";
}

}  // namespace

std::string ModuleDirectory(std::string_view modulePath) {
  const std::size_t slash = modulePath.rfind('\\');
  if (slash == std::string_view::npos) return {};
  return std::string(modulePath.substr(0, slash + 1));
}

std::string MonitorIniFileName(std::string_view modulePath) {
  const std::string derived = DerivedIniPath(modulePath);
  const std::size_t slash = derived.rfind('\\');
  if (slash == std::string::npos) return std::string(kMonitorIniFallbackName);
  return derived.substr(slash + 1);
}

std::string MonitorIniPath(std::string_view modulePath, const std::optional<std::string>& appDataFolder) {
  if (!appDataFolder) return DerivedIniPath(modulePath);
  std::string path = *appDataFolder;
  if (path.empty() || path.back() != '\\') path += '\\';
  return path + MonitorIniFileName(modulePath);
}

std::string ServiceIniPath(std::string_view modulePath) {
  return ModuleDirectory(modulePath) + kServiceIniName;
}

}  // namespace tral
