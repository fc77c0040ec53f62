// Recognises the monitor's installer words.
#include "monitor/program/monitor_command.h"

#include "shared/ascii_text.h"

namespace tral {

MonitorCommand ParseMonitorCommand(const std::vector<std::string>& arguments) {
  if (arguments.empty()) return MonitorCommand::kRun;
  if (AsciiEqualIgnoringCase(arguments.front(), "installme")) return MonitorCommand::kInstall;
  if (AsciiEqualIgnoringCase(arguments.front(), "uninstallme")) return MonitorCommand::kUninstall;
  return MonitorCommand::kRun;
}

}  // namespace tral
