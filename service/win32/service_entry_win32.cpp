// Service registration, the service main routine, its control handler, and the program's roles.
#include "service/win32/service_entry_win32.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "service/day_files.h"
#include "service/service_control.h"
#include "service/win32/counter_worker_win32.h"
#include "service/win32/day_file_store_win32.h"
#include "service/win32/event_log_win32.h"
#include "service/win32/object_owner_win32.h"
#include "shared/names.h"
#include "shared/win32/marker_file_win32.h"
#include "shared/win32/unique_handle.h"

namespace tral::win32 {

namespace {

constexpr char kInstallMarker[] = "tmeter_in.txt";
constexpr char kInstalledMarker[] = "tmeter_inSE.txt";
constexpr char kUninstallMarker[] = "tmeter_uin.txt";

constexpr DWORD kPendingWaitHintMs = 3000;
constexpr DWORD kParkWaitMs = 3000;  // how long PAUSE waits for the worker to park
constexpr DWORD kStopPollMs = 1000;  // STOP_PENDING is reported again this often while the worker saves
constexpr DWORD kStopLimitMs = 30000;  // a worker that has not ended by then is not waited for longer
constexpr DWORD kUninstallStopWaitMs = 10000;
constexpr DWORD kDebugCloseWaitMs = 4500;  // the system ends a process 5 s after a close event
constexpr DWORD kDebugRunEndWaitMs = 5000;  // how long a service start waits for a debug run to end
constexpr DWORD kDebugRunEndPollMs = 50;

// What the dispatcher's threads share: the main thread runs the control handler, the service main
// routine runs on a thread of its own, the worker on a third.
struct ServiceContext {
  // The worker's stop event, owned by the entry point: "Global\QTraldenServiceEvent", or an unnamed
  // event of its own when another program squats that name.
  std::atomic<HANDLE> stopEvent{nullptr};
  SERVICE_STATUS_HANDLE statusHandle = nullptr;
  UniqueKernelHandle completion;  // wakes the service main routine when the service must end
  UniqueKernelHandle worker;
  UniqueKernelHandle pauseRequest;
  UniqueKernelHandle parked;
  UniqueKernelHandle resume;
  WorkerPause pause;
  UniqueKernelHandle suspending;
  UniqueKernelHandle savedForSleep;
  UniqueKernelHandle resumed;
  WorkerPower power;
  std::atomic<DWORD> workerResult{0};  // RunCounter's result once the worker has ended

  std::mutex statusLock;
  SERVICE_STATUS status{};
  std::atomic<ServiceState> state{ServiceState::kStopped};
  bool preshutdownOffered = false;  // the system sends a pre-shutdown notice to services that ask

