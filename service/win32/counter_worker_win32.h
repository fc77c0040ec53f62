// The counting worker: waits for stop, requests and address or route changes and drives the loop.
#pragma once

#include <windows.h>

namespace tral::win32 {

// Unnamed auto-reset events through which the service holds the worker during a pause. The worker
// parks itself at the top of its loop, where it owns no lock and is in no file operation: a thread
// suspended from outside could be stopped while holding the block's mutex (every monitor would then
// wait on it) or the process heap's lock.
struct WorkerPause {
  HANDLE request = nullptr;  // set by the control handler to pause the worker
  HANDLE parked = nullptr;  // set by the worker once it waits for `resume`
  HANDLE resume = nullptr;  // set by the control handler to continue
};

// Unnamed auto-reset events through which the control handler tells the worker of the system's
// sleep: before it the worker saves, after it it reads the adapters again and takes new baselines.
struct WorkerPower {
  HANDLE suspending = nullptr;  // set by the control handler when the system is about to sleep
  HANDLE saved = nullptr;  // set by the worker once it has saved for the sleep
  HANDLE resumed = nullptr;  // set by the control handler when the system has woken
};

// Runs the counting worker until `stopEvent` is signalled, then saves today's file, empties the
// table and releases the block. The day files and the INI are those beside the executable.
// `pause` and `power` may be null (debug mode has neither). Returns 0 when everything counted was
// saved at the end, kFinalSaveFailed otherwise.
inline constexpr DWORD kFinalSaveFailed = 1;
DWORD RunCounter(HANDLE stopEvent, const WorkerPause* pause, const WorkerPower* power = nullptr);

}  // namespace tral::win32
