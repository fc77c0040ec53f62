// The rate-block client: request, answer, mutex and a bounded read of the mapped section.
#include "monitor/mainwindow/win32/service_client_win32.h"

#include <windows.h>

#include <span>

#include "shared/names.h"
#include "shared/win32/mutex_ownership.h"
#include "shared/win32/unique_handle.h"

namespace tral::win32 {

void PollService(ConnectionList& list, PollReceiver& receiver) {
  receiver.SetStatusText("");
  UniqueKernelHandle request(::OpenEventA(EVENT_MODIFY_STATE, FALSE, kRequestEventName));
  if (!request) {  // the service is not running
    receiver.SetStatusText(kUnreachableText);
    return;
  }
  UniqueKernelHandle answer(::OpenEventA(EVENT_ALL_ACCESS, FALSE, kAnswerEventName));
  if (!answer) {
    receiver.SetStatusText(kUnreachableText);
    return;
  }
  // An answer that came after an earlier poll gave up is still set: taken as this request's answer,
  // it would leave the window one snapshot behind for good. Drop it before asking.
  ::WaitForSingleObject(answer.Get(), 0);
  ::SetEvent(request.Get());
  if (::WaitForSingleObject(answer.Get(), kAnswerWaitMs) == WAIT_TIMEOUT) {
    receiver.SetStatusText(kUnreachableText);
    return;
  }
  UniqueKernelHandle mutex(::OpenMutexA(MUTEX_ALL_ACCESS, FALSE, kBlockMutexName));
  if (!mutex) {
    receiver.SetStatusText(kTimeoutExpiredText);
    return;
  }
  // An abandoned mutex is owned all the same; the bounded read copes with a half-written block.
  const DWORD wait = ::WaitForSingleObject(mutex.Get(), kMutexWaitMs);
  if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED) {
    receiver.SetStatusText(kTimeoutExpiredText);  // the previous snapshot stays
    return;
  }
  bool read = false;
  {
    MutexOwnership owned(mutex.Get());
    read = ReadRateBlock(list);
  }
  receiver.SnapshotRead(read);
  if (read) {
    receiver.RebuildDisplayForUpdate();
  } else {
    receiver.SetStatusText(kUnreachableText);
  }
}

bool ReadRateBlock(ConnectionList& list) {
  list.Clear();
  UniqueKernelHandle section(::OpenFileMappingA(FILE_MAP_READ, FALSE, kBlockSectionName));
  if (!section) return false;
  UniqueMappedView view(::MapViewOfFile(section.Get(), FILE_MAP_READ, 0, 0, 0));
  if (!view) return false;
  // The section may be smaller than the counts in it promise; its real size bounds every read.
  MEMORY_BASIC_INFORMATION info{};
  if (::VirtualQuery(view.Get(), &info, sizeof info) == 0 || info.State != MEM_COMMIT) return false;
  const std::span<const std::uint8_t> block(static_cast<const std::uint8_t*>(view.Get()), info.RegionSize);
  return FillConnectionList(block, list);
}

}  // namespace tral::win32