  UniqueKernelHandle debugDone;  // set when RunCounter has returned in debug mode
};

ServiceContext g;

constexpr DWORD kSleepSaveWaitMs = 2000;  // how long a sleep notice waits for the worker's save
constexpr DWORD kServiceStopSaveFailed = 1;  // service-specific exit code: the final save failed
constexpr DWORD kServiceStopWorkerHung = 2;  // the worker had not ended within the stop's time

bool StartThroughManager(SC_HANDLE manager, const char* name) {
  UniqueServiceHandle service(::OpenServiceA(manager, name, SERVICE_ALL_ACCESS));
  if (!service) return false;
  return ::StartServiceA(service.Get(), 0, nullptr) || ::GetLastError() == ERROR_SERVICE_ALREADY_RUNNING;
}

DWORD WINAPI WorkerRoutine(LPVOID) {
  g.workerResult = RunCounter(g.stopEvent, &g.pause, g.power.suspending ? &g.power : nullptr);
  if (g.completion) ::SetEvent(g.completion.Get());
  return 0;
}

void PauseWorker() {
  ::ResetEvent(g.parked.Get());
  ::SetEvent(g.pauseRequest.Get());
  ::WaitForSingleObject(g.parked.Get(), kParkWaitMs);
}

BOOL WINAPI DebugConsoleHandler(DWORD type) {
  if (HANDLE stop = g.stopEvent) ::SetEvent(stop);
  // After a close, log-off or shut-down event the system ends the process as soon as this returns:
  // give the final save its time. Ctrl+C and Ctrl+Break let the main thread finish by itself.
  if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT && g.debugDone) {
    ::WaitForSingleObject(g.debugDone.Get(), kDebugCloseWaitMs);
  }
  return TRUE;
}

// The service's registration made by another installer (a package, or by hand) may lack what
// "installme" gives it: the path quoted when it holds a blank (else the system tries truncated names
// such as "C:\Program.exe" first) and the pre-shutdown time for the final save. The service mends
// both as it starts, so every registration ends up as "installme" makes it; a pre-shutdown time
// someone chose (not the system's default) is left alone. Returns whether the system sends
// pre-shutdown notices: it keeps a pre-shutdown time-out for every service then, which older
// systems do not know.
bool MendRegistrationAndAskPreshutdown() {
  UniqueServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager) return false;
  UniqueServiceHandle service(
      ::OpenServiceA(manager.Get(), kServiceName, SERVICE_QUERY_CONFIG | SERVICE_CHANGE_CONFIG));
  const bool canChange = static_cast<bool>(service);
  if (!service) service.Reset(::OpenServiceA(manager.Get(), kServiceName, SERVICE_QUERY_CONFIG));
  if (!service) return false;

  DWORD needed = 0;
  ::QueryServiceConfigA(service.Get(), nullptr, 0, &needed);
  std::vector<std::uint8_t> buffer(needed);
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
  const std::string module = ExecutablePath();
  if (canChange && needed != 0 && ::QueryServiceConfigA(service.Get(), config, needed, &needed) &&
      config->lpBinaryPathName != nullptr && module == config->lpBinaryPathName) {
    const std::string quoted = ServiceImagePath(module);
    if (quoted != module) {
      ::ChangeServiceConfigA(service.Get(), SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE,
                             quoted.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    }
  }

  SERVICE_PRESHUTDOWN_INFO info{};
  if (!::QueryServiceConfig2A(service.Get(), SERVICE_CONFIG_PRESHUTDOWN_INFO, reinterpret_cast<BYTE*>(&info),
                              sizeof info, &needed)) {
    return false;
  }
  if (canChange && info.dwPreshutdownTimeout == kSystemPreshutdownTimeoutMs) {
    SERVICE_PRESHUTDOWN_INFO ours{kPreshutdownTimeoutMs};
    ::ChangeServiceConfig2A(service.Get(), SERVICE_CONFIG_PRESHUTDOWN_INFO, &ours);
  }
  return true;
}

// The program is built without a console of its own. In debug it attaches to the console of the
// program that started it (or opens one when there is none), so that Ctrl+C and closing that
// console reach the handler and the final save happens.
void JoinConsole() {
  if (::AttachConsole(ATTACH_PARENT_PROCESS)) return;
  if (::GetLastError() == ERROR_ACCESS_DENIED) return;  // attached to a console already
  ::AllocConsole();
}

// What the service control manager says about the service; nothing runs when it cannot be asked
// (the service is not installed).
ServiceManagerView AskServiceManager() {
  ServiceManagerView view;
  UniqueServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager) return view;
  UniqueServiceHandle service(::OpenServiceA(manager.Get(), kServiceName, SERVICE_QUERY_STATUS));
  SERVICE_STATUS_PROCESS status{};
  DWORD needed = 0;
  if (!service || !::QueryServiceStatusEx(service.Get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                                          sizeof status, &needed)) {
    return view;
  }
  view.running = status.dwCurrentState != SERVICE_STOPPED && status.dwProcessId != 0;
  view.thisProcess = view.running && status.dwProcessId == ::GetCurrentProcessId();
  return view;
}

