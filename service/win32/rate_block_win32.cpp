// Publishing the table into "Global\QMemSet" under "Global\QRateMMt".
#include "service/win32/rate_block_win32.h"

#include <cstdint>
#include <span>

#include "service/rate_block.h"
#include "service/win32/object_owner_win32.h"
#include "shared/win32/mutex_ownership.h"

namespace tral::win32 {

namespace {

// The bytes a view really spans. A section of that name that a client still holds open is reused
// by CreateFileMapping whatever size was asked for, so the size asked for proves nothing.
std::size_t MappedBytes(void* view) {
  MEMORY_BASIC_INFORMATION info{};
  if (::VirtualQuery(view, &info, sizeof info) != sizeof info) return 0;
  return info.RegionSize;
}

bool MapSection(RateBlockSection& block, std::size_t needed, SECURITY_ATTRIBUTES* security,
                const char* name) {
  block.view.Reset();
  block.section.Reset();
  block.viewBytes = 0;
  const std::uint64_t size = RateBlockSectionSize(needed);
  block.section.Reset(::CreateFileMappingA(INVALID_HANDLE_VALUE, security, PAGE_READWRITE,
                                           static_cast<DWORD>(size >> 32), static_cast<DWORD>(size),
                                           name));
  if (!block.section) return false;
  block.view.Reset(::MapViewOfFile(block.section.Get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
  if (!block.view) {
    block.section.Reset();
    return false;
  }
  block.viewBytes = MappedBytes(block.view.Get());
  return true;
}

}  // namespace

void BlockObjects::CreateMissing(SECURITY_ATTRIBUTES* security, const BlockNames& names) {
  // Both events auto-reset: a manual-reset request would stay signalled after the first answer and
  // make the worker answer in a loop, and a manual-reset answer would release every later client at
  // once with a stale snapshot.
  if (!request) request.Reset(::CreateEventA(security, FALSE, FALSE, names.request));
  if (!answer) answer.Reset(::CreateEventA(security, FALSE, FALSE, names.answer));
  if (!mutex) mutex.Reset(::CreateMutexA(security, FALSE, names.mutex));
}

bool PublishRateBlock(const ConnectionTable& table, RateBlockSection& block, HANDLE mutex,
                      SECURITY_ATTRIBUTES* security, const char* sectionName) {
  const std::size_t needed = RateBlockBytesNeeded(table);
  const DWORD wait = ::WaitForSingleObject(mutex, kBlockMutexWaitMs);
  if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED) return false;
  MutexOwnership owned(mutex);

  if (!block.view || needed > block.viewBytes) {
    if (!MapSection(block, needed, security, sectionName)) return false;
  }
  EncodeRateBlock(table, std::span(static_cast<std::uint8_t*>(block.view.Get()), block.viewBytes));
  return true;
}

}  // namespace tral::win32
