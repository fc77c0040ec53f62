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

std::uint32_t ControlsAccepted(ServiceState state) {
  return state == ServiceState::kStartPending ? 0 : kAcceptStopPauseContinue;
}

ControlDecision DecideControl(ServiceState current, std::uint32_t control) {
  switch (control) {
    case kControlStop:
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
