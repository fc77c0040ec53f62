// The notification-area icon: adding, hiding, showing and removing it, balloons, re-adding after
// the shell restarts, and the main window's clicks, balloon and menu.
#include "monitor/common/win32/tray_icon_win32.h"

#include <algorithm>
#include <cstring>

#include "monitor/common/tray_text.h"
#include "monitor/resources/resource.h"
#include "monitor/ui/win32/facet_menu_win32.h"
#include "monitor/ui/win32/gdi_win32.h"

namespace tral::win32 {
namespace {

constexpr UINT kIconFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
// How long after the pointer last moved over the icon its tooltip may still be on show: the shell
// hides a tooltip after about five seconds; twice that leaves room.
constexpr DWORD kTipFreshMs = 10000;

CTrayIcon* g_current = nullptr;
ShellNotifyFunction g_shellNotify = ::Shell_NotifyIconA;

bool AnsiLeadByte(unsigned char byte) { return ::IsDBCSLeadByte(byte) != FALSE; }

}  // namespace

CTrayIcon::CTrayIcon() {
  g_current = this;
  TaskbarCreatedMessage();  // registered before the first window of the class exists
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  hasIconState_ = ::GetVersionExA(&version) != FALSE && version.dwPlatformId == VER_PLATFORM_WIN32_NT &&
                  version.dwMajorVersion >= 5;
}

CTrayIcon::~CTrayIcon() {
  RemoveFromTray();
  messageWindow_.Reset();
  // Nothing may reach this object through the current icon once it is gone.
  if (g_current == this) g_current = nullptr;
}

CTrayIcon* CTrayIcon::Current() { return g_current; }

UINT CTrayIcon::TaskbarCreatedMessage() {
  static const UINT message = ::RegisterWindowMessageA("TaskbarCreated");
  return message;
}

void CTrayIcon::SetShellNotifyForTesting(ShellNotifyFunction function) {
  g_shellNotify = function != nullptr ? function : ::Shell_NotifyIconA;
}

BOOL CTrayIcon::Notify(DWORD message) { return g_shellNotify(message, &iconData_); }

BOOL CTrayIcon::Create(HINSTANCE instance, HWND owner, UINT callbackMessage, const char* tip, HICON icon, UINT id) {
  trayAvailable_ = LOBYTE(LOWORD(::GetVersion())) >= 4;
  if (!trayAvailable_) return FALSE;
  instance_ = instance;

  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof(WNDCLASSEXA);
  windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  windowClass.lpfnWndProc = MessageWindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kTrayWindowClass;
  ::RegisterClassExA(&windowClass);  // a class registered earlier in the process is fine
  messageWindow_.Reset(::CreateWindowExA(0, kTrayWindowClass, "", WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT,
                                         CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr));

  iconData_ = NOTIFYICONDATAA{};
  iconData_.cbSize = NOTIFYICONDATAA_V2_SIZE;
  iconData_.hWnd = owner;
  iconData_.uID = id;
  iconData_.uFlags = kIconFlags;
  iconData_.uCallbackMessage = callbackMessage;
  iconData_.hIcon = icon;
  CopyCutText(iconData_.szTip, tip != nullptr ? tip : "", AnsiLeadByte);
  creationFlags_ = iconData_.uFlags;

  const BOOL added = Notify(NIM_ADD);
  isRemoved_ = added == FALSE;
  isHidden_ = added == FALSE;  // an icon the shell refused is not on show
  return added;
}

BOOL CTrayIcon::RemoveFromTray() {
  if (!trayAvailable_ || isRemoved_) return TRUE;
  iconData_.uFlags = 0;
  if (Notify(NIM_DELETE) != FALSE) {
    isHidden_ = true;
    isRemoved_ = true;
  }
  return isRemoved_;
}

BOOL CTrayIcon::AddToTray() {
  if (!isRemoved_) RemoveFromTray();
  if (trayAvailable_) {
    iconData_.uFlags = kIconFlags;
    if (Notify(NIM_ADD) == FALSE) return !isRemoved_;
    isHidden_ = false;
    isRemoved_ = false;
  }
  return !isRemoved_;
}

BOOL CTrayIcon::Hide() {
  if (!trayAvailable_ || isRemoved_ || isHidden_) return TRUE;
  if (hasIconState_) {
    iconData_.uFlags = NIF_STATE;
    iconData_.dwState = NIS_HIDDEN;
    iconData_.dwStateMask = NIS_HIDDEN;
    isHidden_ = Notify(NIM_MODIFY) != FALSE;
  } else {
    RemoveFromTray();
  }
  return isHidden_;
}

BOOL CTrayIcon::Show() {
  if (isRemoved_) return AddToTray();
  if (!isHidden_) return TRUE;
  if (hasIconState_) {
    iconData_.uFlags = NIF_STATE;
    iconData_.dwState = 0;
    iconData_.dwStateMask = NIS_HIDDEN;
    if (Notify(NIM_MODIFY) != FALSE) isHidden_ = false;
  } else {
    AddToTray();
  }
  return !isHidden_;
}

BOOL CTrayIcon::ShowBalloonTip(const char* text, const char* title, DWORD infoFlags, UINT seconds) {
  if (!hasIconState_) return FALSE;
  iconData_.uFlags = NIF_INFO;
  CopyCutText(iconData_.szInfo, text != nullptr ? text : "", AnsiLeadByte);
  CopyCutText(iconData_.szInfoTitle, title != nullptr ? title : "", AnsiLeadByte);
  iconData_.dwInfoFlags = infoFlags;
  iconData_.uTimeout = seconds * 1000;
  const BOOL shown = Notify(NIM_MODIFY);
  iconData_.szInfo[0] = '\0';  // no later call repeats the balloon
  return shown;
}

BOOL CTrayIcon::SetTip(const char* tip) { return SetTipAndIcon(tip, iconData_.hIcon); }

BOOL CTrayIcon::SetTipAndIcon(const char* tip, HICON icon) {
  char field[sizeof iconData_.szTip];
  CopyCutText(field, tip != nullptr ? tip : "", AnsiLeadByte);
  UINT changed = 0;
  if (std::memcmp(field, iconData_.szTip, sizeof field) != 0) {
    std::memcpy(iconData_.szTip, field, sizeof field);
    changed |= NIF_TIP;
  }
  if (iconData_.hIcon != icon) {
    iconData_.hIcon = icon;
    changed |= NIF_ICON;
  }
  if (changed == 0 || !trayAvailable_ || isRemoved_) return TRUE;  // the shell gets them with the icon
  iconData_.uFlags = changed;
  return Notify(NIM_MODIFY);
}

LRESULT CTrayIcon::HandleTrayMessage(WPARAM, LPARAM) { return 0; }

void CTrayIcon::AddAgain() {
  const bool wasHidden = isHidden_;
  iconData_.uFlags = creationFlags_;
  // A work-area change finds the icon still there, where adding fails: changing it tells.
  const bool registered = Notify(NIM_ADD) != FALSE || Notify(NIM_MODIFY) != FALSE;
  isRemoved_ = !registered;
  if (!registered) {
    isHidden_ = true;
    OnIconLost();
    return;
  }
  isHidden_ = false;
  if (wasHidden) Hide();
}

LRESULT CALLBACK CTrayIcon::MessageWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CTrayIcon* self = g_current;
  if (self == nullptr || window != self->messageWindow_.Get()) return ::DefWindowProcA(window, message, wParam, lParam);
  if (message == TaskbarCreatedMessage() || (message == WM_SETTINGCHANGE && wParam == SPI_SETWORKAREA)) {
    self->AddAgain();
    return 0;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

// ---- the main window's icon ----

CMainTrayIcon::~CMainTrayIcon() {
  // The base removes the icon after this object's members are gone: the record must not name a
  // drawn icon then.
  if (!drawnIcons_.empty()) iconData_.hIcon = productIcon_;
}

void CMainTrayIcon::ShowSpeeds(const std::optional<SpeedPair>& speeds, const std::string& tip) {
  const SpeedPair rates = speeds.value_or(SpeedPair{});
  const SpeedIconBars bars = SpeedIconBarsOf(rates.rx, rates.tx, ::GetSystemMetrics(SM_CXSMICON),
                                             ::GetSystemMetrics(SM_CYSMICON));
  // While the list holds icons, the record shows its first.
  const bool showing = !drawnIcons_.empty();
  if (showing && drawnIcons_.front().bars == bars) {
    // The bars stay as they are: the tooltip goes to the shell only while the pointer is near.
    if (pointerEverSeen_ && ::GetTickCount() - pointerSeen_ < kTipFreshMs) {
      SetTip(tip.c_str());
      tipWaiting_ = false;
    } else {
      waitingTip_ = tip;
      tipWaiting_ = true;
    }
    return;
  }
  // The icon of these bars, drawn before or now; in front of the list, which keeps the icons most
  // recently shown.
  if (!showing) productIcon_ = iconData_.hIcon;
  auto found = std::find_if(drawnIcons_.begin(), drawnIcons_.end(), [&](const DrawnIcon& d) { return d.bars == bars; });
  if (found == drawnIcons_.end()) {
    UniqueIcon drawn = IconFromPixels(DrawSpeedIcon(bars));
    if (!drawn) return;  // the icon stays as it was; the next refresh tries again
    ++speedIconsMade_;
    drawnIcons_.insert(drawnIcons_.begin(), DrawnIcon{bars, std::move(drawn)});
  } else {
    std::rotate(drawnIcons_.begin(), found, found + 1);
  }
  tipWaiting_ = false;
  SetTipAndIcon(tip.c_str(), drawnIcons_.front().icon.Get());
  // The shell copied the new icon: the oldest kept one can go, never the one before it, which is
  // second in the list.
  if (drawnIcons_.size() > kKeptSpeedIcons) drawnIcons_.pop_back();
}

void CMainTrayIcon::ShowProductIcon() {
  tipWaiting_ = false;
  if (drawnIcons_.empty()) return;
  SetTipAndIcon(iconData_.szTip, productIcon_);
  drawnIcons_.clear();
}

LRESULT CMainTrayIcon::HandleTrayMessage(WPARAM wParam, LPARAM lParam) {
  if (wParam != iconData_.uID) return 0;
  HWND mainWindow = iconData_.hWnd;
  if (mainWindow == nullptr) return 0;
  switch (LOWORD(lParam)) {
    case NIN_BALLOONSHOW:
      balloonVisible_ = true;
      return 1;
    case NIN_BALLOONHIDE:
    case NIN_BALLOONTIMEOUT:
    case NIN_BALLOONUSERCLICK:
      balloonVisible_ = false;
      return 1;
    case WM_RBUTTONUP:
      return ShowMenu(mainWindow) ? 1 : 0;
    case WM_LBUTTONDBLCLK: {
      ::SetForegroundWindow(mainWindow);
      UniqueMenu menu(::LoadMenuA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(iconData_.uID)));
      HMENU sub = menu ? ::GetSubMenu(menu.Get(), 0) : nullptr;
      if (sub == nullptr) return 0;
      const UINT command = ::GetMenuItemID(sub, static_cast<int>(DefaultItem()));
      menu.Reset();
      if (command == static_cast<UINT>(-1)) return 0;
      ::SendMessageA(mainWindow, WM_COMMAND, command, 0);
      return 1;
    }
    case WM_MOUSEMOVE:
      pointerSeen_ = ::GetTickCount();
      pointerEverSeen_ = true;
      if (tipWaiting_) {  // the tooltip is about to show: with the speeds of now
        SetTip(waitingTip_.c_str());
        tipWaiting_ = false;
      }
      return 1;
    case WM_LBUTTONUP:
      if (!clickTimerArmed_) {
        // Armed only when the timer runs, so a failed start neither blocks nor renames it.
        clickTimerArmed_ = ::SetTimer(mainWindow, clickTimerId_, kClickTimerMs, nullptr) != 0;
      }
      return 1;
    default:
      return 1;
  }
}

FacetMenu* CMainTrayIcon::BuildMenu(FacetMenu& menu, UINT menuId, UINT defaultItem, TrayMenuChecks checks) {
  FacetMenu::SetDrawStyle(DrawStyle::Xp);
  menu.LoadMenu(menuId);
  FacetMenu* sub = menu.GetSubMenu(0);
  if (sub == nullptr) return nullptr;
  sub->ModifyItem("&About TraldenView     ", ID_TRAY_ABOUT, IDB_MENU_ABOUT);
  sub->ModifyItem("&Homepage...    ", ID_TRAY_HOMEPAGE, IDB_MENU_HOMEPAGE);
  sub->ModifyItem("&Exit", ID_TRAY_EXIT, -1);
  sub->ModifyItem("TraldenView ", ID_TRAY_RESTORE, -1);
  ::SetMenuDefaultItem(sub->Handle(), defaultItem, TRUE);
  ::CheckMenuItem(sub->Handle(), ID_TRAY_SPEEDICON, MF_BYCOMMAND | (checks.speedIcon ? MF_CHECKED : MF_UNCHECKED));
  ::CheckMenuItem(sub->Handle(), ID_TRAY_SPEEDSTRIP, MF_BYCOMMAND | (checks.speedStrip ? MF_CHECKED : MF_UNCHECKED));
  return sub;
}

bool CMainTrayIcon::ShowMenu(HWND mainWindow) {
  FacetMenu menu;  // lives until the menu has closed
  FacetMenu* sub = BuildMenu(menu, iconData_.uID, DefaultItem(), menuChecks_);
  if (sub == nullptr) return false;
  POINT cursor{};
  ::GetCursorPos(&cursor);
  ::SetForegroundWindow(mainWindow);
  ::TrackPopupMenu(sub->Handle(), 0, cursor.x, cursor.y, 0, mainWindow, nullptr);
  // Lets the menu close properly when the user clicks elsewhere.
  ::PostMessageA(mainWindow, WM_NULL, 0, 0);
  return true;
}

BOOL CMainTrayIcon::ShowStateBalloon(const std::string& stateText) {
  return ShowBalloonTip(stateText.c_str(), kBalloonTitle, NIIF_INFO, kBalloonSeconds);
}

BOOL CMainTrayIcon::ShowAlertBalloon(HWND mainWindow, const std::string& text, bool warning) {
  const bool wasHidden = IsHidden();
  if (wasHidden && Show() == FALSE) return FALSE;
  const BOOL shown = ShowBalloonTip(text.c_str(), kAlertTitle, warning ? NIIF_WARNING : NIIF_INFO, kBalloonSeconds);
  if (!wasHidden) return shown;
  if (shown == FALSE) {
    Hide();
    return FALSE;
  }
  shownForAlert_ = true;
  ::SetTimer(mainWindow, kAlertIconTimerId, (kBalloonSeconds + 1) * 1000, nullptr);
  return shown;
}

void CMainTrayIcon::OnAlertIconTimer(HWND mainWindow) {
  ::KillTimer(mainWindow, kAlertIconTimerId);
  // Gone to the tray meanwhile, the window needs its icon.
  if (shownForAlert_ && ::IsWindowVisible(mainWindow) != FALSE) Hide();
  shownForAlert_ = false;
}

void CMainTrayIcon::OnClickTimer(HWND mainWindow, const std::string& stateText) {
  ::KillTimer(mainWindow, clickTimerId_);
  if (::IsWindowVisible(mainWindow) == FALSE) ShowStateBalloon(stateText);
  clickTimerArmed_ = false;
}

void CMainTrayIcon::RefreshBalloon(const std::string& stateText) {
  if (!balloonVisible_ || stateText == lastBalloonText_) return;
  ShowStateBalloon(stateText);
  lastBalloonText_ = stateText;
}

void CMainTrayIcon::OnIconLost() {
  // The window must not stay hidden without its icon: it comes back minimised in the task bar.
  HWND mainWindow = iconData_.hWnd;
  if (mainWindow != nullptr && ::IsWindowVisible(mainWindow) == FALSE) ::ShowWindow(mainWindow, SW_SHOWMINNOACTIVE);
}

}  // namespace tral::win32
