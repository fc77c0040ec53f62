// The service program's decisions: which word its command line names, and how a control is answered.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tral {

enum class ServiceCommand { kInstall, kUninstall, kDebug, kRemoveHistory, kRunService };

// The whole command-line tail compared with "installme", "uninstallme" and "debug", ignoring case,
// or "removehistory" followed by a folder (RemoveHistoryFolder); anything else (the SCM's empty
// tail, extra blanks, further words) runs the service.
ServiceCommand ParseServiceCommand(std::string_view tail);

// The folder of "removehistory FOLDER" (the installer's removal of the history, run from a copy of
// the program outside the folder once the programs are gone): the rest of the tail after one or
// more blanks, without the double quotes around it. Empty for any other tail.
std::string RemoveHistoryFolder(std::string_view tail);

// Service states and controls with the values the service control manager uses.
enum class ServiceState : std::uint32_t {
  kStopped = 1,
  kStartPending = 2,
  kStopPending = 3,
  kRunning = 4,
  kContinuePending = 5,
  kPausePending = 6,
  kPaused = 7,
};

inline constexpr std::uint32_t kControlStop = 1;
inline constexpr std::uint32_t kControlPause = 2;
inline constexpr std::uint32_t kControlContinue = 3;
inline constexpr std::uint32_t kControlInterrogate = 4;
inline constexpr std::uint32_t kControlShutdown = 5;
inline constexpr std::uint32_t kControlPreshutdown = 15;
inline constexpr std::uint32_t kControlPowerEvent = 13;

inline constexpr std::uint32_t kAcceptStopPauseContinue = 3;  // SERVICE_ACCEPT_STOP | _PAUSE_CONTINUE
inline constexpr std::uint32_t kAcceptShutdown = 4;
inline constexpr std::uint32_t kAcceptPowerEvent = 0x40;
inline constexpr std::uint32_t kAcceptPreshutdown = 0x100;

// Controls accepted in a state: none while starting; otherwise stop, pause/continue, the system's
// sleep and wake notices, and its shutdown notice, and its pre-shutdown notice where the system
// offers one (`preshutdownOffered`), so that a shutdown or reboot ends the service through the same
// final save as a stop.
std::uint32_t ControlsAccepted(ServiceState state, bool preshutdownOffered);

// The service's image path as registered: quoted when it contains a blank, so that the service
// control manager cannot take a leading part of it ("C:\Program.exe") for the program; as it is
// otherwise.
std::string ServiceImagePath(std::string_view modulePath);

// The longest path the system's wide-character calls accept, in characters with the terminator.
inline constexpr std::uint32_t kMaxPathChars = 32768;

// A path read through a call that fills a buffer of `size` characters and returns how many it
// wrote, as GetModuleFileName does (0 on failure). A result that fills the buffer may have been
// cut, so the buffer grows until the path fits; empty when it fails or never fits in kMaxPathChars.
std::string ReadWholePath(const std::function<std::uint32_t(char* buffer, std::uint32_t size)>& fill);

// Who owns an existing kernel object, as far as the starting instance can tell.
enum class ObjectOwner {
  kPrivileged,  // LocalSystem, a service account or the administrators
  kThisAccount,  // the account this instance runs as
  kOtherAccount,  // any other account: an ordinary program may have created it
  kUnreadable,  // its security cannot be read
};

// What the service control manager says about the service when an instance starts. Only the
// manager can start the service's process, so no other account can fake this.
struct ServiceManagerView {
  bool running = false;  // in a state other than stopped, in a process of its own
  bool thisProcess = false;  // and that process is this one: the manager started this instance
};

enum class GuardVerdict {
  kCount,  // no other counting instance: count, with the guard as stop signal
  kAnotherInstance,  // another counting instance runs: end at once
  kSquatted,  // a program that is not ours holds the guard's name: count with a stop event of our own
  kEndDebugRun,  // ask a debug run to save and end (set the guard), then start again
};

// Whether a starting instance counts. `guardOwner` is the owner of an existing
// "Global\QTraldenServiceEvent", empty when this start created it.
// - The manager runs the service in another process: that instance counts; end at once.
// - A guard owned by an account that is neither privileged nor ours (or one we may not read) is a
//   squatter's, whatever else holds names: count all the same.
// - A guard of ours found by a debug run is another debug run (only our own account or a privileged
//   one can create or open such a guard): end at once.
// - A guard of ours found by the instance the manager started is a debug run, or an earlier
//   instance's guard that someone still holds: the service the manager runs is the one that counts,
//   so the debug run is asked to end.
GuardVerdict JudgeStart(ServiceManagerView manager, std::optional<ObjectOwner> guardOwner);

enum class ControlAction { kNone, kStop, kPause, kContinue };

// What a power notice (the event type of the power control) asks of the worker.
enum class PowerAction { kNone, kSuspend, kResume };
PowerAction DecidePowerEvent(std::uint32_t eventType);

struct ControlDecision {
  ControlAction action = ControlAction::kNone;
  ServiceState report = ServiceState::kRunning;  // the state to report (and record)
};

// STOP, SHUTDOWN and PRESHUTDOWN end the service from running or paused; PAUSE holds a running worker; CONTINUE releases a
// paused one. Any other control, or one that does not apply in the current state, reports the state
// the service is really in, so that a paused service stays recorded as paused.
ControlDecision DecideControl(ServiceState current, std::uint32_t control);

}  // namespace tral
