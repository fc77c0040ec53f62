// The monitor's main window: one connection's figures, the poll timer, navigation and commands.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "chart/speed_graph.h"
#include "monitor/charts/live_today.h"
#include "monitor/settings/monitor_settings.h"
#include "monitor/settings/readout_settings.h"
#include "monitor/framework/dialog.h"
#include "monitor/common/connection_list.h"
#include "monitor/common/connection_selection.h"
#include "monitor/mainwindow/win32/poll_worker_win32.h"
#include "monitor/common/win32/tray_icon_win32.h"
#include "monitor/mainwindow/win32/tick_source_win32.h"
#include "monitor/plans/plan_status.h"
#include "monitor/resources/resource.h"
#include "history/win32/day_file_source_win32.h"

namespace tral::win32 {

class COptionsDialog;
class CPlansDialog;
class CStatisticDlg;
class CSpeedGraphWnd;
class CSpeedStripWnd;

inline constexpr UINT kHideTimerMs = 50;
inline constexpr COLORREF kStatusTextColor = RGB(242, 0, 0);
inline constexpr char kMainTitle[] = "TraldenView";
inline constexpr char kHomepageUrl[] = "https://traldenmeter.example.org/";
inline constexpr char kSpeedGraphItem[] = "&Speed graph...";
inline constexpr char kSpeedIconItem[] = "Speed &in icon";
inline constexpr char kSpeedStripItem[] = "Speed s&trip";

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
  void LoadPlans();

  void RequestPoll();
  void ApplyPollOutcome();
  void Rebuild(RebuildMode mode);
  // The status line: the service's state, else what is wrong with a data plan.
  void ShowStatus();
  // After a poll: the plans' figures and the alert due, if any; then the plan field.
  void RefreshPlans();
  void GiveDueAlert();
  // The plan field and the tray icon for the connection on show.
  void ShowPlan();
  // The tray icon's tooltip (with the speeds and the plan's line) and, with the speed icon on, its
  // bars, in one change.
  void ShowTrayIcon(const std::string& planLine);
  void OnPlans();
  void UpdateUnitLabels();
  void StartRefreshTimer();
  void ApplyTopmost(bool topmost);
  void OnTopmostClicked();
  void ShowAbout();
  void OpenSpeedGraph();
  // The shown connection's speeds after an applied poll go into the ring, and to the graph.
  void RecordSpeeds();
  // The live read-outs: the speed icon and the strip, turned on and off from either menu and
  // remembered; after each rebuild they show the new speeds.
  void LoadReadouts();
  void SetSpeedIcon(bool on);
  void SetSpeedStrip(bool on);
  void StoreReadouts();
  void ShowStrip();
  void CheckReadoutItems();
  // The window is on show again: its icon goes, unless it shows the speeds.
  void HideIconWithWindow();
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
  std::string serviceStatus_;  // empty while the service answers
  std::string planProblem_;  // about the plan sections that are not used
  HICON icon_ = nullptr;  // shared resource icon: not destroyed
  HICON smallIcon_ = nullptr;
  COptionsDialog* openOptions_ = nullptr;  // the Options dialog while it runs
  CStatisticDlg* openStatistics_ = nullptr;  // the Statistics window while it runs
  CPlansDialog* openPlans_ = nullptr;  // the Data plans dialog while it runs
  Win32DayFileSource planFiles_;  // the day files beside the executable, for the plans
  PlanMonitor plans_;  // after the files it reads
  int planAlerts_ = 0;  // alert balloons the shell took in this run
  bool alertShowing_ = false;  // an alert's balloon is up until alertEnds_
  std::uint32_t alertEnds_ = 0;  // tick
  CMainTrayIcon tray_;  // after the icons: it shows icon_
  // Kept from the start, so that the graph opened later shows the minutes before it.
  chart::SpeedRing speedRing_{chart::kSpeedRingCapacity};
  // Today's live totals of the last poll and the connection shown, for the pictures of today.
  LiveToday live_;
  std::unique_ptr<CSpeedGraphWnd> speedGraph_;  // after the ring, settings, files and figures it draws
  ReadoutSettings readout_;
  std::unique_ptr<CSpeedStripWnd> strip_;  // after the settings it shows and stores
};

}  // namespace tral::win32
