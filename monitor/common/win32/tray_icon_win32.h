// The notification-area icon: adding, hiding, showing and removing it, balloons, re-adding after
// the shell restarts, and the main window's clicks, balloon and menu.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <optional>
#include <string>
#include <vector>

#include "monitor/common/speed_icon.h"
#include "monitor/common/speed_readout.h"
#include "monitor/resources/resource.h"
#include "shared/win32/unique_handle.h"

namespace tral::win32 {

class FacetMenu;

inline constexpr UINT kClickTimerMs = 500;
inline constexpr UINT kBalloonSeconds = 11;
inline constexpr char kBalloonTitle[] = "State";
inline constexpr char kAlertTitle[] = "Data plan";
inline constexpr char kTrayTip[] = "TraldenView ";
inline constexpr char kTrayWindowClass[] = "TrayIconClass";

// The shell's icon call; tests put a fake in its place.
using ShellNotifyFunction = BOOL(WINAPI*)(DWORD message, PNOTIFYICONDATAA data);

// One icon with its record and a hidden window that hears the shell's broadcasts. The object
// constructed last is the process's current icon until it is destroyed.
class CTrayIcon {
 public:
  CTrayIcon();
  virtual ~CTrayIcon();
  CTrayIcon(const CTrayIcon&) = delete;
  CTrayIcon& operator=(const CTrayIcon&) = delete;

  // Adds the icon. False when the system has no notification area or the shell refused it; a
  // refused icon stays absent and is added by the next Show or when the shell starts.
  BOOL Create(HINSTANCE instance, HWND owner, UINT callbackMessage, const char* tip, HICON icon, UINT id);
  BOOL AddToTray();       // true when the icon is registered afterwards
  BOOL RemoveFromTray();  // true when it is not registered afterwards
  BOOL Hide();            // true when it is hidden afterwards
  BOOL Show();            // true when it is visible afterwards
  // Text and title are cut to their fields on character boundaries. False where the shell has
  // no balloons, else the shell call's result.
  BOOL ShowBalloonTip(const char* text, const char* title, DWORD infoFlags, UINT seconds);
  // A new tooltip, cut to its field; given to the shell at once when the icon is registered, and
  // with the icon when it is added later. True when nothing had to change or the shell took it.
  BOOL SetTip(const char* tip);
  // A new tooltip and another icon in one change of the shell's record (only what differs); the
  // caller keeps the icon alive while it is the record's. Otherwise as SetTip.
  BOOL SetTipAndIcon(const char* tip, HICON icon);
  virtual LRESULT HandleTrayMessage(WPARAM wParam, LPARAM lParam);

  bool IsHidden() const { return isHidden_; }
  bool IsRemoved() const { return isRemoved_; }
  bool HasIconState() const { return hasIconState_; }
  HWND MessageWindow() const { return messageWindow_.Get(); }
  const NOTIFYICONDATAA& IconData() const { return iconData_; }

  static CTrayIcon* Current();
  static UINT TaskbarCreatedMessage();
  static void SetShellNotifyForTesting(ShellNotifyFunction function);

 protected:
  // The shell started again (or the work area changed) and would not take the icon back.
  virtual void OnIconLost() {}
  UINT DefaultItem() const { return defaultItem_; }

  NOTIFYICONDATAA iconData_{};

 private:
  static LRESULT CALLBACK MessageWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  BOOL Notify(DWORD message);
  void AddAgain();

  HINSTANCE instance_ = nullptr;
  UniqueWindow messageWindow_;
  bool trayAvailable_ = false;
  bool isHidden_ = true;
  bool isRemoved_ = true;
  bool hasIconState_ = false;
  UINT defaultItem_ = 0;
  UINT creationFlags_ = 0;
};

// The read-outs the tray menu shows checked.
struct TrayMenuChecks {
  bool speedIcon = false;  // "Speed in icon"
  bool speedStrip = false;  // "Speed strip"
};

// The main window's icon: single click (balloon after 500 ms), double click (the default menu
// command), right click (the owner-drawn menu) and the balloon's own notifications; the product
// icon, or the speeds drawn as two bars.
class CMainTrayIcon : public CTrayIcon {
 public:
  ~CMainTrayIcon() override;
  LRESULT HandleTrayMessage(WPARAM wParam, LPARAM lParam) override;

  // The speeds as two bars at the shell's small-icon size for the current DPI; without speeds (no
  // connection shown) both bars are empty. The icon changes only when a bar's height or the size
  // changed. The icons of the last bars shown are kept (traffic goes up and down between a few
  // heights), and one is destroyed only when it is neither shown nor the one before. The tooltip
  // with the speeds goes along with a new icon, and at every refresh while the pointer is on the icon
  // (and for the tooltip's time after it last moved there); otherwise it waits for the pointer, so a
  // refresh whose bars stay as they are costs no call to the shell.
  void ShowSpeeds(const std::optional<SpeedPair>& speeds, const std::string& tip);
  // The product icon again; the drawn one is destroyed.
  void ShowProductIcon();
  // Icons drawn since the object was made, for tests.
  unsigned SpeedIconsMade() const { return speedIconsMade_; }
  void SetMenuChecks(TrayMenuChecks checks) { menuChecks_ = checks; }

  // The single-click timer fired: the balloon with the state text, unless the window came back.
  void OnClickTimer(HWND mainWindow, const std::string& stateText);
  // After a display rebuild: a balloon that is up shows the new state text.
  void RefreshBalloon(const std::string& stateText);
  // The balloon with the state text, titled "State", 11 seconds.
  BOOL ShowStateBalloon(const std::string& stateText);
  // A data plan's alert, titled "Data plan", 11 seconds. An icon hidden while the window is on show
  // comes for the balloon and goes again once its time is up (OnAlertIconTimer). False when the
  // shell did not take it.
  BOOL ShowAlertBalloon(HWND mainWindow, const std::string& text, bool warning);
  void OnAlertIconTimer(HWND mainWindow);

  // Loads the tray menu `menuId` into `menu` and gives its items their texts and images (with
  // the XP look set for the process); the popup to show, or null when the menu cannot be loaded.
  static FacetMenu* BuildMenu(FacetMenu& menu, UINT menuId, UINT defaultItem, TrayMenuChecks checks);

  bool ClickTimerArmed() const { return clickTimerArmed_; }
  bool BalloonVisible() const { return balloonVisible_; }

 protected:
  void OnIconLost() override;

 private:
  bool ShowMenu(HWND mainWindow);

  bool clickTimerArmed_ = false;
  bool balloonVisible_ = false;
  bool shownForAlert_ = false;  // the icon is on show only for an alert's balloon
  UINT_PTR clickTimerId_ = kClickTimerId;
  std::string lastBalloonText_;
  TrayMenuChecks menuChecks_;
  static constexpr std::size_t kKeptSpeedIcons = 16;
  struct DrawnIcon {
    SpeedIconBars bars;
    UniqueIcon icon;
  };
  HICON productIcon_ = nullptr;  // the record's icon before the first drawn one
  std::vector<DrawnIcon> drawnIcons_;  // most recently shown first; the first is the record's
  unsigned speedIconsMade_ = 0;
  std::string waitingTip_;  // the speeds' tooltip the shell gets once the pointer comes
  bool tipWaiting_ = false;
  DWORD pointerSeen_ = 0;  // tick of the pointer's last move over the icon
  bool pointerEverSeen_ = false;
};

}  // namespace tral::win32
