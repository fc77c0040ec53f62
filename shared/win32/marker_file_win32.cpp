// Marker files in the temporary directory.
#include "shared/win32/marker_file_win32.h"

#include <windows.h>

#include "shared/win32/unique_handle.h"

namespace tral::win32 {

std::string MarkerPath(const char* fileName) {
  char dir[MAX_PATH] = {};
  const DWORD n = ::GetTempPathA(sizeof dir, dir);
  if (n == 0 || n >= sizeof dir) return fileName;  // failed, or the directory does not fit
  std::string path(dir, n);
  if (path.back() != '\\') path += '\\';
  return path + fileName;
}

bool CreateMarker(const char* fileName) {
  UniqueFile file(::CreateFileA(MarkerPath(fileName).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  return static_cast<bool>(file);
}

}  // namespace tral::win32
