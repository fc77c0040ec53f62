// The speed strip: its window, painting, dragging, placement and menu.
#include "monitor/strip/win32/speed_strip_wnd_win32.h"

#include <windowsx.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <tuple>
#include <utility>

#include "chart/chart_axes.h"
#include "monitor/framework/menu.h"
#include "monitor/resources/resource.h"
#include "monitor/settings/win32/settings_store_win32.h"
#include "monitor/ui/win32/facet_menu_win32.h"
#include "monitor/ui/win32/gdi_win32.h"

namespace tral::win32 {

namespace {

constexpr int kFontPoints = 9;
constexpr DWORD kStripStyle = WS_POPUP;
// On top, no task bar button, and never activated by a click: the keyboard stays where it was.
constexpr DWORD kStripExStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;

COLORREF ColorOf(chart::Rgb rgb) { return RGB(rgb.r, rgb.g, rgb.b); }

UniqueGdiObject CreateStripFont(int dpi) {
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof metrics;
  LOGFONTA font{};
  if (::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0) != FALSE) {
    font = metrics.lfMessageFont;
  } else {
    lstrcpynA(font.lfFaceName, "Tahoma", LF_FACESIZE);
  }
  font.lfHeight = -::MulDiv(kFontPoints, dpi, 72);
  font.lfWidth = 0;
  font.lfWeight = FW_BOLD;
  return UniqueGdiObject(::CreateFontIndirectA(&font));
}

// Width of a text in the strip's font, pixels.
int TextWidth(HDC dc, const std::string& text) {
  SIZE size{};
  ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
  return size.cx;
}

RECT ToRect(const PixelRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

void RegisterStripClass(WNDPROC procedure) {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = ::GetModuleHandleA(nullptr);
  windowClass.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32646));  // IDC_SIZEALL: it can be moved
  windowClass.lpszClassName = kStripWindowClass;
  ::RegisterClassExA(&windowClass);  // registered earlier in the process is fine
}

// The whole area of the monitor nearest to the rectangle: a strip may sit over the task bar.
WindowRect MonitorArea(const RECT& around) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  HMONITOR monitor = ::MonitorFromRect(&around, MONITOR_DEFAULTTONEAREST);
  if (monitor == nullptr || ::GetMonitorInfoA(monitor, &info) == FALSE) {
    return WindowRect{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  }
  const RECT& r = info.rcMonitor;
  return WindowRect{r.left, r.top, r.right, r.bottom};
}

}  // namespace

CSpeedStripWnd::CSpeedStripWnd(HWND mainWindow, const MonitorSettings& settings, ReadoutSettings& readout)
    : mainWindow_(mainWindow), settings_(settings), readout_(readout) {}

CSpeedStripWnd::~CSpeedStripWnd() {
  window_.Reset();
  hiddenOwner_.Reset();
}

bool CSpeedStripWnd::Create() {
  if (window_) return true;
  RegisterStripClass(WindowProc);
  dpi_ = ScreenDpi();
  font_ = CreateStripFont(dpi_);
  downBrush_.Reset(::CreateSolidBrush(ColorOf(chart::kDownloadColor)));
  upBrush_.Reset(::CreateSolidBrush(ColorOf(chart::kUploadColor)));
  figures_ = StripFiguresOf(std::nullopt, settings_);
  Refigure(true);

  // The stored place, moved onto the monitor nearest to it; else the primary work area's corner.
  const std::string iniPath = GetIniPath(false);
  std::optional<WindowPoint> place;
  if (const std::optional<std::string> stored = ReadLayoutEntry(kStripLayoutKey, iniPath)) {
    if (const std::optional<WindowPoint> point = ParseWindowPosition(*stored)) {
      const RECT there{point->x, point->y, point->x + layout_.width, point->y + layout_.height};
      place = KeepInside(WindowRect{there.left, there.top, there.right, there.bottom}, MonitorArea(there));
    }
  }
  if (!place) {
    RECT work{};
    if (::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0) == FALSE) {
      work = RECT{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    }
    std::optional<WindowRect> taskBar;
    HWND bar = ::FindWindowA("Shell_TrayWnd", nullptr);
    RECT barRect{};
    if (bar != nullptr && ::IsWindowVisible(bar) != FALSE && ::GetWindowRect(bar, &barRect) != FALSE) {
      taskBar = WindowRect{barRect.left, barRect.top, barRect.right, barRect.bottom};
    }
    place = DefaultStripPlace(layout_.width, layout_.height, WindowRect{work.left, work.top, work.right, work.bottom},
                              taskBar, dpi_);
  }

  // Owned by a window that is never shown: a window without owner gets a task bar button from some
  // shells even as a tool window, and the main window would hide it whenever it is minimised.
  hiddenOwner_.Reset(::CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                       ::GetModuleHandleA(nullptr), nullptr));
  HWND window = ::CreateWindowExA(kStripExStyle, kStripWindowClass, StripWindowText(figures_).c_str(), kStripStyle,
                                  place->x, place->y, layout_.width, layout_.height, hiddenOwner_.Get(), nullptr,
                                  ::GetModuleHandleA(nullptr), this);
  if (window == nullptr) return false;
  window_.Reset(window);
  ApplyOpacity();
  ::ShowWindow(window, SW_SHOWNOACTIVATE);
  return true;
}

