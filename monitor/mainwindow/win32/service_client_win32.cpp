// The rate-block client: request, answer, mutex and a bounded read of the mapped section.
#include "monitor/mainwindow/win32/service_client_win32.h"

#include <windows.h>

#include <span>

#include "shared/names.h"
#include "shared/published_record.h"
#include "shared/rate_block_reader.h"
#include "shared/win32/mutex_ownership.h"
#include "shared/win32/object_security_win32.h"

namespace tral::win32 {

namespace {

void DropSection(ServiceLink& link) {
  link.view.Reset();
  link.section.Reset();
  link.viewBytes = 0;
}

bool MapSection(ServiceLink& link) {
  link.section.Reset(::OpenFileMappingA(MonitorAccess(BlockObject::kSection), FALSE, kBlockSectionName));
  if (!link.section) return false;
  link.view.Reset(::MapViewOfFile(link.section.Get(), FILE_MAP_READ, 0, 0, 0));
  MEMORY_BASIC_INFORMATION info{};
  if (!link.view || ::VirtualQuery(link.view.Get(), &info, sizeof info) == 0 || info.State != MEM_COMMIT) {
    DropSection(link);
    return false;
  }
  link.viewBytes = info.RegionSize;
  return true;
}

}  // namespace

void ServiceLink::Close() {
  DropSection(*this);
  mutex.Reset();
  answer.Reset();
}

void PollService(ServiceLink& link, ConnectionList& list, PollReceiver& receiver) {
  receiver.SetStatusText("");
  UniqueKernelHandle request(::OpenEventA(MonitorAccess(BlockObject::kRequestEvent), FALSE, kRequestEventName));
  if (!request) {  // the service is not running
    link.Close();
    receiver.SetStatusText(kUnreachableText);
    return;
  }
  if (!link.answer) {
    link.answer.Reset(::OpenEventA(MonitorAccess(BlockObject::kAnswerEvent), FALSE, kAnswerEventName));
  }
  if (!link.answer) {
    receiver.SetStatusText(kUnreachableText);
    return;
  }
  // An answer that came after an earlier poll gave up is still set: taken as this request's answer,
  // it would leave the window one snapshot behind for good. Drop it before asking.
  ::WaitForSingleObject(link.answer.Get(), 0);
  ::SetEvent(request.Get());
  const DWORD answered = ::WaitForSingleObject(link.answer.Get(), kAnswerWaitMs);
  if (answered != WAIT_OBJECT_0) link.Close();  // stopped, hung, or its objects are not these any more
  if (answered == WAIT_TIMEOUT) {
    receiver.SetStatusText(kUnreachableText);
    return;
  }
  if (!link.mutex) link.mutex.Reset(::OpenMutexA(MonitorAccess(BlockObject::kMutex), FALSE, kBlockMutexName));
  if (!link.mutex) {
    link.Close();
    receiver.SetStatusText(kTimeoutExpiredText);
    return;
  }
  // An abandoned mutex is owned all the same; the bounded read copes with a half-written block.
  const DWORD wait = ::WaitForSingleObject(link.mutex.Get(), kMutexWaitMs);
  if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED) {
    link.Close();
    receiver.SetStatusText(kTimeoutExpiredText);  // the previous snapshot stays
    return;
  }
  bool read = false;
  {
    MutexOwnership owned(link.mutex.Get());
    read = ReadRateBlock(link, list);
  }
  receiver.SnapshotRead(read);
  if (read) {
    receiver.RebuildDisplayForUpdate();
  } else {
    receiver.SetStatusText(kUnreachableText);
  }
}

bool ReadRateBlock(ServiceLink& link, ConnectionList& list) {
  list.Clear();
  if (!link.view && !MapSection(link)) return false;
  // The section may be smaller than the counts in it promise; its real size bounds every read.
  const std::span<const std::uint8_t> block(static_cast<const std::uint8_t*>(link.view.Get()), link.viewBytes);
  const bool read = FillConnectionList(block, list);
  // A snapshot that leaves no room for one more record may have been cut to this section: the
  // service makes a larger one only once nobody holds this one, so it is let go until the next poll.
  // Damaged contents are let go too, in case the section is no longer the service's.
  if (!read || kRateBlockHeaderSize + kPublishedRecordSize * (list.RecordCount() + 1) > link.viewBytes) {
    DropSection(link);
  }
  return read;
}

}  // namespace tral::win32