// "Global\QTraldenServiceEvent" as a start finds it.
struct Guard {
  UniqueKernelHandle event;  // null when the name is taken by an object we may not open as an event
  std::optional<ObjectOwner> existingOwner;  // empty when this start created it
  bool failed = false;  // no memory or no handles: nothing to count with
};

Guard CreateGuard() {
  OwnedObjectSecurity security;
  Guard guard;
  guard.event.Reset(::CreateEventA(security.Get(), FALSE, FALSE, kServiceEventName));
  const DWORD error = ::GetLastError();
  if (guard.event && error != ERROR_ALREADY_EXISTS) return guard;
  if (guard.event) {
    guard.existingOwner = OwnerOfObject(guard.event.Get());
  } else if (error == ERROR_ACCESS_DENIED) {
    guard.existingOwner = OwnerOfNamedEvent(kServiceEventName).value_or(ObjectOwner::kUnreadable);
  } else if (error == ERROR_INVALID_HANDLE) {
    guard.existingOwner = ObjectOwner::kUnreadable;  // another kind of object has the name
  } else {
    guard.failed = true;
  }
  return guard;
}

// Sets the guard a debug run waits on, so that it saves and ends, and waits until the name is gone
// (every holder has let go), at most kDebugRunEndWaitMs.
void EndDebugRun(Guard& guard) {
  if (guard.event) ::SetEvent(guard.event.Get());
  guard.event.Reset();
  for (DWORD waited = 0; waited < kDebugRunEndWaitMs; waited += kDebugRunEndPollMs) {
    UniqueKernelHandle still(::OpenEventA(SYNCHRONIZE, FALSE, kServiceEventName));
    if (!still && ::GetLastError() == ERROR_FILE_NOT_FOUND) return;
    still.Reset();
    ::Sleep(kDebugRunEndPollMs);
  }
}

int RunCountingInstance(bool debug) {
  const ServiceManagerView manager = AskServiceManager();
  Guard guard = CreateGuard();
  if (guard.failed) return 0;
  GuardVerdict verdict = JudgeStart(manager, guard.existingOwner);
  if (verdict == GuardVerdict::kEndDebugRun) {
    EndDebugRun(guard);
    guard = CreateGuard();
    if (guard.failed) return 0;
    // A guard still there is held by a program, not by a counting run, which would have ended.
    verdict = guard.existingOwner ? GuardVerdict::kSquatted : GuardVerdict::kCount;
  }
  if (verdict == GuardVerdict::kAnotherInstance) return 0;
  UniqueKernelHandle ownStop;  // the stop event when the guard's name is held by someone else
  HANDLE stop = guard.event.Get();
  if (verdict == GuardVerdict::kSquatted) {
    ServiceIncidents().Report(Incident::kObjectsSquatted,
                              std::string(kServiceEventName) + " is held by another program; the service counts "
                              "with a stop event of its own");
    // Whoever holds that event may set it: the worker listens to an event of its own instead.
    ownStop.Reset(::CreateEventA(nullptr, FALSE, FALSE, nullptr));
    if (!ownStop) return 0;
    stop = ownStop.Get();
  }
  g.stopEvent = stop;
  if (debug) {
    JoinConsole();
    g.debugDone.Reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    ::SetConsoleCtrlHandler(DebugConsoleHandler, TRUE);
    const DWORD result = RunCounter(stop, nullptr);
    if (g.debugDone) ::SetEvent(g.debugDone.Get());
    // The stop event closes on return: no console event may signal it after that.
    ::SetConsoleCtrlHandler(DebugConsoleHandler, FALSE);
    g.stopEvent = nullptr;
    return result == 0 ? 0 : 1;  // 1: something counted could not be saved
  } else {
    char name[sizeof kServiceName];
    ::lstrcpynA(name, kServiceName, sizeof name);
    SERVICE_TABLE_ENTRYA table[] = {{name, CounterServiceMain}, {nullptr, nullptr}};
    // Returns when the service has stopped, or at once when the SCM did not start this process.
    ::StartServiceCtrlDispatcherA(table);
  }
  return 0;
}

}  // namespace

