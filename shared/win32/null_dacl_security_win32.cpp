// The null-DACL descriptor shared by the service's objects and the monitor's instance mutex.
#include "shared/win32/null_dacl_security_win32.h"

namespace tral::win32 {

NullDaclSecurity::NullDaclSecurity() {
  ok_ = ::InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) &&
        ::SetSecurityDescriptorDacl(&descriptor_, TRUE, nullptr, FALSE);
  attributes_.nLength = sizeof attributes_;
  attributes_.lpSecurityDescriptor = &descriptor_;
  attributes_.bInheritHandle = FALSE;
}

}  // namespace tral::win32
