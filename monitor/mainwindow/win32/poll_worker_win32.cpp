// The poll thread: runs the request/answer exchange and hands the outcome to the window.
#include "monitor/mainwindow/win32/poll_worker_win32.h"

#include "monitor/mainwindow/win32/service_client_win32.h"

namespace tral::win32 {

namespace {

// Collects what one poll reports.
class OutcomeReceiver final : public PollReceiver {
 public:
  explicit OutcomeReceiver(PollOutcome& outcome) : outcome_(outcome) {}
  void SetStatusText(std::string_view text) override { outcome_.statusText = std::string(text); }
  void RebuildDisplayForUpdate() override { outcome_.rebuild = true; }
  void SnapshotRead(bool) override { outcome_.listReplaced = true; }

 private:
  PollOutcome& outcome_;
};

}  // namespace

PollWorker::~PollWorker() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void PollWorker::Start(HWND window, UINT doneMessage) {
  if (thread_.joinable()) return;
  window_ = window;
  doneMessage_ = doneMessage;
  thread_ = std::thread([this] { Run(); });
}

bool PollWorker::Request() {
  {
    std::lock_guard lock(mutex_);
    if (requested_ || busy_ || stopping_) return false;
    requested_ = true;
  }
  wake_.notify_one();
  return true;
}

std::optional<PollOutcome> PollWorker::Take() {
  std::lock_guard lock(mutex_);
  std::optional<PollOutcome> taken = std::move(outcome_);
  outcome_.reset();
  return taken;
}

void PollWorker::Run() {
  for (;;) {
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return requested_ || stopping_; });
      if (stopping_) return;
      requested_ = false;
      busy_ = true;
    }
    PollOutcome outcome;
    OutcomeReceiver receiver(outcome);
    PollService(link_, outcome.list, receiver);
    {
      std::lock_guard lock(mutex_);
      outcome_ = std::move(outcome);
      busy_ = false;
    }
    ::PostMessageA(window_, doneMessage_, 0, 0);
  }
}

}  // namespace tral::win32
