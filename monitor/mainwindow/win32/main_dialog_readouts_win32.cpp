// The main window's live speed read-outs: the speed icon and the speed strip turned on and off from
// either menu and remembered, and the speeds they show after each rebuild.
#include "monitor/mainwindow/win32/main_dialog_win32.h"

#include "monitor/common/speed_readout.h"
#include "monitor/settings/win32/settings_store_win32.h"
#include "monitor/strip/win32/speed_strip_wnd_win32.h"

namespace tral::win32 {

void CMainDlg::HideIconWithWindow() {
  // The speeds are for every moment, the window on show or not.
  if (!readout_.speedIcon) tray_.Hide();
}

void CMainDlg::LoadReadouts() {
  PrivateProfileFile ini(GetIniPath(false));
  readout_ = LoadReadoutSettings(ini);
  CheckReadoutItems();
}

void CMainDlg::StoreReadouts() {
  PrivateProfileFile ini(GetIniPath(false));
  (void)SaveReadoutSettings(readout_, ini);
  CheckReadoutItems();
}

void CMainDlg::CheckReadoutItems() {
  HMENU systemMenu = ::GetSystemMenu(Handle(), FALSE);
  if (systemMenu != nullptr) {
    ::CheckMenuItem(systemMenu, IDM_SPEEDICON, MF_BYCOMMAND | (readout_.speedIcon ? MF_CHECKED : MF_UNCHECKED));
    ::CheckMenuItem(systemMenu, IDM_SPEEDSTRIP, MF_BYCOMMAND | (readout_.speedStrip ? MF_CHECKED : MF_UNCHECKED));
  }
  const TrayMenuChecks checks{readout_.speedIcon, readout_.speedStrip};
  tray_.SetMenuChecks(checks);
  if (strip_) strip_->SetMenuChecks(checks);
}

void CMainDlg::SetSpeedIcon(bool on) {
  readout_.speedIcon = on;
  StoreReadouts();
  if (on) {
    tray_.Show();
  } else {
    tray_.ShowProductIcon();
    // Back to the product's ways: the icon stands only for a window in the tray.
    if (::IsWindowVisible(Handle()) != FALSE) tray_.Hide();
  }
  ShowPlan();  // the icon and the tooltip with or without the speeds
}

void CMainDlg::SetSpeedStrip(bool on) {
  readout_.speedStrip = on;
  if (!on) {
    strip_.reset();
    StoreReadouts();
    return;
  }
  if (!strip_) {
    auto strip = std::make_unique<CSpeedStripWnd>(Handle(), settings_, readout_);
    if (!strip->Create()) {
      readout_.speedStrip = false;  // no window: nothing is on, and nothing is stored as on
      CheckReadoutItems();
      return;
    }
    strip_ = std::move(strip);
  }
  StoreReadouts();
  strip_->Update(ShownSpeeds(view_), SummedSpeeds(connections_));
}

void CMainDlg::ShowTrayIcon(const std::string& planLine) {
  if (!readout_.speedIcon) {
    tray_.SetTip(TrayTipText(kTrayTip, std::string(), planLine).c_str());
    return;
  }
  const std::optional<SpeedPair> speeds = ShownSpeeds(view_);
  tray_.ShowSpeeds(speeds, TrayTipText(kTrayTip, TraySpeedLine(speeds, settings_), planLine));
}

void CMainDlg::ShowStrip() {
  if (strip_) strip_->Update(ShownSpeeds(view_), SummedSpeeds(connections_));
}

}  // namespace tral::win32
