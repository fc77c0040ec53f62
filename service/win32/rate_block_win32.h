// The shared rate block's kernel objects: the section and PublishRateBlock.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "service/connection_table.h"
#include "shared/names.h"
#include "shared/win32/null_dacl_security_win32.h"
#include "shared/win32/unique_handle.h"

namespace tral::win32 {

// The names of the block's kernel objects: the real ones but for tests.
struct BlockNames {
  const char* request = kRequestEventName;
  const char* answer = kAnswerEventName;
  const char* mutex = kBlockMutexName;
};

// "Global\QRateGet", "Global\QRateSet" and "Global\QRateMMt" as the worker holds them.
struct BlockObjects {
  UniqueKernelHandle request;  // auto-reset: one wait takes one request
  UniqueKernelHandle answer;  // auto-reset: one client's wait takes one answer
  UniqueKernelHandle mutex;

  bool Ready() const { return request && answer && mutex; }

  // Creates what is missing, with `security`. A name that exists already is used as it is: the
  // entry point's guard has made sure that no other counting instance runs, so an existing object is
  // held open by a client or by another program, and neither must keep the service from counting.
  // What cannot be created now (say, a name taken with a hostile access list) is tried again at the
  // next iteration, and until then the worker counts and saves without answering.
  void CreateMissing(SECURITY_ATTRIBUTES* security, const BlockNames& names = BlockNames{});
};

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