void CSpeedStripWnd::Update(const std::optional<SpeedPair>& shown, const SpeedPair& summed) {
  shown_ = shown;
  summed_ = summed;
  Refigure(false);
}

void CSpeedStripWnd::SettingsChanged() { Refigure(true); }

void CSpeedStripWnd::Remeasure() {
  // A DC of its own with the strip's font, kept: each refresh measures the two figures only.
  if (!measureDc_) {
    measureDc_.Reset(::CreateCompatibleDC(nullptr));
    if (measureDc_) ::SelectObject(measureDc_.Get(), font_.Get());
  }
  TEXTMETRICA metrics{};
  ::GetTextMetricsA(measureDc_.Get(), &metrics);
  lineHeight_ = metrics.tmHeight;
  templateWidth_ = TextWidth(measureDc_.Get(), StripWidthTemplate(settings_));
}

void CSpeedStripWnd::Refigure(bool force) {
  const std::optional<SpeedPair> speeds = readout_.stripSum ? std::optional<SpeedPair>(summed_) : shown_;
  const StripFigures figures = StripFiguresOf(speeds, settings_);
  if (!force && figures == figures_) return;  // a steady speed paints nothing
  figures_ = figures;
  if (force) Remeasure();

  // Each figure as wide as the wider of itself and the template, so that the strip keeps its size
  // while the speeds change and grows only for a figure of more digits.
  const StripLayout layout =
      LayOutStrip(std::max(templateWidth_, TextWidth(measureDc_.Get(), figures_.down)),
                  std::max(templateWidth_, TextWidth(measureDc_.Get(), figures_.up)), lineHeight_, dpi_);
  const bool moved = !(layout == layout_);
  layout_ = layout;
  if (!window_) return;
  if (moved || force) {
    ::SetWindowPos(window_.Get(), nullptr, 0, 0, layout_.width, layout_.height,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::InvalidateRect(window_.Get(), nullptr, FALSE);
    return;
  }
  // Only the figures changed: one rectangle over both (the upload arrow between them is drawn again
  // with them, at no cost worth a second call).
  const RECT both{layout_.downText.left, layout_.downText.top, layout_.upText.right, layout_.upText.bottom};
  ::InvalidateRect(window_.Get(), &both, FALSE);
}

LRESULT CALLBACK CSpeedStripWnd::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<CSpeedStripWnd*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self == nullptr) return ::DefWindowProcA(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    return ::DefWindowProcA(window, message, wParam, lParam);
  }
  return self->OnMessage(window, message, wParam, lParam);
}

