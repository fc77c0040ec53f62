// The monitor's main window: one connection's figures, the poll timer, navigation and commands.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "chart/speed_graph.h"
#include "monitor/settings/monitor_settings.h"
#include "monitor/framework/dialog.h"
#include "monitor/mainwindow/connection_list.h"
#include "monitor/mainwindow/connection_selection.h"
#include "monitor/mainwindow/win32/poll_worker_win32.h"
#include "monitor/mainwindow/win32/tray_icon_win32.h"
#include "monitor/mainwindow/win32/tick_source_win32.h"
#include "monitor/resources/resource.h"

namespace tral::win32 {

class COptionsDialog;
class CSpeedGraphWnd;

inline constexpr UINT kHideTimerMs = 50;
inline constexpr COLORREF kStatusTextColor = RGB(242, 0, 0);
inline constexpr char kMainTitle[] = "TraldenView";
inline constexpr char kHomepageUrl[] = "https://traldenmeter.example.org/";
inline constexpr char kSpeedGraphItem[] = "Speed graph...";

// Opens the product's web page; the result is not looked at.
void OpenHomepage();

class CMainDlg : public ui::Dialog {
 public:
  CMainDlg();
  ~CMainDlg() override;

  const MonitorSettings& Settings() const { return settings_; }

 protected:
  bool OnInitDialog() override;
  void OnCommand(int id, int code, HWND control) override;
  void OnOK() override {}  // Enter does not end the window
  void OnCancel() override {}  // neither does Esc
  std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  // The opening steps, in their order in OnInitDialog.
  void AddSystemMenuItems();
  void SetTexts();
  void CreateMainTooltips();
  void StartPolling();
  void CreateTrayIcon();

  void RequestPoll();
  void ApplyPollOutcome();
  void Rebuild(RebuildMode mode);
  void SetStatusText(const std::string& text);
  void UpdateUnitLabels();
  void StartRefreshTimer();
  void ApplyTopmost(bool topmost);
  void OnTopmostClicked();
  void ShowAbout();
  void OpenSpeedGraph();
  // The shown connection's speeds after an applied poll go into the ring, and to the graph.
  void RecordSpeeds();
  void OnStatistics();
  void OnOptions();
  INT_PTR RunOptions(COptionsDialog& dialog);
  void ApplyOptionsResult(COptionsDialog& dialog);
  // Saves the position and ends the program's window.
  void CloseWindow();
  bool OnSysCommand(WPARAM command, LPARAM lParam);
  void OnTimer(WPARAM timer);
  void MinimiseToTray();
  void PaintIconic();

  MonitorSettings settings_;
  SelectionState selection_;
  MainView view_;
  ConnectionList connections_;
  Win32TickSource ticks_;
  PollWorker poller_;
  std::string statusText_;
  HICON icon_ = nullptr;  // shared resource icon: not destroyed
  HICON smallIcon_ = nullptr;
  COptionsDialog* openOptions_ = nullptr;  // the Options dialog while it runs
  CMainTrayIcon tray_;  // after the icons: it shows icon_
  // Kept from the start, so that the graph opened later shows the minutes before it.
  chart::SpeedRing speedRing_{chart::kSpeedRingCapacity};
  std::unique_ptr<CSpeedGraphWnd> speedGraph_;  // after the ring and settings it draws
};

}  // namespace tral::win32
