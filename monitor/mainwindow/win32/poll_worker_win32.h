// The service polls on a thread of their own, so that the window never waits for the service.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "monitor/common/connection_list.h"
#include "monitor/mainwindow/win32/service_client_win32.h"

namespace tral::win32 {

// One poll's outcome, as the window applies it.
struct PollOutcome {
  std::string statusText;  // "" when the snapshot was read
  bool listReplaced = false;  // the poll read the block: `list` replaces the window's list
  bool rebuild = false;  // the read succeeded: rebuild the display in update mode
  ConnectionList list;
};

// A poll waits up to 1.8 s for the answer and 1.5 s for the block's mutex; here that happens on
// a worker thread, which posts `doneMessage` to the window when a poll has finished. At most one
// poll is outstanding: a request while one runs is refused, and only the newest outcome is kept.
// The block's objects stay open on the thread from one poll to the next.
class PollWorker {
 public:
  PollWorker() = default;
  ~PollWorker();  // waits for a running poll to finish
  PollWorker(const PollWorker&) = delete;
  PollWorker& operator=(const PollWorker&) = delete;

  void Start(HWND window, UINT doneMessage);
  // Asks for one poll. False when a poll is still outstanding (nothing is queued).
  bool Request();
  // The newest finished poll, once; none when it was taken already.
  std::optional<PollOutcome> Take();

 private:
  void Run();

  HWND window_ = nullptr;
  UINT doneMessage_ = 0;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool requested_ = false;
  bool busy_ = false;
  bool stopping_ = false;
  std::optional<PollOutcome> outcome_;
  ServiceLink link_;  // used by the poll thread only
  std::thread thread_;
};

}  // namespace tral::win32
