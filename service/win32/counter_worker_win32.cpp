// RunCounter: the Windows shell of the counting loop (kernel objects, change notifications, waits).
#include "service/win32/counter_worker_win32.h"

#include <winsock2.h>
#include <iphlpapi.h>

#include <memory>

#include "service/counting_loop.h"
#include "service/win32/clock_win32.h"
#include "service/win32/day_file_store_win32.h"
#include "service/win32/event_log_win32.h"
#include "service/win32/metrics_file_win32.h"
#include "service/win32/network_source_win32.h"
#include "service/win32/rate_block_win32.h"
#include "shared/names.h"
#include "shared/win32/unique_handle.h"

namespace tral::win32 {

namespace {

// Winsock is started for the notification events and cleaned up on every path.
class WinsockSession {
 public:
  WinsockSession() {
    WSADATA data;
    started_ = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }
  WinsockSession(const WinsockSession&) = delete;
  WinsockSession& operator=(const WinsockSession&) = delete;
  ~WinsockSession() {
    if (started_) ::WSACleanup();
  }

 private:
  bool started_ = false;
};

// One change notification: its manual-reset event is the hEvent of its own OVERLAPPED.
struct ChangeNotification {
  UniqueKernelHandle event;
  OVERLAPPED overlapped{};
  HANDLE handle = nullptr;  // filled in by the notify call
  bool armed = false;
};

using NotifyFn = DWORD(WINAPI*)(PHANDLE, LPOVERLAPPED);

// Arms a notification that is not armed; a call that answers NO_ERROR or ERROR_IO_PENDING arms it,
// any other answer (Wine refuses the route one) leaves it out of this iteration's wait.
void Arm(ChangeNotification& n, NotifyFn notify) {
  if (n.armed || !n.event) return;
  ::ResetEvent(n.event.Get());
  n.overlapped = OVERLAPPED{};
  n.overlapped.hEvent = n.event.Get();
  const DWORD result = notify(&n.handle, &n.overlapped);
  n.armed = result == NO_ERROR || result == ERROR_IO_PENDING;
}

// Both notifications. A pending notification writes into its OVERLAPPED and sets its event when it
// completes, so both must outlive it: they are cancelled at the end, and if the system cannot cancel
// them the pair is left allocated until the process ends instead of being freed under the I/O.
struct ChangeWatch {
  ChangeNotification address;
  ChangeNotification route;

  static ChangeWatch* Create() {
    auto* watch = new ChangeWatch();
    watch->address.event.Reset(::WSACreateEvent());
    watch->route.event.Reset(::WSACreateEvent());
    return watch;
  }
  static void Release(ChangeWatch* watch) {
    bool pending = false;
    for (ChangeNotification* n : {&watch->address, &watch->route}) {
      if (n->armed && !::CancelIPChangeNotify(&n->overlapped)) pending = true;
    }
    if (!pending) delete watch;
  }
};

class BlockAnswerer final : public RequestAnswerer {
 public:
  BlockAnswerer(BlockObjects& objects, IncidentSink* incidents) : objects_(objects), incidents_(incidents) {}

  // The answer is signalled also when publishing failed, so that a waiting client is released at
  // once and finds the previous snapshot (or no section).
  void AnswerRequest(const ConnectionTable& table) override {
    PublishRateBlock(table, block_, objects_.mutex.Get(), incidents_);
    ::SetEvent(objects_.answer.Get());
  }

  RateBlockSection& Block() { return block_; }

