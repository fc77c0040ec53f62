// The monitor's process: installer words, one instance per user, the main window's modal run.
#pragma once

#include <string>

#include "monitor/framework/application.h"

namespace tral::win32 {

inline constexpr char kMonitorInstallMarker[] = "tview_in.txt";
inline constexpr char kMonitorUninstallMarker[] = "tview_uin.txt";
// How long "uninstallme" waits for a running instance to save its position and close.
inline constexpr unsigned kCloseRequestTimeoutMs = 5000;

// "Local\TLRO<user>", or "Local\TrlVRunOnce" when the user name is unknown.
std::string SingleInstanceMutexName();

class CMonitorApp final : public ui::Application {
 public:
  CMonitorApp();

 protected:
  bool InitInstance() override;

 private:
  void Install();
  void Uninstall();
  void RunMainWindow();
};

}  // namespace tral::win32
