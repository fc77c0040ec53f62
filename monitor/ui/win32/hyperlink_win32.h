// A dialog's static text control turned into a link: own colour, underline, cursor and click handler.
#pragma once

#include <windows.h>

#include <cstdint>

#include "shared/win32/unique_handle.h"

namespace tral::win32 {

// Called for every message the link does not handle itself (mouse messages among them, since the
// control gets SS_NOTIFY); never for WM_PAINT, WM_SETCURSOR, WM_SETTEXT or WM_DESTROY. The result is
// not used. `handlerData` is the value given to AttachHyperlink, wide enough for a pointer.
using HyperlinkHandler = int (*)(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                                 std::intptr_t handlerData);

// One per attached control, owned by the control through its GWLP_USERDATA slot and released when
// the control is destroyed.
struct HyperlinkState {
  UniqueGdiObject ownedFont;  // set when the font was created from a description
  HFONT font = nullptr;  // the font the text is painted in: ownedFont, or the control's own
  UniqueGdiObject underlinePen;
  WNDPROC previousProc = nullptr;
  HWND control = nullptr;
  HyperlinkHandler notifyHandler = nullptr;
  std::intptr_t handlerData = 0;
  COLORREF textColor = 0;
  HCURSOR cursor = nullptr;  // shown over the control; null leaves the cursor as it is
  bool underline = true;
};

// Turns control `controlId` of `dialog` into a link painted in `textColor` with `font` (or, when
// null, the font the control has), underlined when `underline` is set, showing `cursor` while the
// mouse is over it, and reporting other messages to `handler` (may be null). False, with the control
// left as it was, when there is no such control, no font, or the pen or state cannot be made, and
// when the control is a link already. There is no detach: the control undoes everything when it is
// destroyed.
bool AttachHyperlink(HWND dialog, int controlId, HyperlinkHandler handler, COLORREF textColor,
                     const LOGFONTA* font, bool underline, HCURSOR cursor, std::intptr_t handlerData);

}  // namespace tral::win32
