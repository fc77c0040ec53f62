// The null-DACL descriptor shared by the service's objects and the monitor's instance mutex.
#include "shared/win32/null_dacl_security_win32.h"

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

ObjectSecurity::ObjectSecurity(ObjectAccess access) : owner_(DefaultOwnerSid()) {
  ok_ = ::InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) != FALSE;
  if (access == ObjectAccess::kEveryone) {
    ok_ = ok_ && ::SetSecurityDescriptorDacl(&descriptor_, TRUE, nullptr, FALSE);
    if (ok_ && !owner_.empty()) ::SetSecurityDescriptorOwner(&descriptor_, owner_.data(), FALSE);
  } else {
    // Without an owner to name, the attributes would add nothing to plain default security.
    ok_ = ok_ && !owner_.empty() && ::SetSecurityDescriptorOwner(&descriptor_, owner_.data(), FALSE);
  }
  attributes_.nLength = sizeof attributes_;
  attributes_.lpSecurityDescriptor = &descriptor_;
  attributes_.bInheritHandle = FALSE;
}

}  // namespace tral::win32
