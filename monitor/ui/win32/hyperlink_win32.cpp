// The link label's replacement window procedure and its attachment.
#include "monitor/ui/win32/hyperlink_win32.h"

#include <memory>
#include <new>

#include "monitor/ui/hyperlink_geometry.h"

namespace tral::win32 {

namespace {

constexpr int kTextBuffer = 4095;  // at most 4094 characters and the terminator are painted

HyperlinkState* StateOf(HWND control) {
  return reinterpret_cast<HyperlinkState*>(::GetWindowLongPtrA(control, GWLP_USERDATA));
}

// The control's own background, as its parent chooses it for static controls. The static class
// paints its background in WM_PAINT, which is replaced here: without this a changed text would be
// painted over the old one.
void PaintBackground(HWND control, HDC dc, const RECT& client) {
  auto brush = reinterpret_cast<HBRUSH>(::SendMessageA(::GetParent(control), WM_CTLCOLORSTATIC,
                                                       reinterpret_cast<WPARAM>(dc),
                                                       reinterpret_cast<LPARAM>(control)));
  if (brush == nullptr) brush = ::GetSysColorBrush(COLOR_3DFACE);
  ::FillRect(dc, &client, brush);
}

void Paint(HyperlinkState& state) {
  HWND control = state.control;
  PAINTSTRUCT paint{};
  HDC dc = ::BeginPaint(control, &paint);
  if (dc == nullptr) return;
  RECT client{};
  ::GetClientRect(control, &client);
  char text[kTextBuffer] = {};
  const int length = ::GetWindowTextA(control, text, kTextBuffer);
  const auto style = static_cast<std::uint32_t>(::GetWindowLongPtrA(control, GWL_STYLE));
  UINT format = DT_WORDBREAK;
  if (style & SS_CENTER) format |= DT_CENTER;
  if (style & SS_RIGHT) format |= DT_RIGHT;

  PaintBackground(control, dc, client);
  ::SetTextColor(dc, state.textColor);
  const HGDIOBJ previousFont = ::SelectObject(dc, state.font);
  ::SetBkMode(dc, TRANSPARENT);
  ::DrawTextA(dc, text, length, &client, format);
  if (state.underline) {
    SIZE extent{};
    ::GetTextExtentPoint32A(dc, text, length, &extent);
    const UnderlineSpan line =
        UnderlineFor(LabelAlignmentFromStyle(style), client.right, client.bottom, extent.cx);
    const HGDIOBJ previousPen = ::SelectObject(dc, state.underlinePen.Get());
    ::MoveToEx(dc, line.fromX, line.y, nullptr);
    ::LineTo(dc, line.toX, line.y);
    ::SelectObject(dc, previousPen);
  }
  ::SelectObject(dc, previousFont);
  ::EndPaint(control, &paint);
}

LRESULT CALLBACK HyperlinkProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  HyperlinkState* state = StateOf(control);
  if (state == nullptr) return ::DefWindowProcA(control, message, wParam, lParam);
  switch (message) {
    case WM_DESTROY: {
      std::unique_ptr<HyperlinkState> owned(state);  // pen and owned font go with it
      const LRESULT result = ::CallWindowProcA(owned->previousProc, control, message, wParam, lParam);
      ::SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(owned->previousProc));
      ::SetWindowLongPtrA(control, GWLP_USERDATA, 0);
      return result;
    }
    case WM_SETTEXT: {
      const LRESULT result = ::CallWindowProcA(state->previousProc, control, message, wParam, lParam);
      ::RedrawWindow(control, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE);
      return result;
    }
    case WM_PAINT:
      Paint(*state);
      return 0;
    case WM_SETCURSOR:
      if (state->cursor != nullptr) ::SetCursor(state->cursor);
      return 0;
    default:
      if (state->notifyHandler != nullptr) {
        state->notifyHandler(control, message, wParam, lParam, state->handlerData);
      }
      return ::CallWindowProcA(state->previousProc, control, message, wParam, lParam);
  }
}

}  // namespace

bool AttachHyperlink(HWND dialog, int controlId, HyperlinkHandler handler, COLORREF textColor,
                     const LOGFONTA* font, bool underline, HCURSOR cursor, std::intptr_t handlerData) {
  HWND control = ::GetDlgItem(dialog, controlId);
  if (control == nullptr) return false;
  // A second attachment would chain the procedure to itself and lose the first state.
  if (::GetWindowLongPtrA(control, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&HyperlinkProc)) return false;
  std::unique_ptr<HyperlinkState> state(new (std::nothrow) HyperlinkState);
  if (!state) return false;

  if (font != nullptr) {
    state->ownedFont.Reset(::CreateFontIndirectA(font));
    state->font = static_cast<HFONT>(state->ownedFont.Get());
  } else {
    state->font = reinterpret_cast<HFONT>(::SendMessageA(control, WM_GETFONT, 0, 0));
  }
  if (state->font == nullptr) return false;
  state->underlinePen.Reset(::CreatePen(PS_SOLID, 1, textColor));
  if (!state->underlinePen) return false;

  state->control = control;
  state->notifyHandler = handler;
  state->handlerData = handlerData;
  state->textColor = textColor;
  state->cursor = cursor;
  state->underline = underline;

  // The state is in place before the new procedure can see a message.
  ::SetWindowLongPtrA(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state.get()));
  ::SetLastError(0);
  const LONG_PTR previous =
      ::SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HyperlinkProc));
  if (previous == 0 && ::GetLastError() != 0) {
    ::SetWindowLongPtrA(control, GWLP_USERDATA, 0);
    return false;
  }
  state->previousProc = reinterpret_cast<WNDPROC>(previous);
  state.release();  // the control owns it now; freed at WM_DESTROY
  const LONG_PTR style = ::GetWindowLongPtrA(control, GWL_STYLE);
  ::SetWindowLongPtrA(control, GWL_STYLE, style | SS_NOTIFY);
  return true;
}

}  // namespace tral::win32