LRESULT CSpeedStripWnd::OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;  // a click or a drag leaves the focus where it is
    case WM_ERASEBKGND:
      return 1;  // the paint covers every pixel
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(StripWindowText(figures_).size());
    case WM_GETTEXT: {
      // The figures as words for screen readers and other programs, made when asked: storing them
      // as the window's text at every refresh would cost a change of the window at each.
      const std::string text = StripWindowText(figures_);
      const std::size_t room = static_cast<std::size_t>(wParam);
      if (room == 0 || lParam == 0) return 0;
      const std::size_t copied = std::min(text.size(), room - 1);
      std::memcpy(reinterpret_cast<char*>(lParam), text.data(), copied);
      reinterpret_cast<char*>(lParam)[copied] = '\0';
      return static_cast<LRESULT>(copied);
    }
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = ::BeginPaint(window, &paint);
      RECT client{};
      ::GetClientRect(window, &client);
      Paint(dc, client);
      ::EndPaint(window, &paint);
      return 0;
    }
    case WM_LBUTTONDOWN:
      BeginDrag();
      return 0;
    case WM_MOUSEMOVE:
      if (dragging_) DragTo();
      return 0;
    case WM_LBUTTONUP:
      if (!dragging_) return 0;
      DragTo();  // the last moves may have been folded into this message
      ::ReleaseCapture();  // ends the drag through WM_CAPTURECHANGED
      return 0;
    case WM_CAPTURECHANGED:
      if (dragging_) EndDrag();
      return 0;
    case WM_LBUTTONDBLCLK:
      // The main window comes back as from the tray icon's double click.
      ::SetForegroundWindow(mainWindow_);
      ::PostMessageA(mainWindow_, WM_COMMAND, ID_TRAY_RESTORE, 0);
      return 0;
    case WM_CONTEXTMENU: {
      POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (at.x == -1 && at.y == -1) {  // from the keyboard: at the strip's corner
        RECT rect{};
        ::GetWindowRect(window, &rect);
        at = POINT{rect.left, rect.bottom};
      }
      ShowMenu(at);
      return 0;
    }
    case WM_COMMAND:
      OnCommand(LOWORD(wParam));
      return 0;
    case WM_MEASUREITEM:
    case WM_DRAWITEM:  // the menu's owner-drawn items
      if (ui::Menu::RouteOwnerDraw(message, lParam)) return TRUE;
      break;
    case WM_DISPLAYCHANGE:
      KeepOnAMonitor();
      break;
    default:
      break;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

void CSpeedStripWnd::Paint(HDC dc, const RECT& client) {
  // Every pixel once, straight into the window: the background around the figures' boxes, the
  // frame and the arrows, then each figure with its box in one opaque pass. Nothing flickers, and a
  // refresh costs no off-screen bitmap.
  const RECT boxes[] = {ToRect(layout_.downText), ToRect(layout_.upText)};
  const int saved = ::SaveDC(dc);
  for (const RECT& box : boxes) ::ExcludeClipRect(dc, box.left, box.top, box.right, box.bottom);
  ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_WINDOW));
  ::FrameRect(dc, &client, ::GetSysColorBrush(COLOR_BTNSHADOW));
  {
    Selection pen(dc, ::GetStockObject(NULL_PEN));
    for (auto [box, down, brush] : {std::tuple{layout_.downArrow, true, downBrush_.Get()},
                                    std::tuple{layout_.upArrow, false, upBrush_.Get()}}) {
      const std::array<WindowPoint, 7> outline = ArrowOutline(box, down);
      POINT points[7];
      for (std::size_t i = 0; i < outline.size(); ++i) points[i] = POINT{outline[i].x, outline[i].y};
      Selection fill(dc, brush);
      ::Polygon(dc, points, 7);
    }
  }
  ::RestoreDC(dc, saved);
  Selection font(dc, font_.Get());
  ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
  ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
  // Each figure beside its arrow, from the left of its box; the box is as wide as the widest usual
  // figure, so the upload arrow keeps its place while the download figure changes.
  const std::string* texts[] = {&figures_.down, &figures_.up};
  for (int i = 0; i < 2; ++i) {
    ::ExtTextOutA(dc, boxes[i].left, boxes[i].top, ETO_OPAQUE | ETO_CLIPPED, &boxes[i], texts[i]->c_str(),
                  static_cast<UINT>(texts[i]->size()), nullptr);
  }
}

