// Start-up of the monitor: installer words, the single-instance mutex and the main window.
#include "monitor/program/win32/monitor_app_win32.h"

#include <windows.h>
#include <shellapi.h>

#include "monitor/program/monitor_command.h"
#include "monitor/settings/monitor_settings.h"
#include "monitor/settings/win32/autostart_win32.h"
#include "monitor/settings/win32/settings_store_win32.h"
#include "monitor/mainwindow/win32/main_dialog_win32.h"
#include "shared/win32/marker_file_win32.h"
#include "shared/win32/object_security_win32.h"
#include "shared/win32/unique_handle.h"

namespace tral::win32 {

namespace {
constexpr DWORD kUserNameChars = 1024;
}  // namespace

std::string SingleInstanceMutexName() {
  char user[kUserNameChars] = {};
  DWORD size = kUserNameChars;
  if (!::GetUserNameA(user, &size)) return "Local\\TrlVRunOnce";
  return std::string("Local\\TLRO") + user;
}

CMonitorApp::CMonitorApp() : ui::Application(kMainTitle) {}

bool CMonitorApp::InitInstance() {
  ui::InitCommonControlClasses();
  switch (ParseMonitorCommand(Arguments())) {
    case MonitorCommand::kInstall:
      Install();
      break;
    case MonitorCommand::kUninstall:
      Uninstall();
      break;
    case MonitorCommand::kRun:
      RunMainWindow();
      break;
  }
  return false;  // the process ends here in every case
}

void CMonitorApp::Install() {
  (void)CreateMarker(kMonitorInstallMarker);
  SetAutostart(kAutostartValueName, true);
  // A fresh ordinary instance; it obeys the single-instance rule itself.
  const std::string path = GetModulePath();
  SHELLEXECUTEINFOA info{};
  info.cbSize = sizeof info;
  info.lpFile = path.c_str();
  info.nShow = SW_SHOWNORMAL;
  ::ShellExecuteExA(&info);
}

void CMonitorApp::Uninstall() {
  (void)CreateMarker(kMonitorUninstallMarker);
  SetAutostart(kAutostartValueName, false);
  HWND running = ::FindWindowA("#32770", kMainTitle);
  if (running != nullptr && ::IsWindow(running)) {
    // Bounded: a hung instance must not hang the uninstaller. The running window saves its
    // position and closes before it answers, so the file deleted next is its last one.
    DWORD_PTR answer = 0;
    ::SendMessageTimeoutA(running, kCloseRequestMessage, 0, 0, SMTO_ABORTIFHUNG, kCloseRequestTimeoutMs, &answer);
  }
  ::DeleteFileA(GetIniPath(false).c_str());
}

void CMonitorApp::RunMainWindow() {
  NullDaclSecurity security;
  UniqueKernelHandle instance(::CreateMutexA(security.Get(), FALSE, SingleInstanceMutexName().c_str()));
  if (!instance || ::GetLastError() == ERROR_ALREADY_EXISTS) return;  // a second start ends silently
  CMainDlg mainWindow;
  mainWindow.DoModal(nullptr);
}

}  // namespace tral::win32