 private:
  BlockObjects& objects_;
  IncidentSink* incidents_;
  RateBlockSection block_;
};

// Holds the worker while the service is paused: nothing is sampled, answered or counted. Returns
// false when the stop event ended the pause.
bool Park(HANDLE stopEvent, const WorkerPause& pause) {
  ::SetEvent(pause.parked);
  HANDLE list[2] = {stopEvent, pause.resume};
  return ::WaitForMultipleObjects(2, list, FALSE, INFINITE) != WAIT_OBJECT_0;
}

}  // namespace

DWORD RunCounter(HANDLE stopEvent, const WorkerPause* pause, const WorkerPower* power) {
  WinsockSession winsock;
  Win32NetworkSource net;
  Win32DayFileStore store(ExecutableDirectory());
  Win32Clock clock;
  CounterState state(net, store, clock);
  state.incidents = &ServiceIncidents();
  // The Prometheus textfile follows every save of today's file when the INI names one.
  Win32MetricsFile metricsFile(ServiceIniPath(), state.incidents);
  MetricsPublisher metrics(metricsFile, metricsFile.UnixTimeMs());
  metrics.ReadSetting(clock.LocalDate(), state.incidents);
  state.metrics = &metrics;
  CountingLoop loop;

  ChangeWatch* watch = ChangeWatch::Create();
  StartCounting(state, loop);

  // Publishing problems never stop the counting: without the block's objects the loop counts and
  // saves all the same, and tries to make them again at every iteration.
  BlockObjects objects;
  objects.CreateMissing(state.incidents);
  BlockAnswerer answerer(objects, state.incidents);

  for (;;) {
    const DWORD timeout = BeginIteration(state, loop);
    if (!objects.Ready()) objects.CreateMissing(state.incidents);

    HANDLE list[7];
    DWORD count = 0;
    list[count++] = stopEvent;
    // The pause and the system's sleep come before the request: a wait reports the lowest
    // signalled handle, and a client asking without pause would otherwise keep them waiting.
    const DWORD pauseIndex = pause ? count : MAXDWORD;
    if (pause) list[count++] = pause->request;
    const DWORD suspendIndex = power ? count : MAXDWORD;
    if (power) list[count++] = power->suspending;
    const DWORD resumeIndex = power ? count : MAXDWORD;
    if (power) list[count++] = power->resumed;
    const DWORD requestIndex = objects.request ? count : MAXDWORD;
    if (objects.request) list[count++] = objects.request.Get();
    Arm(watch->address, NotifyAddrChange);
    const DWORD addressIndex = watch->address.armed ? count : MAXDWORD;
    if (watch->address.armed) list[count++] = watch->address.event.Get();
    Arm(watch->route, NotifyRouteChange);
    const DWORD routeIndex = watch->route.armed ? count : MAXDWORD;
    if (watch->route.armed) list[count++] = watch->route.event.Get();
    const bool bothArmed = watch->address.armed && watch->route.armed;

    const DWORD r = ::WaitForMultipleObjects(count, list, FALSE, timeout);
    WakeReason reason = WakeReason::kTimeout;  // also a failed wait: a timed pass
    if (r == WAIT_OBJECT_0) {
      reason = WakeReason::kStop;
    } else if (r >= WAIT_OBJECT_0 && r < WAIT_OBJECT_0 + count) {
      const DWORD index = r - WAIT_OBJECT_0;
      if (index == requestIndex && objects.Ready()) {
        reason = WakeReason::kRequest;
      } else if (index == addressIndex) {
        reason = WakeReason::kAddressChange;
        watch->address.armed = false;
      } else if (index == routeIndex) {
        reason = WakeReason::kRouteChange;
        watch->route.armed = false;
      } else if (index == suspendIndex) {
        reason = WakeReason::kSuspending;
      } else if (index == resumeIndex) {
        reason = WakeReason::kResumed;
      } else if (index == pauseIndex) {
        // The wake-up that ends the pause is a timed pass: one period of running time, and the
        // first sample credits the traffic of the paused time.
        reason = Park(stopEvent, *pause) ? WakeReason::kTimeout : WakeReason::kStop;
        NoteResumed(loop);
      }
    }
    const bool goOn = AfterWake(state, loop, reason, bothArmed, answerer);
    if (reason == WakeReason::kSuspending) ::SetEvent(power->saved);
    if (!goOn) break;
  }

  const bool saved = FinishCounting(state, loop);
  metricsFile.Finish(kMetricsFinishMs);
  answerer.Block().view.Reset();
  answerer.Block().section.Reset();
  ChangeWatch::Release(watch);
  return saved ? 0 : kFinalSaveFailed;
}

}  // namespace tral::win32
