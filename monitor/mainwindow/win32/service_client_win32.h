// One poll of the counting service through its named events, mutex and section.
#pragma once

#include <cstddef>

#include "monitor/common/connection_list.h"
#include "monitor/mainwindow/service_client.h"
#include "shared/win32/unique_handle.h"

namespace tral::win32 {

// The block's objects as the monitor keeps them from one poll to the next: opening them and mapping
// the section at every poll cost more than the rest of the poll. The request event is not kept: it
// is opened at each poll, so that a service that has ended (only the service holds that name) is
// found at once. A service started again finds the kept objects by their names and goes on with
// them; after a failed wait everything is let go and opened afresh by the next poll.
struct ServiceLink {
  UniqueKernelHandle answer;
  UniqueKernelHandle mutex;
  UniqueKernelHandle section;
  UniqueMappedView view;
  std::size_t viewBytes = 0;  // what the view really spans

  void Close();
};

// Requests a snapshot, waits for the answer, copies the block into `list` while holding the
// block's mutex, and reports the status text and, on success, an update rebuild to `receiver`.
// A poll that stops before the copy leaves `list` as it was. Every object is opened with exactly
// the rights the service grants ordinary users.
void PollService(ServiceLink& link, ConnectionList& list, PollReceiver& receiver);

// Empties `list` and fills it from the section "Global\QMemSet", mapped once and kept in `link`,
// read only as far as the mapped section's real size. False when there is no section, it cannot be
// mapped, or its contents are damaged (the list is then empty).
[[nodiscard]] bool ReadRateBlock(ServiceLink& link, ConnectionList& list);

}  // namespace tral::win32
