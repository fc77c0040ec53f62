// The service program's roles: install and remove itself, run under the SCM, run in the foreground.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace tral::win32 {

// Registers the service (own process, LocalSystem, normal error control) with the executable path
// unquoted and without arguments; automatic start when `autoStart`, else on demand. Starts it when
// `startNow`. The description is set when given; its result is not looked at.
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
// Deletes the service INI, every "*.bin" file beside the executable and the temporaries that
// interrupted saves left there.
void RemoveCounterData();

// The service main routine handed to the dispatcher; the arguments are not used.
void WINAPI CounterServiceMain(DWORD argc, LPSTR* argv);
// The handler registered with RegisterServiceCtrlHandlerA.
void WINAPI CounterControlHandler(DWORD control);
// Fills the status record (controls accepted by state) and reports it; on failure the service main
// routine is woken to end the service.
bool ReportServiceStatus(DWORD state, DWORD exitCode, DWORD checkPoint, DWORD waitHint);

// The entry point's work for a command-line tail; returns the process exit code.
int RunServiceProgram(std::string_view commandTail);

}  // namespace tral::win32
