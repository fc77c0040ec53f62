// The Run-key registration of the monitor, read and written through the registry functions.
#include "monitor/settings/win32/autostart_win32.h"

#include <windows.h>

#include "history/win32/ansi_text_win32.h"
#include "monitor/settings/win32/settings_store_win32.h"
#include "shared/win32/unique_handle.h"

namespace tral::win32 {

namespace {

constexpr DWORD kRunValueBuffer = 260;

}  // namespace

bool IsAutostartRegistered(const char* valueName, const std::string& exePath) {
  HKEY raw = nullptr;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, kRunKeyPath, 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS) return false;
  UniqueRegKey key(raw);
  // One byte more than the value may fill, so that data stored without its NUL still ends.
  char data[kRunValueBuffer + 1] = {};
  DWORD size = kRunValueBuffer;
  if (::RegQueryValueExA(key.Get(), valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size) !=
      ERROR_SUCCESS) {
    return false;
  }
  data[size < kRunValueBuffer ? size : kRunValueBuffer] = '\0';
  // Our path in another letter case names us; a comparison by language rules would also take
  // other spellings for ours.
  return EqualIgnoringCaseAnsi(data, exePath);
}

int SetAutostart(const char* valueName, bool enable, const std::string& exePath) {
  if (enable) {
    if (IsAutostartRegistered(valueName, exePath)) return 0;
    HKEY raw = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, kRunKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                          nullptr, &raw, nullptr) != ERROR_SUCCESS) {
      return -1;
    }
    UniqueRegKey key(raw);
    ::RegSetValueExA(key.Get(), valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(exePath.c_str()),
                     static_cast<DWORD>(exePath.size() + 1));
    return 1;
  }
  // A value of this name that starts another program is not ours to remove.
  if (!IsAutostartRegistered(valueName, exePath)) return 0;
  HKEY raw = nullptr;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, kRunKeyPath, 0, KEY_ALL_ACCESS, &raw) != ERROR_SUCCESS) return 0;
  UniqueRegKey key(raw);
  return ::RegDeleteValueA(key.Get(), valueName) == ERROR_SUCCESS ? 1 : 0;
}

bool IsAutostartRegistered(const char* valueName) { return IsAutostartRegistered(valueName, GetModulePath()); }

int SetAutostart(const char* valueName, bool enable) { return SetAutostart(valueName, enable, GetModulePath()); }

}  // namespace tral::win32
