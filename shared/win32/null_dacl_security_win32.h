// Security attributes that let processes of every account open a named kernel object.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace tral::win32 {

// One piece of a token's information, in a buffer of the size the system asks for; empty on failure.
std::vector<std::uint8_t> TokenPart(HANDLE token, TOKEN_INFORMATION_CLASS part);

// The owner this process gives the objects it creates (its token's default owner), as SID bytes;
// empty when the token cannot be read.
std::vector<std::uint8_t> DefaultOwnerSid();

// Security attributes whose descriptor has a present, null DACL: processes of any account (the
// monitor runs as an ordinary user, the service as the system) can open the objects. The owner is
// named explicitly, so that a later start can tell the service's objects from a squatter's (Wine
// leaves objects made without an owner with none at all). Not inheritable. The descriptor lives inside this object, so the attributes stay valid exactly as long
// as it does.
class NullDaclSecurity {
 public:
  NullDaclSecurity();
  NullDaclSecurity(const NullDaclSecurity&) = delete;
  NullDaclSecurity& operator=(const NullDaclSecurity&) = delete;
  // Null when the descriptor could not be built; the objects then get default security.
  SECURITY_ATTRIBUTES* Get() { return ok_ ? &attributes_ : nullptr; }

 private:
  std::vector<std::uint8_t> owner_;
  SECURITY_DESCRIPTOR descriptor_{};
  SECURITY_ATTRIBUTES attributes_{};
  bool ok_ = false;
};

}  // namespace tral::win32
