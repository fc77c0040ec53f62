// Publishing the table into "Global\QMemSet" under "Global\QRateMMt".
#include "service/win32/rate_block_win32.h"

#include <cstdint>
#include <span>
#include <string>

#include "service/rate_block.h"
#include "service/win32/object_owner_win32.h"
#include "shared/win32/mutex_ownership.h"
#include "shared/win32/object_security_win32.h"

namespace tral::win32 {

namespace {

// A create call's result with the error it left, read before anything else can change it.
struct Created {
  HANDLE handle;
  DWORD error;
};

Created Take(HANDLE handle) { return Created{handle, ::GetLastError()}; }

// Keeps a block object in `slot` when it is ours to use: newly created, or existing with an owner
// that only the service (or our own account) can be. Reports why it is not kept.
bool Adopt(UniqueKernelHandle& slot, Created created, const char* name, IncidentSink* incidents) {
  UniqueKernelHandle object(created.handle);
  const std::string error = " (error " + std::to_string(created.error) + ")";
  std::string why = std::string(name) + " could not be created" + error;
  Incident problem = Incident::kCannotPublish;
  if (object) {
    const ObjectOwner owner =
        created.error == ERROR_ALREADY_EXISTS ? OwnerOfObject(object.Get()) : ObjectOwner::kThisAccount;
    if (owner == ObjectOwner::kPrivileged || owner == ObjectOwner::kThisAccount) {
      slot = std::move(object);
      return true;
    }
    problem = Incident::kObjectsSquatted;
    why = std::string(name) + " was made by a program of another account; monitors get no answer until it is gone";
  } else if (created.error == ERROR_ACCESS_DENIED || created.error == ERROR_INVALID_HANDLE) {
    // Taken with an access list against us, or by another kind of object.
    problem = Incident::kObjectsSquatted;
    why = std::string(name) + " is held by an object the service may not use" + error;
  }
  if (incidents) incidents->Report(problem, why);
  return false;
}

// The bytes a view really spans. A section of that name that a client still holds open is reused
// by CreateFileMapping whatever size was asked for, so the size asked for proves nothing.
std::size_t MappedBytes(void* view) {
  MEMORY_BASIC_INFORMATION info{};
  if (::VirtualQuery(view, &info, sizeof info) != sizeof info) return 0;
  return info.RegionSize;
}

bool MapSection(RateBlockSection& block, std::size_t needed, IncidentSink* incidents, const char* name) {
  block.view.Reset();
  block.section.Reset();
  block.viewBytes = 0;
  const std::uint64_t size = RateBlockSectionSize(needed);
  ObjectSecurity security(BlockObject::kSection);
  if (!Adopt(block.section,
             Take(::CreateFileMappingA(INVALID_HANDLE_VALUE, security.Get(), PAGE_READWRITE,
                                       static_cast<DWORD>(size >> 32), static_cast<DWORD>(size), name)),
             name, incidents)) {
    return false;
  }
  block.view.Reset(::MapViewOfFile(block.section.Get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
  if (!block.view) {
    if (incidents) {
      const std::string error = std::to_string(::GetLastError());
      incidents->Report(Incident::kCannotPublish, std::string(name) + " could not be mapped (error " + error + ")");
    }
    block.section.Reset();
    return false;
  }
  block.viewBytes = MappedBytes(block.view.Get());
  return true;
}

}  // namespace

void BlockObjects::CreateMissing(IncidentSink* incidents, const BlockNames& names) {
  // Both events auto-reset: a manual-reset request would stay signalled after the first answer and
  // make the worker answer in a loop, and a manual-reset answer would release every later client at
  // once with a stale snapshot.
  if (!request) {
    ObjectSecurity security(BlockObject::kRequestEvent);
    Adopt(request, Take(::CreateEventA(security.Get(), FALSE, FALSE, names.request)), names.request, incidents);
  }
  if (!answer) {
    ObjectSecurity security(BlockObject::kAnswerEvent);
    Adopt(answer, Take(::CreateEventA(security.Get(), FALSE, FALSE, names.answer)), names.answer, incidents);
  }
  if (!mutex) {
    ObjectSecurity security(BlockObject::kMutex);
    Adopt(mutex, Take(::CreateMutexA(security.Get(), FALSE, names.mutex)), names.mutex, incidents);
  }
}

bool PublishRateBlock(const ConnectionTable& table, RateBlockSection& block, HANDLE mutex,
                      IncidentSink* incidents, const char* sectionName) {
  const std::size_t needed = RateBlockBytesNeeded(table);
  const DWORD wait = ::WaitForSingleObject(mutex, kBlockMutexWaitMs);
  if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED) return false;
  MutexOwnership owned(mutex);

  if (!block.view || needed > block.viewBytes) {
    if (!MapSection(block, needed, incidents, sectionName)) return false;
  }
  EncodeRateBlock(table, std::span(static_cast<std::uint8_t*>(block.view.Get()), block.viewBytes));
  return true;
}

}  // namespace tral::win32
