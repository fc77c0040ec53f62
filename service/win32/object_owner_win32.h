// Who owns a kernel object: a privileged account, this process's account, or another account.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "service/service_control.h"
#include "shared/win32/object_security_win32.h"

namespace tral::win32 {

// The owner recorded in the object's security descriptor. LocalSystem, LocalService, NetworkService
// and the administrators count as privileged; the user or default owner of this process's token as
// this account (also an object without any owner, which only Wine makes); kUnreadable when the
// descriptor cannot be read.
ObjectOwner OwnerOfObject(HANDLE object);

// The owner of the event of that name; empty when no object of that name exists, kUnreadable when
// one exists that cannot be opened to read its security (another kind of object, or one that denies
// us).
std::optional<ObjectOwner> OwnerOfNamedEvent(const char* name);

}  // namespace tral::win32
