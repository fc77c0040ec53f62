// The main window: opening sequence, poll timer, view application, system commands and commands.
#include "monitor/mainwindow/win32/main_dialog_win32.h"

#include <shellapi.h>

#include "monitor/settings/win32/autostart_win32.h"
#include "monitor/settings/win32/settings_store_win32.h"
#include "monitor/framework/application.h"
#include "monitor/charts/win32/speed_graph_wnd_win32.h"
#include "monitor/strip/win32/speed_strip_wnd_win32.h"
#include "monitor/framework/menu.h"
#include "monitor/mainwindow/close_button_area.h"
#include "monitor/mainwindow/main_view_apply.h"
#include "monitor/common/quantity_format.h"
#include "monitor/mainwindow/win32/about_dialog_win32.h"
#include "monitor/options/options_flow.h"
#include "monitor/options/win32/options_dialog_win32.h"
#include "monitor/options/win32/service_keep_days_win32.h"
#include "monitor/settings/ini_paths.h"
#include "history/win32/ansi_text_win32.h"
#include "history/win32/local_date_win32.h"
#include "monitor/resources/resource.h"
#include "monitor/ui/win32/gdi_win32.h"
#include "monitor/statistics/win32/statistic_dialog_win32.h"
#include "shared/names.h"

namespace tral::win32 {

namespace {

constexpr int kSystemMenuCommandMask = 0xFFF0;  // the low four bits of a system command are the system's

// The main window's controls as the view writes them.
class DialogViewTarget final : public ViewTarget {
 public:
  explicit DialogViewTarget(ui::Dialog& dialog) : dialog_(dialog) {}
  std::string FieldText(int id) override { return dialog_.ItemText(id); }
  void SetFieldText(int id, std::string_view text) override { dialog_.SetItemText(id, text); }
  void EnableControl(int id, bool enabled) override {
    HWND control = dialog_.Item(id);
    if (control == nullptr || (::IsWindowEnabled(control) != FALSE) == enabled) return;
    // A button that goes disabled while it has the focus hands the focus on, so the keyboard
    // keeps working after ">>" reached the last connection.
    if (!enabled && ::GetFocus() == control) {
      ::SendMessageA(dialog_.Handle(), WM_NEXTDLGCTL, 0, FALSE);
    }
    ::EnableWindow(control, enabled ? TRUE : FALSE);
  }

