// Releases an acquired mutex when the scope ends, on every path.
#pragma once

#include <windows.h>

namespace tral::win32 {

class MutexOwnership {
 public:
  explicit MutexOwnership(HANDLE mutex) : mutex_(mutex) {}
  MutexOwnership(const MutexOwnership&) = delete;
  MutexOwnership& operator=(const MutexOwnership&) = delete;
  ~MutexOwnership() { ::ReleaseMutex(mutex_); }

 private:
  HANDLE mutex_;
};

}  // namespace tral::win32
