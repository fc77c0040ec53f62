// The shared rate block's kernel objects: the section and PublishRateBlock.
#pragma once

#include <windows.h>

#include <cstddef>

#include "service/connection_table.h"
#include "shared/names.h"
#include "shared/win32/null_dacl_security_win32.h"
#include "shared/win32/unique_handle.h"

namespace tral::win32 {

// How long the writer waits for "Global\QRateMMt" before it leaves the previous snapshot in place.
inline constexpr DWORD kBlockMutexWaitMs = 1500;

// The worker's section "Global\QMemSet" and its view, kept from the first request to the stop.
struct RateBlockSection {
  UniqueKernelHandle section;
  UniqueMappedView view;
  std::size_t viewBytes = 0;  // what is really mapped: the section may be older and smaller than asked
};

// Writes a snapshot of the table into the block while owning `mutex` (waited for up to 1,500 ms; an
// abandoned mutex counts as acquired). Creates the section at max(1 MiB, needed) when there is none
// or the snapshot no longer fits the mapped view. True when a snapshot was written; false when the
// mutex was not obtained or the section could not be created or mapped (the block then keeps what it
// had, and the next request tries again).
// `sectionName` is "Global\QMemSet" but for tests.
bool PublishRateBlock(const ConnectionTable& table, RateBlockSection& block, HANDLE mutex,
                      SECURITY_ATTRIBUTES* security, const char* sectionName = kBlockSectionName);

}  // namespace tral::win32
