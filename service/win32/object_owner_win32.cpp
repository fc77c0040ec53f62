// Owners of kernel objects, read from their security descriptors.
#include "service/win32/object_owner_win32.h"

#include <aclapi.h>

#include <cstdint>
#include <vector>

#include "shared/win32/object_security_win32.h"
#include "shared/win32/unique_handle.h"

namespace tral::win32 {

namespace {

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

ObjectOwner OwnerOfObject(HANDLE object) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR raw = nullptr;
  if (::GetSecurityInfo(object, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                        nullptr, &raw) != ERROR_SUCCESS) {
    return ObjectOwner::kUnreadable;
  }
  UniqueLocalMemory descriptor(raw);
  // Windows gives every object an owner. Wine gives none to an object made without security
  // attributes, and under Wine every program runs as one account: ours.
  if (owner == nullptr) return ObjectOwner::kThisAccount;
  if (!::IsValidSid(owner)) return ObjectOwner::kUnreadable;
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
