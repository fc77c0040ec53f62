// A file replaced through an exclusively created temporary of a random name and a rename.
// rand_s: random numbers from the system's generator, for the temporary file's name.
#define _CRT_RAND_S
#include <stdlib.h>

#include "shared/win32/file_replace_win32.h"

#include <windows.h>

#include <aclapi.h>

#include <cstdio>

#include "shared/win32/system_text_win32.h"
#include "shared/win32/unique_handle.h"

namespace tral::win32 {

namespace {

// What is at the name to be replaced: nothing, a link (which the rename replaces, never what it
// points to), a file, or something that must stay as it is (a folder, a device), with why.
enum class Target { kNone, kLink, kFile, kKept };
Target TargetAt(const std::string& path, std::string& why) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return Target::kNone;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    why = "it is a folder, not a file; it is left as it is";
    return Target::kKept;
  }
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return Target::kLink;
  // Opened for no access at all: only its kind is asked.
  UniqueFile file(::CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file && ::GetFileType(file.Get()) != FILE_TYPE_DISK) {
    why = "it is a device, not a file; it is left as it is";
    return Target::kKept;
  }
  return Target::kFile;
}

// Gives the new file the permissions of the file it replaces (its DACL, inherited parts inherited
// again), and its owner where the caller may set it. Where either fails the new file keeps what it
// inherited from the folder.
void TakeSecurityOf(const std::string& path, HANDLE file) {
  PSECURITY_DESCRIPTOR raw = nullptr;
  PACL dacl = nullptr;
  PSID owner = nullptr;
  if (::GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | OWNER_SECURITY_INFORMATION,
                              &owner, nullptr, &dacl, nullptr, &raw) != ERROR_SUCCESS) {
    return;
  }
  const UniqueLocalMemory descriptor(raw);
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  const bool isProtected = ::GetSecurityDescriptorControl(raw, &control, &revision) && (control & SE_DACL_PROTECTED);
  ::SetSecurityInfo(file, SE_FILE_OBJECT,
                    DACL_SECURITY_INFORMATION | (isProtected ? PROTECTED_DACL_SECURITY_INFORMATION
                                                             : UNPROTECTED_DACL_SECURITY_INFORMATION),
                    nullptr, nullptr, dacl, nullptr);
  ::SetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, owner, nullptr, nullptr, nullptr);
}

}  // namespace

bool ReplaceFileAtomically(const std::string& path, std::string_view content, bool flush, std::string& error) {
  // Only a file is replaced (or a link at the name): a folder or a device of that name stays.
  const Target target = TargetAt(path, error);
  if (target == Target::kKept) return false;
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
      UniqueFile file(::CreateFileA(temp.c_str(), GENERIC_WRITE | WRITE_DAC | WRITE_OWNER, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
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
      if (ok && target == Target::kFile) TakeSecurityOf(path, file.Get());
    }
    const DWORD move = MOVEFILE_REPLACE_EXISTING | (flush ? MOVEFILE_WRITE_THROUGH : 0);
    if (ok && !::MoveFileExA(temp.c_str(), path.c_str(), move)) {
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