namespace {

// Where the pointer was when the message being handled was posted, in screen pixels: the strip
// moves during a drag, so the message's own coordinates, relative to it, would not do.
POINT MessagePoint() {
  const DWORD at = ::GetMessagePos();
  return POINT{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
}

}  // namespace

void CSpeedStripWnd::BeginDrag() {
  RECT rect{};
  ::GetWindowRect(window_.Get(), &rect);
  const POINT cursor = MessagePoint();
  dragOffset_ = POINT{cursor.x - rect.left, cursor.y - rect.top};
  dragging_ = true;
  dragMoved_ = false;
  ::SetCapture(window_.Get());
}

void CSpeedStripWnd::DragTo() {
  const POINT cursor = MessagePoint();
  RECT rect{};
  ::GetWindowRect(window_.Get(), &rect);
  const int x = cursor.x - dragOffset_.x;
  const int y = cursor.y - dragOffset_.y;
  if (x == rect.left && y == rect.top) return;
  ::SetWindowPos(window_.Get(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  dragMoved_ = true;
}

void CSpeedStripWnd::EndDrag() {
  dragging_ = false;
  if (!dragMoved_) return;
  RECT rect{};
  if (::GetWindowRect(window_.Get(), &rect) == FALSE) return;
  WriteLayoutEntry(kStripLayoutKey, WindowRect{rect.left, rect.top, rect.right, rect.bottom}, GetIniPath(false));
}

void CSpeedStripWnd::KeepOnAMonitor() {
  // A monitor went away: the strip comes onto the nearest one that is there. Its stored place stays,
  // so it goes back there when that monitor is attached again before the next start.
  RECT rect{};
  if (::GetWindowRect(window_.Get(), &rect) == FALSE) return;
  const WindowPoint place =
      KeepInside(WindowRect{rect.left, rect.top, rect.right, rect.bottom}, MonitorArea(rect));
  if (place.x == rect.left && place.y == rect.top) return;
  ::SetWindowPos(window_.Get(), nullptr, place.x, place.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CSpeedStripWnd::ApplyOpacity() {
  if (!window_) return;
  // Layered only while it is see-through: a fully opaque strip is an ordinary window.
  const LONG_PTR exStyle = ::GetWindowLongPtrA(window_.Get(), GWL_EXSTYLE);
  if (readout_.stripOpacity >= 100) {
    if ((exStyle & WS_EX_LAYERED) != 0) ::SetWindowLongPtrA(window_.Get(), GWL_EXSTYLE, exStyle & ~WS_EX_LAYERED);
    return;
  }
  if ((exStyle & WS_EX_LAYERED) == 0) ::SetWindowLongPtrA(window_.Get(), GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
  ::SetLayeredWindowAttributes(window_.Get(), 0, OpacityAlpha(readout_.stripOpacity), LWA_ALPHA);
}

void CSpeedStripWnd::ShowMenu(POINT screen) {
  FacetMenu menu;  // lives until the menu has closed
  TrayMenuChecks checks = menuChecks_;
  checks.speedStrip = true;  // the strip is open: its item closes it
  FacetMenu* sub = CMainTrayIcon::BuildMenu(menu, IDR_STRIPMENU, 0, checks);
  if (sub == nullptr) return;
  ::CheckMenuItem(sub->Handle(), ID_STRIP_SUM, MF_BYCOMMAND | (readout_.stripSum ? MF_CHECKED : MF_UNCHECKED));
  const FacetMenu::Found opacities = menu.FindItemMenu(ID_STRIP_OPACITY_100);
  if (opacities.menu != nullptr) {
    const UINT chosen = readout_.stripOpacity == 80   ? ID_STRIP_OPACITY_80
                        : readout_.stripOpacity == 60 ? ID_STRIP_OPACITY_60
                                                      : ID_STRIP_OPACITY_100;
    ::CheckMenuRadioItem(opacities.menu->Handle(), ID_STRIP_OPACITY_100, ID_STRIP_OPACITY_60, chosen, MF_BYCOMMAND);
  }
  // The menu closes when the user clicks elsewhere only while its owner is in the foreground.
  ::SetForegroundWindow(window_.Get());
  ::TrackPopupMenu(sub->Handle(), TPM_RIGHTBUTTON, screen.x, screen.y, 0, window_.Get(), nullptr);
  ::PostMessageA(window_.Get(), WM_NULL, 0, 0);
}

void CSpeedStripWnd::OnCommand(UINT id) {
  switch (id) {
    case ID_STRIP_SUM:
      readout_.stripSum = !readout_.stripSum;
      StoreReadout();
      Refigure(true);
      return;
    case ID_STRIP_OPACITY_100:
    case ID_STRIP_OPACITY_80:
    case ID_STRIP_OPACITY_60:
      readout_.stripOpacity = id == ID_STRIP_OPACITY_80 ? 80 : id == ID_STRIP_OPACITY_60 ? 60 : 100;
      StoreReadout();
      ApplyOpacity();
      return;
    default:
      // The tray menu's commands are the main window's. Posted, not sent: "Speed strip" and "Exit"
      // destroy this window, which must not happen while its own procedure still runs.
      ::PostMessageA(mainWindow_, WM_COMMAND, id, 0);
      return;
  }
}

void CSpeedStripWnd::StoreReadout() {
  PrivateProfileFile ini(GetIniPath(false));
  (void)SaveReadoutSettings(readout_, ini);
}

}  // namespace tral::win32
