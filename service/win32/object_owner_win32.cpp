// Owners of kernel objects, read from their security descriptors.
#include "service/win32/object_owner_win32.h"

#include <aclapi.h>

#include <cstdint>
#include <vector>

#include "shared/win32/unique_handle.h"

namespace tral::win32 {

namespace {

// One piece of this process's token, in a buffer of the size the system asks for.
std::vector<std::uint8_t> TokenPart(HANDLE token, TOKEN_INFORMATION_CLASS part) {
  DWORD needed = 0;
  ::GetTokenInformation(token, part, nullptr, 0, &needed);
  if (needed == 0) return {};
  std::vector<std::uint8_t> buffer(needed);
  if (!::GetTokenInformation(token, part, buffer.data(), needed, &needed)) return {};
  return buffer;
}

bool IsThisAccount(PSID owner) {
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) return false;
  UniqueKernelHandle token(raw);
  const std::vector<std::uint8_t> user = TokenPart(token.Get(), TokenUser);
  if (!user.empty() && ::EqualSid(owner, reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid)) {
    return true;
  }
  const std::vector<std::uint8_t> defaultOwner = TokenPart(token.Get(), TokenOwner);
  return !defaultOwner.empty() &&
         ::EqualSid(owner, reinterpret_cast<const TOKEN_OWNER*>(defaultOwner.data())->Owner);
}

}  // namespace

std::vector<std::uint8_t> DefaultOwnerSid() {
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) return {};
  UniqueKernelHandle token(raw);
  const std::vector<std::uint8_t> part = TokenPart(token.Get(), TokenOwner);
  if (part.empty()) return {};
  PSID sid = reinterpret_cast<const TOKEN_OWNER*>(part.data())->Owner;
  if (!::IsValidSid(sid)) return {};
  std::vector<std::uint8_t> copy(::GetLengthSid(sid));
  if (!::CopySid(static_cast<DWORD>(copy.size()), copy.data(), sid)) return {};
  return copy;
}

OwnedObjectSecurity::OwnedObjectSecurity() : owner_(DefaultOwnerSid()) {
  ok_ = !owner_.empty() && ::InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) &&
        ::SetSecurityDescriptorOwner(&descriptor_, owner_.data(), FALSE);
  attributes_.nLength = sizeof attributes_;
  attributes_.lpSecurityDescriptor = &descriptor_;
  attributes_.bInheritHandle = FALSE;
}

ObjectOwner OwnerOfObject(HANDLE object) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR raw = nullptr;
  if (::GetSecurityInfo(object, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                        nullptr, &raw) != ERROR_SUCCESS) {
    return ObjectOwner::kUnreadable;
  }
  UniqueLocalMemory descriptor(raw);
  if (owner == nullptr || !::IsValidSid(owner)) return ObjectOwner::kUnreadable;
  for (WELL_KNOWN_SID_TYPE privileged : {WinLocalSystemSid, WinLocalServiceSid, WinNetworkServiceSid,
                                         WinBuiltinAdministratorsSid}) {
    if (::IsWellKnownSid(owner, privileged)) return ObjectOwner::kPrivileged;
  }
  return IsThisAccount(owner) ? ObjectOwner::kThisAccount : ObjectOwner::kOtherAccount;
}

std::optional<ObjectOwner> OwnerOfNamedEvent(const char* name) {
  UniqueKernelHandle event(::OpenEventA(READ_CONTROL, FALSE, name));
  if (event) return OwnerOfObject(event.Get());
  if (::GetLastError() == ERROR_FILE_NOT_FOUND) return std::nullopt;
  return ObjectOwner::kUnreadable;
}

}  // namespace tral::win32
