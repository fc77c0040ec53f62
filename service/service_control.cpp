// Command words of the service program and the answers to service controls.
#include "service/service_control.h"

#include <algorithm>

#include "shared/ascii_text.h"

namespace tral {

ServiceCommand ParseServiceCommand(std::string_view tail) {
  if (AsciiEqualIgnoringCase(tail, "installme")) return ServiceCommand::kInstall;
  if (AsciiEqualIgnoringCase(tail, "uninstallme")) return ServiceCommand::kUninstall;
  if (AsciiEqualIgnoringCase(tail, "debug")) return ServiceCommand::kDebug;
  if (!RemoveHistoryFolder(tail).empty()) return ServiceCommand::kRemoveHistory;
  return ServiceCommand::kRunService;
}

std::string RemoveHistoryFolder(std::string_view tail) {
  constexpr std::string_view kWord = "removehistory";
  if (tail.size() <= kWord.size() || !AsciiEqualIgnoringCase(tail.substr(0, kWord.size()), kWord)) return {};
  std::string_view rest = tail.substr(kWord.size());
  if (rest.front() != ' ' && rest.front() != '\t') return {};
  while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
  while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t')) rest.remove_suffix(1);
  if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"') rest = rest.substr(1, rest.size() - 2);
  if (rest.find('"') != std::string_view::npos) return {};
  return std::string(rest);
}

std::uint32_t ControlsAccepted(ServiceState state, bool preshutdownOffered) {
  if (state == ServiceState::kStartPending) return 0;
  return kAcceptStopPauseContinue | kAcceptShutdown | kAcceptPowerEvent |
         (preshutdownOffered ? kAcceptPreshutdown : 0);
}

PowerAction DecidePowerEvent(std::uint32_t eventType) {
  constexpr std::uint32_t kSuspend = 4;  // PBT_APMSUSPEND
  constexpr std::uint32_t kResumeCritical = 6;  // PBT_APMRESUMECRITICAL
  constexpr std::uint32_t kResumeSuspend = 7;  // PBT_APMRESUMESUSPEND
  constexpr std::uint32_t kResumeAutomatic = 18;  // PBT_APMRESUMEAUTOMATIC, sent at every wake
  switch (eventType) {
    case kSuspend:
      return PowerAction::kSuspend;
    case kResumeCritical:
    case kResumeSuspend:
    case kResumeAutomatic:
      return PowerAction::kResume;
    default:
      return PowerAction::kNone;
  }
}

std::string ServiceImagePath(std::string_view modulePath) {
  const bool quoted = modulePath.size() >= 2 && modulePath.front() == '"' && modulePath.back() == '"';
  if (quoted || modulePath.find_first_of(" \t") == std::string_view::npos) return std::string(modulePath);
  return '"' + std::string(modulePath) + '"';
}

std::string ReadWholePath(const std::function<std::uint32_t(char* buffer, std::uint32_t size)>& fill) {
  std::string path(260, '\0');
  for (;;) {
    const std::uint32_t n = fill(path.data(), static_cast<std::uint32_t>(path.size()));
    if (n == 0) return std::string();
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    if (path.size() >= kMaxPathChars) return std::string();  // still cut at the longest path there is
    path.resize(std::min<std::size_t>(path.size() * 2, kMaxPathChars));
  }
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
