// The speed strip: a small borderless window on top of the others with the download and upload
// speed of the shown connection, or of every connection added up, in the user's speed unit. It is
// dragged with the mouse and keeps its place per user; a right click gives the tray menu with the
// strip's own items, a double click the main window. It never takes the focus and has no task bar
// button.
#pragma once

#include <windows.h>

#include <optional>

#include "monitor/common/speed_readout.h"
#include "monitor/common/win32/tray_icon_win32.h"
#include "monitor/settings/monitor_settings.h"
#include "monitor/settings/readout_settings.h"
#include "monitor/strip/strip_layout.h"
#include "shared/win32/unique_handle.h"

namespace tral::win32 {

inline constexpr char kStripWindowClass[] = "TraldenSpeedStrip";

class CSpeedStripWnd {
 public:
  // Commands of the tray menu go to `mainWindow`. The settings are the main window's and outlive
  // this window; the strip changes and stores its own read-out settings (sum, opacity).
  CSpeedStripWnd(HWND mainWindow, const MonitorSettings& settings, ReadoutSettings& readout);
  ~CSpeedStripWnd();
  CSpeedStripWnd(const CSpeedStripWnd&) = delete;
  CSpeedStripWnd& operator=(const CSpeedStripWnd&) = delete;

  // Opens the strip at its stored place (moved onto a monitor that is there), or in the bottom
  // right corner of the work area, without activating it. False when no window could be made.
  bool Create();
  HWND Handle() const { return window_.Get(); }

  // After each refresh: the shown connection's speeds (none while no connection is shown) and the
  // sum over every connection. Only a changed text is painted; the focus stays where it is.
  void Update(const std::optional<SpeedPair>& shown, const SpeedPair& summed);
  // The units or decimals changed: measured and painted again.
  void SettingsChanged();
  // Which read-outs the right-click menu shows checked besides "Speed strip".
  void SetMenuChecks(TrayMenuChecks checks) { menuChecks_ = checks; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Refigure(bool force);
  void Remeasure();
  void Paint(HDC dc, const RECT& client);
  void ShowMenu(POINT screen);
  void OnCommand(UINT id);
  void BeginDrag();
  void DragTo();
  void EndDrag();
  void KeepOnAMonitor();
  void ApplyOpacity();
  void StoreReadout();

  HWND mainWindow_;
  const MonitorSettings& settings_;
  ReadoutSettings& readout_;
  TrayMenuChecks menuChecks_;
  int dpi_ = 96;
  StripLayout layout_;
  StripFigures figures_;
  std::optional<SpeedPair> shown_;
  SpeedPair summed_;
  bool dragging_ = false;
  bool dragMoved_ = false;
  POINT dragOffset_{};  // from the window's corner to the pointer, screen pixels
  int lineHeight_ = 0;  // pixels of the font's lines
  int templateWidth_ = 0;  // pixels of the width template
  UniqueGdiObject font_;
  UniqueMemoryDc measureDc_;  // after the font selected into it: gone before it
  UniqueGdiObject downBrush_;
  UniqueGdiObject upBrush_;
  UniqueWindow hiddenOwner_;
  UniqueWindow window_;  // last: destroyed first, while the objects it paints with are there
};

}  // namespace tral::win32
