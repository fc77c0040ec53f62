// The shared rate block's kernel objects: the section and PublishRateBlock.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "service/connection_table.h"
#include "service/incidents.h"
#include "shared/names.h"
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

  // Creates what is missing, each with the block's explicit access list (SYSTEM and the
  // administrators everything, ordinary users what a monitor needs). A name that exists already is
  // used only when its object is owned by a privileged account or by ours: an earlier instance's
  // object that a monitor still holds open. One that another account made, or that we may not even
  // open, is a squatter's: it is left alone and reported to `incidents` (which may be null) as
  // kObjectsSquatted, a failure to create as kCannotPublish, and it is tried again at the next
  // iteration. Until then the worker counts and saves without answering.
  void CreateMissing(IncidentSink* incidents, const BlockNames& names = BlockNames{});
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
// abandoned mutex counts as acquired). Creates the section at max(1 MiB, needed), with the block's
// access list, when there is none or the snapshot no longer fits the mapped view; an existing
// section is used under the same rule as the other objects. True when a snapshot was written; false
// when the mutex was not obtained or the section could not be created, was squatted or could not be
// mapped (the block then keeps what it had, the last two are reported to `incidents`, which may be
// null, and the next request tries again).
// `sectionName` is "Global\QMemSet" but for tests.
bool PublishRateBlock(const ConnectionTable& table, RateBlockSection& block, HANDLE mutex,
                      IncidentSink* incidents, const char* sectionName = kBlockSectionName);

}  // namespace tral::win32
