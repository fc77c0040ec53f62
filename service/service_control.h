// The service program's decisions: which word its command line names, and how a control is answered.
#pragma once

#include <cstdint>
#include <string_view>

namespace tral {

enum class ServiceCommand { kInstall, kUninstall, kDebug, kRunService };

// The whole command-line tail compared with "installme", "uninstallme" and "debug", ignoring case;
// anything else (the SCM's empty tail, extra blanks, further words) runs the service.
ServiceCommand ParseServiceCommand(std::string_view tail);

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

inline constexpr std::uint32_t kAcceptStopPauseContinue = 3;  // SERVICE_ACCEPT_STOP | _PAUSE_CONTINUE

// Controls accepted in a state: none while starting, stop and pause/continue otherwise.
std::uint32_t ControlsAccepted(ServiceState state);

enum class ControlAction { kNone, kStop, kPause, kContinue };

struct ControlDecision {
  ControlAction action = ControlAction::kNone;
  ServiceState report = ServiceState::kRunning;  // the state to report (and record)
};

// STOP ends the service from running or paused; PAUSE holds a running worker; CONTINUE releases a
// paused one. Any other control, or one that does not apply in the current state, reports the state
// the service is really in, so that a paused service stays recorded as paused.
ControlDecision DecideControl(ServiceState current, std::uint32_t control);

}  // namespace tral
