// Security attributes that let processes of every account open a named kernel object.
#pragma once

#include <windows.h>

namespace tral::win32 {

// Security attributes whose descriptor has a present, null DACL: processes of any account (the
// monitor runs as an ordinary user, the service as the system) can open the objects. Not
// inheritable. The descriptor lives inside this object, so the attributes stay valid exactly as long
// as it does.
class NullDaclSecurity {
 public:
  NullDaclSecurity();
  NullDaclSecurity(const NullDaclSecurity&) = delete;
  NullDaclSecurity& operator=(const NullDaclSecurity&) = delete;
  // Null when the descriptor could not be built; the objects then get default security.
  SECURITY_ATTRIBUTES* Get() { return ok_ ? &attributes_ : nullptr; }

 private:
  SECURITY_DESCRIPTOR descriptor_{};
  SECURITY_ATTRIBUTES attributes_{};
  bool ok_ = false;
};

}  // namespace tral::win32
