// The chart windows' canvas (off-screen painting, pointer and keys) and the painter of layout boxes.
#include "monitor/charts/win32/chart_canvas_win32.h"

#include <windowsx.h>

#include <algorithm>

#include "monitor/ui/win32/gdi_win32.h"

namespace tral::win32 {

COLORREF ColourRef(const chart::Rgb& colour) { return RGB(colour.r, colour.g, colour.b); }

int ControlHeight(HWND dialog, int id) {
  RECT rect{};
  ::GetWindowRect(::GetDlgItem(dialog, id), &rect);
  return rect.bottom - rect.top;
}

void LayOutCanvasAndLine(HWND dialog, int canvasId, int lineId, int lineHeight, int dpi, int sideId) {
  RECT client{};
  ::GetClientRect(dialog, &client);
  const int gap = ScaleForDpi(2, dpi);
  HWND side = sideId != 0 ? ::GetDlgItem(dialog, sideId) : nullptr;
  // Its own style, not IsWindowVisible: the dialog itself is not shown yet at its first layout.
  const bool shown = side != nullptr && (::GetWindowLongPtrA(side, GWL_STYLE) & WS_VISIBLE) != 0;
  RECT sideRect{};
  if (shown) ::GetWindowRect(side, &sideRect);
  const int sideWidth = sideRect.right - sideRect.left;
  const int sideHeight = sideRect.bottom - sideRect.top;
  const int rowHeight = std::max(lineHeight, sideHeight);
  const int rowTop = std::max(0, static_cast<int>(client.bottom) - rowHeight - gap);
  ::MoveWindow(::GetDlgItem(dialog, canvasId), 0, 0, client.right, std::max(0, rowTop - gap), TRUE);
  const int lineWidth = static_cast<int>(client.right) - 4 * gap - (shown ? sideWidth + 2 * gap : 0);
  ::MoveWindow(::GetDlgItem(dialog, lineId), 2 * gap, rowTop + (rowHeight - lineHeight) / 2, std::max(0, lineWidth),
               lineHeight, TRUE);
  if (shown) {
    ::SetWindowPos(side, nullptr, static_cast<int>(client.right) - 2 * gap - sideWidth,
                   rowTop + (rowHeight - sideHeight) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

int WindowDpi(HWND window) {
  WindowDc dc(window);
  return dc.Get() != nullptr ? ::GetDeviceCaps(dc.Get(), LOGPIXELSY) : 96;
}

void ChartCanvas::Repaint() {
  if (Handle() != nullptr) ::InvalidateRect(Handle(), nullptr, FALSE);
}

bool ChartCanvas::OnDrawItem(const DRAWITEMSTRUCT& item) {
  const RECT& r = item.rcItem;
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  if (width <= 0 || height <= 0) return true;
  // The whole chart goes into a bitmap first and reaches the screen in one copy.
  UniqueMemoryDc memory(::CreateCompatibleDC(item.hDC));
  UniqueGdiObject bitmap(::CreateCompatibleBitmap(item.hDC, width, height));
  if (!memory || !bitmap) {
    listener_.PaintChart(item.hDC, PixelRect{r.left, r.top, r.right, r.bottom});
    return true;
  }
  {
    Selection selected(memory.Get(), bitmap.Get());
    listener_.PaintChart(memory.Get(), PixelRect{0, 0, width, height});
    ::BitBlt(item.hDC, r.left, r.top, width, height, memory.Get(), 0, 0, SRCCOPY);
  }
  return true;
}

LRESULT ChartCanvas::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return TRUE;  // the paint covers every pixel
    case WM_GETDLGCODE: {
      // Enter, when the window uses it, reaches the canvas instead of pressing the default button.
      const auto* msg = reinterpret_cast<const MSG*>(lParam);
      const bool enter = msg != nullptr && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN;
      return DLGC_WANTARROWS | (enter && listener_.WantsEnter() ? DLGC_WANTMESSAGE : 0);
    }
    case WM_LBUTTONDBLCLK:
      ::SetFocus(Handle());
      listener_.OnDoubleClick(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_LBUTTONDOWN:
      ::SetFocus(Handle());
      break;
    case WM_MOUSEMOVE:
      if (!tracking_) {
        TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, Handle(), 0};
        tracking_ = ::TrackMouseEvent(&track) != FALSE;
      }
      listener_.OnPointer(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      break;
    case WM_MOUSELEAVE:
      tracking_ = false;
      listener_.OnPointerLeft();
      break;
    case WM_KEYDOWN:
      if (listener_.OnKey(static_cast<UINT>(wParam))) return 0;
      break;
    case WM_SIZE:
      Repaint();
      break;
    default:
      break;
  }
  return Default(message, wParam, lParam);
}

ChartPainter::ChartPainter(HDC dc, HFONT font) : dc_(dc) {
  if (font != nullptr) previousFont_ = ::SelectObject(dc_, font);
  previousMode_ = ::SetBkMode(dc_, TRANSPARENT);
  TEXTMETRICA metrics{};
  if (::GetTextMetricsA(dc_, &metrics)) lineHeight_ = metrics.tmHeight;
}

ChartPainter::~ChartPainter() {
  ::SetBkMode(dc_, previousMode_);
  if (previousFont_ != nullptr) ::SelectObject(dc_, previousFont_);
}

chart::TextMeasure ChartPainter::Measure() const {
  HDC dc = dc_;
  return chart::TextMeasure{lineHeight_, [dc](std::string_view text) {
                              SIZE size{};
                              ::GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
                              return static_cast<int>(size.cx);
                            }};
}

HBRUSH ChartPainter::Brush(const chart::Rgb& colour) {
  UniqueGdiObject& brush = brushes_[ColourRef(colour)];
  if (!brush) brush.Reset(::CreateSolidBrush(ColourRef(colour)));
  return static_cast<HBRUSH>(brush.Get());
}

void ChartPainter::Fill(const PixelRect& rect, const chart::Rgb& colour) {
  if (rect.right <= rect.left || rect.bottom <= rect.top) return;
  const RECT r{rect.left, rect.top, rect.right, rect.bottom};
  ::FillRect(dc_, &r, Brush(colour));
}

void ChartPainter::HorizontalLine(int left, int right, int y, const chart::Rgb& colour) {
  Fill(PixelRect{left, y, right, y + 1}, colour);
}

void ChartPainter::Lines(const std::vector<chart::LinePath>& lines, const chart::Rgb& colour, int width) {
  UniqueGdiObject pen(::CreatePen(PS_SOLID, width, ColourRef(colour)));
  Selection selected(dc_, pen.Get());
  for (const chart::LinePath& line : lines) {
    if (line.size() == 1) {  // a lone sample: a dot as wide as the line
      const int half = width / 2;
      Fill(PixelRect{line[0].x - half, line[0].y - half, line[0].x - half + width, line[0].y - half + width}, colour);
      continue;
    }
    std::vector<POINT> points;
    points.reserve(line.size());
    for (const chart::LinePoint& p : line) points.push_back(POINT{p.x, p.y});
    ::Polyline(dc_, points.data(), static_cast<int>(points.size()));
  }
}

void ChartPainter::Text(const chart::TextBox& text, const chart::Rgb& colour, bool centred) {
  RECT box{text.box.left, text.box.top, text.box.right, text.box.bottom};
  const UINT align = centred ? DT_CENTER : text.alignRight ? DT_RIGHT : DT_LEFT;
  const COLORREF previous = ::SetTextColor(dc_, ColourRef(colour));
  // The layout measured the text in this font: the box fits it, so nothing is cut.
  ::DrawTextA(dc_, text.text.c_str(), static_cast<int>(text.text.size()), &box,
              align | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_NOCLIP);
  ::SetTextColor(dc_, previous);
}

void ChartPainter::Axis(const chart::ValueAxis& axis, const PixelRect& plot) {
  for (const chart::ValueTick& tick : axis.ticks) {
    HorizontalLine(plot.left, plot.right, tick.y, tick.value == 0 ? chart::kAxisColor : chart::kGridColor);
    Text(tick.label, chart::kTextColor);
  }
}

void ChartPainter::Legend(const std::vector<chart::LegendEntry>& legend) {
  for (const chart::LegendEntry& entry : legend) {
    Fill(entry.swatch, entry.color);
    Text(entry.label, chart::kTextColor);
  }
}

}  // namespace tral::win32
