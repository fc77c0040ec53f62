// The counting worker: waits for stop, requests and address or route changes and drives the loop.
#pragma once

#include <windows.h>

#include "service/incidents.h"

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

// Runs the counting worker until `stopEvent` is signalled, then saves today's file, empties the
// table and releases the block. The day files and the INI are those beside the executable.
// `pause` may be null (debug mode has no pause). Persistent publishing problems go to `incidents`,
// which may be null. Returns 0.
DWORD RunCounter(HANDLE stopEvent, const WorkerPause* pause, IncidentSink* incidents = nullptr);

}  // namespace tral::win32