bool InstallCounterService(const char* name, const char* path, bool autoStart, bool startNow,
                           const char* description) {
  UniqueServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  if (!manager) return false;
  UniqueServiceHandle service(::CreateServiceA(
      manager.Get(), name, name, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
      autoStart ? SERVICE_AUTO_START : SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, path, nullptr,
      nullptr, nullptr, nullptr, nullptr));
  if (!service) return false;
  if (description) {
    char text[256];
    ::lstrcpynA(text, description, sizeof text);
    SERVICE_DESCRIPTIONA info{text};
    ::ChangeServiceConfig2A(service.Get(), SERVICE_CONFIG_DESCRIPTION, &info);
  }
  // Systems with pre-shutdown notices give the service this long for its final save.
  SERVICE_PRESHUTDOWN_INFO preshutdown{kPreshutdownTimeoutMs};
  ::ChangeServiceConfig2A(service.Get(), SERVICE_CONFIG_PRESHUTDOWN_INFO, &preshutdown);
  service.Reset();
  if (startNow) StartThroughManager(manager.Get(), name);
  return true;
}

bool StartCounterService(const char* name) {
  UniqueServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  return manager && StartThroughManager(manager.Get(), name);
}

bool StopCounterService(const char* name) {
  UniqueServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  if (!manager) return false;
  UniqueServiceHandle service(::OpenServiceA(manager.Get(), name, SERVICE_ALL_ACCESS));
  if (!service) return false;
  SERVICE_STATUS status{};
  return ::ControlService(service.Get(), SERVICE_CONTROL_STOP, &status);
}

bool WaitForServiceStopped(const char* name, DWORD timeoutMs) {
  UniqueServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  if (!manager) return false;
  UniqueServiceHandle service(::OpenServiceA(manager.Get(), name, SERVICE_ALL_ACCESS));
  if (!service) return false;
  const DWORD start = ::GetTickCount();
  for (;;) {
    SERVICE_STATUS status{};
    if (!::QueryServiceStatus(service.Get(), &status)) return false;
    if (status.dwCurrentState == SERVICE_STOPPED) return true;
    if (::GetTickCount() - start >= timeoutMs) return false;
    ::Sleep(100);
  }
}

bool RemoveCounterService(const char* name) {
  UniqueServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  if (!manager) return false;
  UniqueServiceHandle service(::OpenServiceA(manager.Get(), name, SERVICE_ALL_ACCESS));
  if (!service) return false;
  SERVICE_STATUS status{};
  ::ControlService(service.Get(), SERVICE_CONTROL_STOP, &status);
  service.Reset(::OpenServiceA(manager.Get(), name, SERVICE_ALL_ACCESS));
  if (!service) return false;
  return ::DeleteService(service.Get());
}

void RemoveCounterData(const std::string& directory, const std::string& iniPath) {
  ::DeleteFileA(iniPath.c_str());
  Win32DayFileStore store(directory, iniPath);
  // Exactly the day files and their slot files: a user's "notes.bin", "notes.slots" or
  // "20260230.bin" in the folder stays.
  for (const std::string& name : store.List("*.bin")) {
    if (IsDayFileName(name)) store.Remove(name);
  }
  for (const std::string& name : store.List("*.slots")) {
    if (IsSlotFileName(name)) store.Remove(name);
  }
  RemoveInterruptedSaves(store);
}