 private:
  ui::Dialog& dialog_;
};

}  // namespace

void OpenHomepage() {
  SHELLEXECUTEINFOA info{};
  info.cbSize = sizeof info;
  info.lpFile = kHomepageUrl;
  info.nShow = SW_SHOWNORMAL;
  ::ShellExecuteExA(&info);
}

CMainDlg::CMainDlg()
    : ui::Dialog(IDD_MAIN), planFiles_(ModuleDirectory(GetModulePath())), plans_(planFiles_, EqualIgnoringCaseAnsi) {
  icon_ = ::LoadIconA(ui::Application::Instance(), MAKEINTRESOURCEA(IDR_MAINFRAME));
  smallIcon_ = static_cast<HICON>(::LoadImageA(ui::Application::Instance(), MAKEINTRESOURCEA(IDR_MAINFRAME),
                                               IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
                                               ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
}

CMainDlg::~CMainDlg() = default;

bool CMainDlg::OnInitDialog() {
  AddSystemMenuItems();
  ::SendMessageA(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  ::SendMessageA(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_ ? smallIcon_ : icon_));
  SetTexts();
  RestoreWindowPosition(Handle());
  CreateMainTooltips();
  LoadSettings(settings_);
  LoadPlans();
  StartPolling();
  if (ReadIniBool(kOptionsSection, kTopmostKey, false, GetIniPath(false))) {
    ::CheckDlgButton(Handle(), IDC_MAIN_TOPMOST, BST_CHECKED);
    ApplyTopmost(true);
  }
  StartRefreshTimer();
  UpdateUnitLabels();
  LoadReadouts();
  CreateTrayIcon();
  if (readout_.speedStrip) SetSpeedStrip(true);
  SetAutostart(kAutostartValueName, settings_.launch != 0);
  return true;
}

void CMainDlg::AddSystemMenuItems() {
  HMENU systemMenu = ::GetSystemMenu(Handle(), FALSE);
  if (systemMenu == nullptr) return;
  // The program's own items after a separator, the About item last.
  ::AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuA(systemMenu, MF_STRING, IDM_PLANS, "&Data plans...");
  ::AppendMenuA(systemMenu, MF_STRING, IDM_SPEEDGRAPH, kSpeedGraphItem);
  ::AppendMenuA(systemMenu, MF_STRING, IDM_SPEEDICON, kSpeedIconItem);
  ::AppendMenuA(systemMenu, MF_STRING, IDM_SPEEDSTRIP, kSpeedStripItem);
  char about[256] = {};
  if (::LoadStringA(ui::Application::Instance(), IDS_ABOUTBOX, about, sizeof about) <= 0) return;
  ::AppendMenuA(systemMenu, MF_STRING, IDM_ABOUTBOX, about);
}

void CMainDlg::SetTexts() {
  ::SetWindowTextA(Handle(), kMainTitle);
  SetItemText(IDC_MAIN_ADAPTER_GROUP, "Network adapter");
  SetItemText(IDC_MAIN_IP_LABEL, "IP address");
  SetItemText(IDC_MAIN_HARDWARE_LABEL, "Hardware address");
  SetItemText(IDC_MAIN_WIRELESS_GROUP, "Wireless Network Connection");
  SetItemText(IDC_MAIN_SSID_LABEL, "SSID");
  SetItemText(IDC_MAIN_BSSID_LABEL, "BSSID");
  SetItemText(IDC_MAIN_DOWNLOADED_LABEL, "Downloaded");
  SetItemText(IDC_MAIN_UPLOADED_LABEL, "Uploaded");
  SetItemText(IDC_MAIN_PLAN_LABEL, "Data plan");
  SetItemText(IDC_MAIN_STATISTIC, "Statistic...");
  SetItemText(IDC_MAIN_OPTIONS, "Options...");
  SetItemText(IDC_MAIN_TOPMOST, "Topmost");
}

void CMainDlg::CreateMainTooltips() {
  CreateTooltips({
      {IDC_MAIN_DESCRIPTION, "Description for the adapter."},
      {IDC_MAIN_IP, "Internet Protocol (IP) address associated with NIC."},
      {IDC_MAIN_HARDWARE, "MAC address of the NIC."},
      {IDC_MAIN_SSID, "Service Set Identifier (SSID) - the public name of wireless network."},
      {IDC_MAIN_BSSID, "MAC address of the access point associated with the NIC."},
      {IDC_MAIN_DOWNLOADED, "The amount of data downloaded today."},
      {IDC_MAIN_UPLOADED, "The amount of data uploaded today."},
      {IDC_MAIN_DOWNLOAD_SPEED, "Average download speed."},
      {IDC_MAIN_UPLOAD_SPEED, "Average upload speed."},
      {IDC_MAIN_PLAN, "The data plan of the connection shown: used of the limit, and what may be used per day "
                      "until its period ends."},
      {IDC_MAIN_STATISTIC, "Show download and upload statistics."},
      {IDC_MAIN_OPTIONS, "Click to configure the settings of the application."},
      {IDC_MAIN_TOPMOST, "Keep window always on top."},
      {IDC_MAIN_NEXT, "Show information for the next active connection."},
      {IDC_MAIN_PREVIOUS, "Show information for the previous active connection."},
  });
}

void CMainDlg::StartPolling() {
  // The first poll: its figures arrive from the poll thread well before the first timer tick.
  ShowStatus();
  poller_.Start(Handle(), kPollDoneMessage);
  RequestPoll();
}

void CMainDlg::CreateTrayIcon() {
  // With `mintray` and `launch` both on the program starts in the notification area, otherwise
  // the icon is hidden. An icon the shell refused leaves the window on show.
  const bool iconAdded =
      tray_.Create(ui::Application::Instance(), Handle(), kTrayNotifyMessage, kTrayTip, icon_, kTrayIconId) != FALSE;
  if (settings_.mintray != 0 && settings_.launch != 0 && iconAdded) {
    ::ShowWindow(Handle(), SW_MINIMIZE);
    ::SetTimer(Handle(), kHideTimerId, kHideTimerMs, nullptr);
  } else {
    HideIconWithWindow();
  }
  ShowPlan();  // the speeds, when the icon shows them
}

void CMainDlg::OnCommand(int id, int code, HWND) {
  switch (id) {
    case IDC_MAIN_PREVIOUS:
      Rebuild(RebuildMode::kPrevious);
      break;
    case IDC_MAIN_NEXT:
      Rebuild(RebuildMode::kNext);
      break;
    case IDC_MAIN_TOPMOST:
      if (code == BN_CLICKED) OnTopmostClicked();
      break;
    case IDC_MAIN_ICON:
      if (code == STN_CLICKED) ShowAbout();
      break;
    case IDC_MAIN_STATISTIC:
      OnStatistics();
      break;
    case IDC_MAIN_OPTIONS:
      OnOptions();
      break;
    case ID_TRAY_RESTORE:
      ::ShowWindow(Handle(), SW_RESTORE);
      HideIconWithWindow();
      break;
    case ID_TRAY_EXIT:
      CloseWindow();
      break;
    case ID_TRAY_ABOUT:
      ShowAbout();
      break;
    case ID_TRAY_HOMEPAGE:
      OpenHomepage();
      break;
    case ID_TRAY_PLANS:
      OnPlans();
      break;
    case ID_TRAY_SPEEDGRAPH:
      OpenSpeedGraph();
      break;
    case ID_TRAY_SPEEDICON:
      SetSpeedIcon(!readout_.speedIcon);
      break;
    case ID_TRAY_SPEEDSTRIP:
      SetSpeedStrip(!readout_.speedStrip);
      break;
    default:  // IDOK and IDCANCEL (Enter, Esc, closing) leave the window open
      break;
  }
}

std::optional<LRESULT> CMainDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kPollDoneMessage:
      ApplyPollOutcome();
      return 0;
    case kPlanAlertCountMessage:
      return planAlerts_;
    case kCloseRequestMessage:
      // Dialogs open on top close first, storing what they store, before the sender goes on
      // (it deletes the settings file next).
      EndModalChildren(IDCANCEL);
      CloseWindow();
      return 0;
    case WM_TIMER:
      OnTimer(wParam);
      return std::nullopt;  // the default handling runs after
    case WM_SYSCOMMAND:
      if (OnSysCommand(wParam, lParam)) return 0;
      return std::nullopt;
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lParam) != Item(IDC_MAIN_STATUS)) return std::nullopt;
      return StatusLineColors(wParam, kStatusTextColor);
    case kTrayNotifyMessage:
      return tray_.HandleTrayMessage(wParam, lParam);
    case WM_MEASUREITEM:
    case WM_DRAWITEM:  // the tray menu's owner-drawn items
      if (!ui::Menu::RouteOwnerDraw(message, lParam)) return std::nullopt;
      return TRUE;
    case WM_PAINT:
      if (!::IsIconic(Handle())) return std::nullopt;
      PaintIconic();
      return 0;
    case WM_QUERYDRAGICON:
      return reinterpret_cast<LRESULT>(icon_);
    case WM_DESTROY:
      tray_.Hide();
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

void CMainDlg::OnTimer(WPARAM timer) {
  if (timer == kRefreshTimerId) RequestPoll();
  if (timer == kHideTimerId) {
    ::KillTimer(Handle(), kHideTimerId);
    SaveWindowPosition(Handle());
    if (!tray_.IsHidden()) ::ShowWindow(Handle(), SW_HIDE);  // never hidden without its icon
  }
  if (timer == kClickTimerId) tray_.OnClickTimer(Handle(), view_.stateText);
  if (timer == kAlertIconTimerId) tray_.OnAlertIconTimer(Handle());
}

bool CMainDlg::OnSysCommand(WPARAM command, LPARAM lParam) {
  const UINT which = static_cast<UINT>(command) & kSystemMenuCommandMask;
  if (which == IDM_ABOUTBOX) {
    ShowAbout();
    return false;
  }
  if (which == IDM_PLANS) {
    OnPlans();
    return false;
  }
  if (which == IDM_SPEEDGRAPH) {
    OpenSpeedGraph();
    return true;
  }
  if (which == IDM_SPEEDICON) {
    SetSpeedIcon(!readout_.speedIcon);
    return true;
  }
  if (which == IDM_SPEEDSTRIP) {
    SetSpeedStrip(!readout_.speedStrip);
    return true;
  }
  if (which == SC_CLOSE) {
    RECT windowRect{};
    RECT clientRect{};
    ::GetWindowRect(Handle(), &windowRect);
    ::GetClientRect(Handle(), &clientRect);
    const WindowRect frame{windowRect.left, windowRect.top, windowRect.right, windowRect.bottom};
    if (settings_.minclose != 0 && IsCloseButtonClick(frame, clientRect.right, clientRect.bottom, lParam)) {
      SaveWindowPosition(Handle());
      ::ShowWindow(Handle(), SW_MINIMIZE);
      MinimiseToTray();
      return false;  // the default close handling ends in the cancel command, which is ignored
    }
    CloseWindow();
    return true;
  }
  if (which == SC_MINIMIZE) {
    SaveWindowPosition(Handle());
    MinimiseToTray();
    return false;  // the default handling minimises
  }
  return false;
}

void CMainDlg::MinimiseToTray() {
  // Without an icon (no notification area, or the shell refused it) the window only minimises.
  if (settings_.mintray != 0 && tray_.Show() != FALSE) ::SetTimer(Handle(), kHideTimerId, kHideTimerMs, nullptr);
}

void CMainDlg::CloseWindow() {
  // Dialogs open on top (Options, About) end with cancel first: the tray menu's Exit can arrive
  // while one of them runs, and the program must end, not wait for that dialog.
  EndModalChildren(IDCANCEL);
  if (speedGraph_) speedGraph_->EndDialog(IDCANCEL);
  strip_.reset();  // the setting stays as it is: the strip opens again with the program
  SaveWindowPosition(Handle());
  EndDialog(IDCANCEL);
}

void CMainDlg::RequestPoll() { poller_.Request(); }

void CMainDlg::ApplyPollOutcome() {
  std::optional<PollOutcome> outcome = poller_.Take();
  if (!outcome) return;
  serviceStatus_ = outcome->statusText;
  ShowStatus();
  if (outcome->listReplaced) connections_ = std::move(outcome->list);
  if (outcome->rebuild) {
    Rebuild(RebuildMode::kUpdate);
    RecordSpeeds();  // no answer: no sample, a gap in the graph
  }
  RefreshPlans();
}

void CMainDlg::RecordSpeeds() {
  speedRing_.Push(chart::SpeedSample{::GetTickCount64(), view_.rxRate, view_.txRate});
  std::uint32_t secondOfDay = 0;
  const CivilDate today = LocalDateAndTime(secondOfDay);
  live_ = LiveTodayOf(connections_, today, secondOfDay);
  if (!view_.hardwareAddress.empty()) {
    live_.shown = ConnectionTexts{selection_.selectedKey, selection_.selectedIp, selection_.selectedBssid, view_.ssid};
  }
  if (speedGraph_) speedGraph_->Update(view_);
  if (openStatistics_ != nullptr) openStatistics_->LiveUpdated();
}

void CMainDlg::OpenSpeedGraph() {
  if (speedGraph_ && speedGraph_->Handle() != nullptr) {
    ::ShowWindow(speedGraph_->Handle(), SW_RESTORE);
    ::SetForegroundWindow(speedGraph_->Handle());
    return;
  }
  // A window of its own, not owned by this one, so that it stays on show while this one is in the
  // notification area.
  speedGraph_ = std::make_unique<CSpeedGraphWnd>(speedRing_, settings_, planFiles_, live_);
  if (speedGraph_->Create(nullptr)) speedGraph_->Update(view_);
}

void CMainDlg::Rebuild(RebuildMode mode) {
  view_ = RebuildDisplay(selection_, connections_, settings_, mode, ticks_);
  DialogViewTarget target(*this);
  ApplyMainView(view_, target);
  ShowPlan();
  ShowStrip();
  tray_.RefreshBalloon(view_.stateText);
}

void CMainDlg::ShowStatus() {
  const std::string& text = serviceStatus_.empty() ? planProblem_ : serviceStatus_;
  if (ItemText(IDC_MAIN_STATUS) != text) SetItemText(IDC_MAIN_STATUS, text);
}

void CMainDlg::UpdateUnitLabels() {
  SetItemText(IDC_MAIN_DOWNLOADED_UNIT, QuantityLabel(settings_));
  SetItemText(IDC_MAIN_UPLOADED_UNIT, QuantityLabel(settings_));
  SetItemText(IDC_MAIN_DOWNLOAD_SPEED_UNIT, SpeedLabel(settings_));
  SetItemText(IDC_MAIN_UPLOAD_SPEED_UNIT, SpeedLabel(settings_));
}

void CMainDlg::StartRefreshTimer() {
  ::KillTimer(Handle(), kRefreshTimerId);
  ::SetTimer(Handle(), kRefreshTimerId, settings_.refresh * 1000u, nullptr);
}

void CMainDlg::ApplyTopmost(bool topmost) {
  ::SetWindowPos(Handle(), topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void CMainDlg::OnTopmostClicked() {
  const bool checked = ::IsDlgButtonChecked(Handle(), IDC_MAIN_TOPMOST) == BST_CHECKED;
  ApplyTopmost(checked);
  (void)WriteIniBool(kOptionsSection, kTopmostKey, checked, GetIniPath(false));
}

void CMainDlg::ShowAbout() {
  CAboutDlg about;
  about.DoModal(Handle());
}

void CMainDlg::OnStatistics() {
  // The window stores its day-view flag itself as it ends, whatever ends it (see OnEnding).
  CStatisticDlg statistics;
  statistics.SetSettings(settings_);
  statistics.SetDayView(ReadIniBool(kOptionsSection, kDayStatisticKey, false, GetIniPath(false)));
  statistics.SetLiveToday(&live_);
  openStatistics_ = &statistics;
  statistics.DoModal(Handle());
  openStatistics_ = nullptr;
}

void CMainDlg::OnOptions() {
  // The window is disabled while the dialog runs, but a command can still arrive (posted by another
  // program, or from the tray): the dialog that is open comes to the front instead of a second one.
  if (openOptions_ != nullptr) {
    if (openOptions_->Handle() != nullptr) ::SetForegroundWindow(openOptions_->Handle());
    return;
  }
  COptionsDialog dialog;
  openOptions_ = &dialog;
  const INT_PTR result = RunOptions(dialog);
  openOptions_ = nullptr;
  if (result == IDOK) ApplyOptionsResult(dialog);
}

INT_PTR CMainDlg::RunOptions(COptionsDialog& dialog) {
  dialog.Settings() = settings_;
  // Opening writes nothing: the dialog shows what the service does now, and its Keep history field
  // is off when the service INI file could not be written.
  const std::string serviceIni = GetIniPath(true);
  dialog.Settings().keepdays =
      KeepDaysForDialog(ReadServiceKeepDays(serviceIni), IsServiceIniWritable(serviceIni));

  // Owned by this window, which stays disabled until the dialog ends; a close request meanwhile
  // ends it with cancel.
  return dialog.DoModal(Handle());
}

void CMainDlg::ApplyOptionsResult(COptionsDialog& dialog) {
  const std::string serviceIni = GetIniPath(true);
  const OptionsOutcome outcome = ApplyOptions(settings_, dialog.Settings(), ReadServiceKeepDays(serviceIni));
  settings_ = outcome.settings;
  if (outcome.restartRefreshTimer) StartRefreshTimer();
  if (outcome.keepDaysToWrite && WriteServiceKeepDays(serviceIni, *outcome.keepDaysToWrite)) {
    settings_.keepdays = *outcome.keepDaysToWrite;
  }
  SetAutostart(kAutostartValueName, settings_.launch != 0);
  SaveSettings(settings_);
  UpdateUnitLabels();
  // The figures of the last snapshot in the new units, without waiting for the next poll.
  Rebuild(RebuildMode::kUpdate);
  if (speedGraph_) speedGraph_->Update(view_);
  if (strip_) strip_->SettingsChanged();
}

void CMainDlg::PaintIconic() {
  PAINTSTRUCT paint;
  HDC dc = ::BeginPaint(Handle(), &paint);
  ::SendMessageA(Handle(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client{};
  ::GetClientRect(Handle(), &client);
  const int x = (client.right - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
  const int y = (client.bottom - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
  ::DrawIcon(dc, x, y, icon_);
  ::EndPaint(Handle(), &paint);
}

}  // namespace tral::win32
