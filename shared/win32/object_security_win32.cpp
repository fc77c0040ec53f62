// Descriptors of named kernel objects: a null DACL, the account's default, or the shared block's own.
#include "shared/win32/object_security_win32.h"

#include <iterator>

#include "shared/win32/unique_handle.h"

namespace tral::win32 {

std::vector<std::uint8_t> TokenPart(HANDLE token, TOKEN_INFORMATION_CLASS part) {
  DWORD needed = 0;
  ::GetTokenInformation(token, part, nullptr, 0, &needed);
  if (needed == 0) return {};
  std::vector<std::uint8_t> buffer(needed);
  if (!::GetTokenInformation(token, part, buffer.data(), needed, &needed)) return {};
  return buffer;
}

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

DWORD MonitorAccess(BlockObject object) {
  switch (object) {
    case BlockObject::kRequestEvent: return EVENT_MODIFY_STATE;
    case BlockObject::kAnswerEvent: return SYNCHRONIZE;
    case BlockObject::kMutex: return SYNCHRONIZE | MUTEX_MODIFY_STATE;  // wait, then ReleaseMutex
    case BlockObject::kSection: return FILE_MAP_READ;
  }
  return 0;
}

DWORD FullAccess(BlockObject object) {
  switch (object) {
    case BlockObject::kRequestEvent:
    case BlockObject::kAnswerEvent: return EVENT_ALL_ACCESS;
    case BlockObject::kMutex: return MUTEX_ALL_ACCESS;
    case BlockObject::kSection: return SECTION_ALL_ACCESS;
  }
  return 0;
}

ObjectSecurity::ObjectSecurity(ObjectAccess access) : owner_(DefaultOwnerSid()) {
  ok_ = ::InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) != FALSE;
  if (access == ObjectAccess::kEveryone) {
    ok_ = ok_ && ::SetSecurityDescriptorDacl(&descriptor_, TRUE, nullptr, FALSE);
    if (ok_ && !owner_.empty()) ::SetSecurityDescriptorOwner(&descriptor_, owner_.data(), FALSE);
  } else {
    // Without an owner to name, the attributes would add nothing to plain default security.
    ok_ = ok_ && !owner_.empty() && ::SetSecurityDescriptorOwner(&descriptor_, owner_.data(), FALSE);
  }
}

ObjectSecurity::ObjectSecurity(BlockObject object) : owner_(DefaultOwnerSid()) {
  // An explicit owner as for the other kinds. The access list is given in the object's own rights,
  // not generic ones, so that it reads back the same on every system.
  ok_ = ::InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) && BuildBlockAcl(object) &&
        ::SetSecurityDescriptorDacl(&descriptor_, TRUE, reinterpret_cast<PACL>(acl_.data()), FALSE);
  if (ok_ && !owner_.empty()) ::SetSecurityDescriptorOwner(&descriptor_, owner_.data(), FALSE);
}

bool ObjectSecurity::BuildBlockAcl(BlockObject object) {
  const struct {
    WELL_KNOWN_SID_TYPE who;
    DWORD access;
  } grants[] = {
      {WinLocalSystemSid, FullAccess(object)},
      {WinBuiltinAdministratorsSid, FullAccess(object)},
      {WinInteractiveSid, MonitorAccess(object)},
      {WinAuthenticatedUserSid, MonitorAccess(object)},
  };
  constexpr DWORD kAceBytes = sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + SECURITY_MAX_SID_SIZE;
  acl_.assign(sizeof(ACL) + std::size(grants) * kAceBytes, 0);
  auto* acl = reinterpret_cast<PACL>(acl_.data());
  if (!::InitializeAcl(acl, static_cast<DWORD>(acl_.size()), ACL_REVISION)) return false;
  for (const auto& grant : grants) {
    std::uint8_t sid[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof sid;
    if (!::CreateWellKnownSid(grant.who, nullptr, sid, &size)) return false;
    if (!::AddAccessAllowedAce(acl, ACL_REVISION, grant.access, sid)) return false;
  }
  return true;
}

}  // namespace tral::win32
