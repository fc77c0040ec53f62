// Security attributes of named kernel objects: an explicit owner, and who else may open them for what.
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

// The shared block's objects, each with the one thing a monitor does with it.
enum class BlockObject { kRequestEvent, kAnswerEvent, kMutex, kSection };

// The rights a monitor opens a block object with, which are all that ordinary users are granted on
// it: set the request event, wait on the answer event, take and release the mutex, map the section
// for reading. Nobody but SYSTEM and the administrators may change an object's security, write into
// the section or set the answer.
DWORD MonitorAccess(BlockObject object);
// Every right the kind of object has.
DWORD FullAccess(BlockObject object);

// kEveryone: a present, null DACL, so that processes of any account may open the objects with any
// right. kAccountDefault: the access list the account gives its objects, as without attributes.
enum class ObjectAccess { kEveryone, kAccountDefault };

// Security attributes that name this process's default owner explicitly, so that a later start can
// tell the service's objects from a squatter's (Wine leaves objects made without an owner with none
// at all), with one of three access lists: the two of ObjectAccess, or the block's explicit one.
// Not inheritable. The descriptor is copied into the object, so the attributes need to live only
// until the object is created.
class ObjectSecurity {
 public:
  explicit ObjectSecurity(ObjectAccess access);
  // The block's access list for `object`: SYSTEM and the administrators FullAccess, interactive and
  // authenticated users MonitorAccess, nobody else anything.
  explicit ObjectSecurity(BlockObject object);
  ObjectSecurity(const ObjectSecurity&) = delete;
  ObjectSecurity& operator=(const ObjectSecurity&) = delete;
  // Null when the descriptor could not be built; the objects then get plain default security.
  SECURITY_ATTRIBUTES* Get() { return ok_ ? &attributes_ : nullptr; }

 private:
  bool BuildBlockAcl(BlockObject object);

  std::vector<std::uint8_t> owner_;
  std::vector<std::uint8_t> acl_;
  SECURITY_DESCRIPTOR descriptor_{};
  SECURITY_ATTRIBUTES attributes_{sizeof(SECURITY_ATTRIBUTES), &descriptor_, FALSE};
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