bool ReportServiceStatus(DWORD state, DWORD exitCode, DWORD checkPoint, DWORD waitHint, DWORD specificCode) {
  BOOL ok;
  {
    std::lock_guard<std::mutex> lock(g.statusLock);
    g.status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    g.status.dwCurrentState = state;
    g.status.dwControlsAccepted = ControlsAccepted(static_cast<ServiceState>(state), g.preshutdownOffered);
    g.status.dwWin32ExitCode = exitCode;
    g.status.dwServiceSpecificExitCode = exitCode == ERROR_SERVICE_SPECIFIC_ERROR ? specificCode : 0;
    g.status.dwCheckPoint = checkPoint;
    g.status.dwWaitHint = waitHint;
    g.state = static_cast<ServiceState>(state);
    ok = ::SetServiceStatus(g.statusHandle, &g.status);
  }
  if (!ok && g.completion) ::SetEvent(g.completion.Get());
  return ok;
}

DWORD WINAPI CounterControlHandler(DWORD control, DWORD eventType, LPVOID, LPVOID) {
  const ControlDecision decision = DecideControl(g.state.load(), control);
  switch (decision.action) {
    case ControlAction::kStop:
      // STOP, SHUTDOWN and PRESHUTDOWN alike: the service main routine saves and reports STOPPED.
      ReportServiceStatus(SERVICE_STOP_PENDING, 0, 1, kPendingWaitHintMs);
      if (g.completion) ::SetEvent(g.completion.Get());
      return NO_ERROR;
    case ControlAction::kPause:
      PauseWorker();
      ReportServiceStatus(SERVICE_PAUSED, 0, 0, 0);
      return NO_ERROR;
    case ControlAction::kContinue:
      ::SetEvent(g.resume.Get());
      ReportServiceStatus(SERVICE_RUNNING, 0, 0, 0);
      return NO_ERROR;
    case ControlAction::kNone: {
      if (control == kControlPowerEvent && g.power.suspending) {
        // Sleep: the worker saves first (the system may never wake up); wake: it reads the adapters
        // again. Power notices are answered NO_ERROR, which never refuses a sleep.
        const PowerAction power = DecidePowerEvent(eventType);
        if (power == PowerAction::kSuspend) {
          ::ResetEvent(g.power.saved);
          ::SetEvent(g.power.suspending);
          ::WaitForSingleObject(g.power.saved, kSleepSaveWaitMs);
        } else if (power == PowerAction::kResume) {
          ::SetEvent(g.power.resumed);
        }
        return NO_ERROR;
      }
      // The state the service is really in, as last reported.
      std::lock_guard<std::mutex> lock(g.statusLock);
      ::SetServiceStatus(g.statusHandle, &g.status);
      return NO_ERROR;
    }
  }
  return NO_ERROR;
}

bool StopWorkerAndWait(HANDLE stopEvent, HANDLE worker, DWORD limitMs, DWORD pollMs,
                       const std::function<void()>& stillPending) {
  if (stopEvent) ::SetEvent(stopEvent);
  if (!worker) return true;
  // The final save must be on disk before SERVICE_STOPPED: the process may end right after. A paused
  // worker needs nothing extra: its parked wait includes the stop event.
  for (DWORD waited = 0; waited < limitMs; waited += pollMs) {
    if (::WaitForSingleObject(worker, pollMs) != WAIT_TIMEOUT) return true;
    stillPending();
  }
  return ::WaitForSingleObject(worker, 0) != WAIT_TIMEOUT;
}

