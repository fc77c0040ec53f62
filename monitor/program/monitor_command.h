// The monitor's installer words: what the first argument of its command line asks for.
#pragma once

#include <string>
#include <vector>

namespace tral {

enum class MonitorCommand { kRun, kInstall, kUninstall };

// Only the first argument counts, compared with ASCII case folding: "installme" or "uninstallme"
// in any letter case. Anything else (a shortened word, a leading slash), and no argument at all, is
// an ordinary start; further arguments are ignored.
MonitorCommand ParseMonitorCommand(const std::vector<std::string>& arguments);

}  // namespace tral
