// A file replaced through an exclusively created temporary of a random name and a rename.
// rand_s: random numbers from the system's generator, for the temporary file's name.
#define _CRT_RAND_S
#include <stdlib.h>

#include "shared/win32/file_replace_win32.h"

#include <windows.h>

#include <cstdio>

#include "shared/win32/system_text_win32.h"
#include "shared/win32/unique_handle.h"

namespace tral::win32 {

bool ReplaceFileAtomically(const std::string& path, std::string_view content, bool flush, std::string& error) {
  // A fresh file of an unpredictable name, created exclusively (CREATE_NEW fails on any name that
  // is there already, a link included) in the target's folder, so a file or link made there
  // beforehand by someone else is never written through. The rename then replaces the target in
  // one step. A name taken by chance is tried again with other random digits.
  for (int attempt = 0; attempt < 8; ++attempt) {
    unsigned int random[2] = {};
    if (rand_s(&random[0]) != 0 || rand_s(&random[1]) != 0) {
      error = "no random numbers for a temporary file name";
      return false;
    }
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".%08x%08x", random[0], random[1]);
    const std::string temp = path + suffix;
    bool ok = false;
    {
      UniqueFile file(::CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                    nullptr));
      if (!file) {
        const DWORD code = ::GetLastError();
        if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS) continue;
        error = SystemErrorText(code);
        return false;
      }
      DWORD written = 0;
      ok = ::WriteFile(file.Get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
           written == content.size() && (!flush || ::FlushFileBuffers(file.Get()));
      if (!ok) error = SystemErrorText(::GetLastError());
    }
    if (ok && !::MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      ok = false;
      error = SystemErrorText(::GetLastError());
    }
    if (!ok) ::DeleteFileA(temp.c_str());
    return ok;
  }
  error = "no free temporary file name beside it";
  return false;
}

}  // namespace tral::win32