void WINAPI CounterServiceMain(DWORD, LPSTR*) {
  g.preshutdownOffered = MendRegistrationAndAskPreshutdown();
  g.statusHandle = ::RegisterServiceCtrlHandlerExA(kServiceName, CounterControlHandler, nullptr);
  if (g.statusHandle && ReportServiceStatus(SERVICE_START_PENDING, 0, 1, kPendingWaitHintMs)) {
    g.completion.Reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (g.completion && ReportServiceStatus(SERVICE_START_PENDING, 0, 2, kPendingWaitHintMs)) {
      g.pauseRequest.Reset(::CreateEventA(nullptr, FALSE, FALSE, nullptr));
      g.parked.Reset(::CreateEventA(nullptr, FALSE, FALSE, nullptr));
      g.resume.Reset(::CreateEventA(nullptr, FALSE, FALSE, nullptr));
      g.suspending.Reset(::CreateEventA(nullptr, FALSE, FALSE, nullptr));
      g.savedForSleep.Reset(::CreateEventA(nullptr, FALSE, FALSE, nullptr));
      g.resumed.Reset(::CreateEventA(nullptr, FALSE, FALSE, nullptr));
      if (g.suspending && g.savedForSleep && g.resumed) {
        g.power = WorkerPower{g.suspending.Get(), g.savedForSleep.Get(), g.resumed.Get()};
      }
      if (g.pauseRequest && g.parked && g.resume) {
        g.pause = WorkerPause{g.pauseRequest.Get(), g.parked.Get(), g.resume.Get()};
        g.worker.Reset(::CreateThread(nullptr, 0, WorkerRoutine, nullptr, 0, nullptr));
      }
      if (g.worker && ReportServiceStatus(SERVICE_RUNNING, 0, 0, 0)) {
        ::WaitForSingleObject(g.completion.Get(), INFINITE);
      }
    }
  }
  DWORD checkPoint = 2;
  const bool ended = StopWorkerAndWait(g.stopEvent, g.worker.Get(), kStopLimitMs, kStopPollMs, [&] {
    ReportServiceStatus(SERVICE_STOP_PENDING, 0, checkPoint++, kPendingWaitHintMs);
  });
  // The stop tells what became of the final save: the system's log then says the service stopped
  // with an error instead of a stop that quietly lost the day.
  const DWORD specific = !ended ? kServiceStopWorkerHung : g.workerResult != 0 ? kServiceStopSaveFailed : 0;
  if (g.statusHandle) {
    ReportServiceStatus(SERVICE_STOPPED, specific ? ERROR_SERVICE_SPECIFIC_ERROR : NO_ERROR, 0, 0, specific);
  }
}

int RunServiceProgram(std::string_view commandTail) {
  switch (ParseServiceCommand(commandTail)) {
    case ServiceCommand::kInstall: {
      CreateMarker(kInstallMarker);
      // A path that could not be read whole, or that names no file (characters the ANSI code page
      // lacks), would register a service that never starts.
      const std::string module = ExecutablePath();
      if (module.empty() || ::GetFileAttributesA(module.c_str()) == INVALID_FILE_ATTRIBUTES) return 1;
      RegisterAsEventSource(module);
      const std::string path = ServiceImagePath(module);
      if (InstallCounterService(kServiceName, path.c_str(), true, false, kServiceDescription)) {
        CreateMarker(kInstalledMarker);
        StartCounterService(kServiceName);
        return 0;
      }
      StartCounterService(kServiceName);  // the service may exist already
      return 1;
    }
    case ServiceCommand::kUninstall:
      CreateMarker(kUninstallMarker);
      // The service writes its day file once more as it stops: the files are removed only after
      // it has stopped, or that last save would bring today's file back.
      if (StopCounterService(kServiceName)) WaitForServiceStopped(kServiceName, kUninstallStopWaitMs);
      ::Sleep(200);
      RemoveCounterData(ExecutableDirectory(), ServiceIniPath());
      RemoveCounterService(kServiceName);
      UnregisterAsEventSource();
      return 0;
    case ServiceCommand::kRemoveHistory: {
      std::string folder = RemoveHistoryFolder(commandTail);
      if (folder.back() != '\\') folder += '\\';
      RemoveCounterData(folder, folder + kServiceIniName);
      return 0;
    }
    case ServiceCommand::kDebug:
      return RunCountingInstance(true);
    case ServiceCommand::kRunService:
      return RunCountingInstance(false);
  }
  return 0;
}

}  // namespace tral::win32
