// Security attributes of named kernel objects: an explicit owner, and a null DACL where every account may open them.
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

// Security attributes that name this process's default owner explicitly, so that a later start can
// tell the service's objects from a squatter's (Wine leaves objects made without an owner with none
// at all). kEveryone adds a present, null DACL: processes of any account (the monitor runs as an
// ordinary user, the service as the system) can open the objects. kAccountDefault leaves the access
// list to the account's default, as without attributes. Not inheritable. The descriptor lives in the
// object, so the attributes stay valid exactly as long as it does.
enum class ObjectAccess { kEveryone, kAccountDefault };

class ObjectSecurity {
 public:
  explicit ObjectSecurity(ObjectAccess access);
  ObjectSecurity(const ObjectSecurity&) = delete;
  ObjectSecurity& operator=(const ObjectSecurity&) = delete;
  // Null when the descriptor could not be built; the objects then get plain default security.
  SECURITY_ATTRIBUTES* Get() { return ok_ ? &attributes_ : nullptr; }

 private:
  std::vector<std::uint8_t> owner_;
  SECURITY_DESCRIPTOR descriptor_{};
  SECURITY_ATTRIBUTES attributes_{};
  bool ok_ = false;
};

class NullDaclSecurity : public ObjectSecurity {
 public:
  NullDaclSecurity() : ObjectSecurity(ObjectAccess::kEveryone) {}
};

class OwnedObjectSecurity : public ObjectSecurity {
 public:
  OwnedObjectSecurity() : ObjectSecurity(ObjectAccess::kAccountDefault) {}
};

}  // namespace tral::win32
