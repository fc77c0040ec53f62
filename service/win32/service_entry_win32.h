// The service program's roles: install and remove itself, run under the SCM, run in the foreground.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

namespace tral::win32 {

// Registers the service (own process, LocalSystem, normal error control) with the executable path
// as given, without arguments; automatic start when `autoStart`, else on demand. Starts it when
// `startNow`. The description is set when given, and a pre-shutdown time-out where the system has
// pre-shutdown notices; neither result is looked at.
bool InstallCounterService(const char* name, const char* path, bool autoStart, bool startNow,
                           const char* description);
// True when the start succeeds or the service runs already.
bool StartCounterService(const char* name);
// The success of the stop request.
bool StopCounterService(const char* name);
// Waits until the service reports SERVICE_STOPPED (true) or `timeoutMs` passed or it cannot be
// queried (false).
bool WaitForServiceStopped(const char* name, DWORD timeoutMs);
// Sends a stop (result ignored), then deletes the service; the success of the deletion.
bool RemoveCounterService(const char* name);
// Deletes the service INI, every day file and slot file (a name the day-file or slot-file rule
// accepts) of `directory` (ending in a backslash) and the temporaries that interrupted saves left
// there; nothing else.
void RemoveCounterData(const std::string& directory, const std::string& iniPath);

// The service main routine handed to the dispatcher; the arguments are not used.
void WINAPI CounterServiceMain(DWORD argc, LPSTR* argv);
// The handler registered with RegisterServiceCtrlHandlerExA: STOP, SHUTDOWN and PRESHUTDOWN end
// the service through the same final save; PAUSE and CONTINUE hold and release the worker.
DWORD WINAPI CounterControlHandler(DWORD control, DWORD eventType, LPVOID eventData, LPVOID context);

// The end of a service run: sets the stop event and waits until the worker thread has ended, its
// final save done, calling `stillPending` after every `pollMs` of waiting (the caller reports
// STOP_PENDING with a new check point). Gives up after `limitMs`. True when the worker ended.
bool StopWorkerAndWait(HANDLE stopEvent, HANDLE worker, DWORD limitMs, DWORD pollMs,
                       const std::function<void()>& stillPending);

// The time the system is asked to allow between its pre-shutdown notice and the shutdown.
inline constexpr DWORD kPreshutdownTimeoutMs = 15000;
// What the system gives a service that asked for nothing.
inline constexpr DWORD kSystemPreshutdownTimeoutMs = 180000;
// Fills the status record (controls accepted by state) and reports it; on failure the service main
// routine is woken to end the service.
// `specificCode` is the service-specific exit code when `exitCode` is ERROR_SERVICE_SPECIFIC_ERROR.
bool ReportServiceStatus(DWORD state, DWORD exitCode, DWORD checkPoint, DWORD waitHint, DWORD specificCode = 0);

// The entry point's work for a command-line tail; returns the process exit code.
int RunServiceProgram(std::string_view commandTail);

}  // namespace tral::win32
