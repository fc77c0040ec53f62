// Command words of the service program and the answers to service controls.
#include "service/service_control.h"

#include "shared/ascii_text.h"

namespace tral {

ServiceCommand ParseServiceCommand(std::string_view tail) {
  if (AsciiEqualIgnoringCase(tail, "installme")) return ServiceCommand::kInstall;
  if (AsciiEqualIgnoringCase(tail, "uninstallme")) return ServiceCommand::kUninstall;
  if (AsciiEqualIgnoringCase(tail, "debug")) return ServiceCommand::kDebug;
  return ServiceCommand::kRunService;
}

std::uint32_t ControlsAccepted(ServiceState state, bool preshutdownOffered) {
  if (state == ServiceState::kStartPending) return 0;
  return kAcceptStopPauseContinue | kAcceptShutdown | (preshutdownOffered ? kAcceptPreshutdown : 0);
}

std::string ServiceImagePath(std::string_view modulePath) {
  const bool quoted = modulePath.size() >= 2 && modulePath.front() == '"' && modulePath.back() == '"';
  if (quoted || modulePath.find_first_of(" \t") == std::string_view::npos) return std::string(modulePath);
  return '"' + std::string(modulePath) + '"';
}

GuardVerdict JudgeStart(ServiceManagerView manager, std::optional<ObjectOwner> guardOwner) {
  if (manager.running && !manager.thisProcess) return GuardVerdict::kAnotherInstance;
  if (!guardOwner) return GuardVerdict::kCount;
  if (*guardOwner != ObjectOwner::kPrivileged && *guardOwner != ObjectOwner::kThisAccount) {
    return GuardVerdict::kSquatted;
  }
  return manager.thisProcess ? GuardVerdict::kEndDebugRun : GuardVerdict::kAnotherInstance;
}

ControlDecision DecideControl(ServiceState current, std::uint32_t control) {
  switch (control) {
    case kControlStop:
    case kControlShutdown:
    case kControlPreshutdown:
      if (current == ServiceState::kRunning || current == ServiceState::kPaused ||
          current == ServiceState::kPausePending || current == ServiceState::kContinuePending) {
        return {ControlAction::kStop, ServiceState::kStopPending};
      }
      break;
    case kControlPause:
      if (current == ServiceState::kRunning) return {ControlAction::kPause, ServiceState::kPaused};
      break;
    case kControlContinue:
      if (current == ServiceState::kPaused) return {ControlAction::kContinue, ServiceState::kRunning};
      break;
    default:
      break;
  }
  return {ControlAction::kNone, current};
}

}  // namespace tral
