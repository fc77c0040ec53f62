// Tooltip set-up and control subclassing for the monitor's dialogs.
#include "monitor/framework/controls.h"

namespace tral::ui {

namespace {
constexpr char kControlProperty[] = "TraldenControl";
constexpr UINT_PTR kSubclassId = 1;

// The tool of a dialog's control, identified by the control's window handle.
TOOLINFOA ToolOf(HWND dialog, HWND control) {
  TOOLINFOA info{};
  info.cbSize = sizeof info;
  info.hwnd = dialog;
  info.uId = reinterpret_cast<UINT_PTR>(control);
  return info;
}
}  // namespace

bool ToolTip::Create(HWND dialog) {
  hwnd_ = ::CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_BALLOON, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr,
                            reinterpret_cast<HINSTANCE>(::GetWindowLongPtrA(dialog, GWLP_HINSTANCE)), nullptr);
  if (hwnd_ == nullptr) return false;
  ::SendMessageA(hwnd_, TTM_ACTIVATE, TRUE, 0);
  ::SendMessageA(hwnd_, TTM_SETMAXTIPWIDTH, 0, kMaxTipWidth);
  ::SendMessageA(hwnd_, TTM_SETTIPBKCOLOR, kBackground, 0);
  ::SendMessageA(hwnd_, TTM_SETDELAYTIME, TTDT_AUTOPOP, MAKELPARAM(kShowTimeMs, 0));
  return true;
}

bool ToolTip::AddTool(HWND dialog, int id, const char* text) {
  HWND control = ::GetDlgItem(dialog, id);
  if (hwnd_ == nullptr || control == nullptr) return false;
  TOOLINFOA info = ToolOf(dialog, control);
  info.uFlags = TTF_IDISHWND;  // mouse messages come through Relay from the modal loop
  info.lpszText = const_cast<char*>(text);
  return ::SendMessageA(hwnd_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info)) != FALSE;
}

void ToolTip::SetToolText(HWND dialog, int id, const char* text) {
  HWND control = ::GetDlgItem(dialog, id);
  if (hwnd_ == nullptr || control == nullptr) return;
  TOOLINFOA info = ToolOf(dialog, control);
  info.lpszText = const_cast<char*>(text);
  ::SendMessageA(hwnd_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&info));
}

bool ToolTip::AddTrackingTool(HWND dialog, int id) {
  HWND control = ::GetDlgItem(dialog, id);
  if (hwnd_ == nullptr || control == nullptr) return false;
  TOOLINFOA info = ToolOf(dialog, control);
  info.uFlags = TTF_IDISHWND | TTF_TRACK | TTF_ABSOLUTE;
  info.lpszText = const_cast<char*>("");
  return ::SendMessageA(hwnd_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info)) != FALSE;
}

void ToolTip::Track(HWND dialog, int id, const char* text, POINT screen) {
  HWND control = ::GetDlgItem(dialog, id);
  if (hwnd_ == nullptr || control == nullptr) return;
  SetToolText(dialog, id, text);
  TOOLINFOA info = ToolOf(dialog, control);
  ::SendMessageA(hwnd_, TTM_TRACKPOSITION, 0, MAKELPARAM(screen.x, screen.y));
  ::SendMessageA(hwnd_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&info));
}

void ToolTip::Untrack(HWND dialog, int id) {
  HWND control = ::GetDlgItem(dialog, id);
  if (hwnd_ == nullptr || control == nullptr) return;
  TOOLINFOA info = ToolOf(dialog, control);
  ::SendMessageA(hwnd_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&info));
}

void ToolTip::Relay(MSG& message) {
  if (hwnd_ == nullptr) return;
  if (message.message >= WM_MOUSEFIRST && message.message <= WM_MOUSELAST) {
    ::SendMessageA(hwnd_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&message));
  }
}

SubclassedControl::~SubclassedControl() { Unsubclass(); }

bool SubclassedControl::Subclass(HWND dialog, int id) {
  HWND control = ::GetDlgItem(dialog, id);
  if (control == nullptr || hwnd_ != nullptr) return false;
  if (!::SetWindowSubclass(control, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) return false;
  ::SetPropA(control, kControlProperty, this);
  hwnd_ = control;
  return true;
}

SubclassedControl* SubclassedControl::FromHandle(HWND control) {
  if (control == nullptr) return nullptr;
  return static_cast<SubclassedControl*>(::GetPropA(control, kControlProperty));
}

LRESULT SubclassedControl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return Default(message, wParam, lParam);
}

LRESULT SubclassedControl::Default(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::DefSubclassProc(hwnd_, message, wParam, lParam);
}

void SubclassedControl::Unsubclass() {
  if (hwnd_ == nullptr) return;
  ::RemovePropA(hwnd_, kControlProperty);
  ::RemoveWindowSubclass(hwnd_, SubclassProc, kSubclassId);
  hwnd_ = nullptr;
}

LRESULT CALLBACK SubclassedControl::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                                 UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<SubclassedControl*>(data);
  if (message == WM_NCDESTROY) {
    const LRESULT result = ::DefSubclassProc(window, message, wParam, lParam);
    self->Unsubclass();
    return result;
  }
  return self->WindowProc(message, wParam, lParam);
}

}  // namespace tral::ui
