// One poll of the counting service through its named events, mutex and section.
#pragma once

#include "monitor/mainwindow/connection_list.h"
#include "monitor/mainwindow/service_client.h"

namespace tral::win32 {

// Requests a snapshot, waits for the answer, copies the block into `list` while holding the
// block's mutex, and reports the status text and, on success, an update rebuild to `receiver`.
// A poll that stops before the copy leaves `list` as it was.
void PollService(ConnectionList& list, PollReceiver& receiver);

// Empties `list` and fills it from the section "Global\QMemSet", read only as far as the mapped
// section's real size. False when there is no section, it cannot be mapped, or its contents are
// damaged (the list is then empty).
[[nodiscard]] bool ReadRateBlock(ConnectionList& list);

}  // namespace tral::win32
