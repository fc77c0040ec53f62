// Drives the windows of another program from outside, for the end-to-end tests: finds windows,
// reads control texts and states, clicks, types keys, sends system commands and messages, and times
// how long a window takes to answer. One command per line, one JSON line of result per command.
//
//   ui_driver COMMAND ARGS...          runs one command
//   ui_driver                          reads commands from stdin, one per line, until end of input
//
// Windows are given as numbers (decimal or 0x...). CLASS and TITLE "-" mean any. Commands:
//   wait CLASS TITLE MS                 a visible top-level window; {"hwnd": N} or {"hwnd": 0}
//   gone HWND MS                        waits until the window no longer exists
//   owned OWNER TITLE MS                a visible top-level window of that title owned by OWNER (- any)
//   controls HWND                       every child: id, class, text, enabled, visible, checked
//   text HWND ID                        WM_GETTEXT of child ID (ID 0: the window itself)
//   state HWND ID                       enabled, visible, checked, style, exStyle
//   window HWND                         enabled, visible, iconic, exStyle, rectangles, owner, pid and the
//                                       top-level windows it owns (class, exStyle)
//   click HWND ID                       posts BM_CLICK to child ID
//   command HWND ID                     posts WM_COMMAND (BN_CLICKED) from child ID
//   key HWND VK                         posts WM_KEYDOWN/WM_KEYUP of VK to the focused control
//   input HWND VK                       SetForegroundWindow, then SendInput of VK down and up
//   syscommand HWND SC [X Y]            posts WM_SYSCOMMAND with the point in lParam
//   post HWND MSG WPARAM LPARAM         PostMessageA
//   send HWND MSG WPARAM LPARAM MS      SendMessageTimeoutA; {"ok", "result", "ms"}
//   sysmenu HWND                        the items of the window's system menu, with their check marks
//   listbox HWND ID                     the items of a list box (LB_GETTEXTW, works across processes)
//   ping HWND COUNT GAPMS TIMEOUTMS     COUNT WM_NULL round trips GAPMS apart; their times in ms
//   close HWND MS                       posts WM_CLOSE and waits until the window is gone
//   settext HWND ID TEXT                WM_SETTEXT of child ID ("" for an empty text)
//   combo HWND ID                       the entries of a drop-down list and the selected index
//   tooltips OWNER                      the tooltip windows owned by OWNER and their tool counts
//   focus HWND                          the control with the keyboard focus: id and selection
//   child HWND ID                       the window handle of child ID
//   sendchild HWND ID MSG WPARAM LPARAM SendMessageTimeoutA to child ID (numbers only); {"result"}
//   find CLASS TITLE MS                 a top-level window, shown or not; {"hwnd": N} or {"hwnd": 0}
//   taskbar MS                          the shell's task bar once it is on show (it shows while the
//                                       notification area holds an icon) and the centre of its one icon
//   mouse X Y move|left|right|double    mouse input at a screen point (SendInput)
//   foreground                          the window in the foreground (GetForegroundWindow)
//   popupmenu MS                        the rectangle of an open popup menu; its items cannot be read
//                                       from another process under Wine
//   tips MS [TEXT]                      the visible tip windows of other processes (the shell's icon
//                                       tooltip and balloons, a window's tooltips) with their texts,
//                                       waiting for one whose text holds TEXT (one line of it)
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Args = std::vector<std::string>;

std::string Json(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);  // bytes of the code page, read as Latin-1
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string Num(unsigned long long v) { return std::to_string(v); }
const char* Bool(bool b) { return b ? "true" : "false"; }

HWND ToHwnd(const std::string& s) { return reinterpret_cast<HWND>(std::strtoull(s.c_str(), nullptr, 0)); }
unsigned long long HwndNum(HWND h) { return reinterpret_cast<unsigned long long>(h); }
long long ToInt(const std::string& s) { return std::strtoll(s.c_str(), nullptr, 0); }
const char* OrNull(const std::string& s) { return s == "-" ? nullptr : s.c_str(); }

double NowMs() {
  static LARGE_INTEGER freq = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(freq.QuadPart);
}

// The text of a window of any process; WM_GETTEXT is marshalled by the system, bounded by a time-out
// so that a hung window cannot hang the driver.
std::string TextOf(HWND h) {
  char buf[1024] = {};
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutA(h, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 2000,
                           &copied)) {
    return {};
  }
  return std::string(buf, std::min<std::size_t>(copied, sizeof buf - 1));
}

std::string ClassOf(HWND h) {
  char buf[256] = {};
  GetClassNameA(h, buf, sizeof buf);
  return buf;
}

bool IsCheckable(HWND h) {
  if (ClassOf(h) != "Button") return false;
  const LONG type = GetWindowLongA(h, GWL_STYLE) & BS_TYPEMASK;
  return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE ||
         type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

std::string ChildState(HWND child) {
  std::string out = "\"enabled\": " + std::string(Bool(IsWindowEnabled(child))) +
                    ", \"visible\": " + Bool(IsWindowVisible(child));
  if (IsCheckable(child)) {
    DWORD_PTR check = 0;
    SendMessageTimeoutA(child, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &check);
    out += ", \"checked\": " + std::string(Bool(check == BST_CHECKED));
  }
  return out;
}

std::string Rect(const RECT& r) {
  return "[" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " + std::to_string(r.right) + ", " +
         std::to_string(r.bottom) + "]";
}

// Waits for a condition on a 20 ms beat; true when it held before the time ran out.
template <typename F>
bool WaitFor(DWORD ms, F condition) {
  const double end = NowMs() + ms;
  for (;;) {
    if (condition()) return true;
    if (NowMs() >= end) return false;
    Sleep(20);
  }
}

struct OwnedSearch {
  bool anyOwner;
  HWND owner;
  const char* title;
  HWND found;
};

BOOL CALLBACK FindOwned(HWND h, LPARAM param) {
  auto* s = reinterpret_cast<OwnedSearch*>(param);
  if ((s->anyOwner || GetWindow(h, GW_OWNER) == s->owner) && IsWindowVisible(h) && TextOf(h) == s->title) {
    s->found = h;
    return FALSE;
  }
  return TRUE;
}

struct OwnedList {
  HWND owner;
  std::string json;
};

BOOL CALLBACK ListOwned(HWND h, LPARAM param) {
  auto* s = reinterpret_cast<OwnedList*>(param);
  if (GetWindow(h, GW_OWNER) != s->owner) return TRUE;
  if (s->json.size() > 1) s->json += ", ";
  s->json += "{\"hwnd\": " + Num(HwndNum(h)) + ", \"class\": " +
             Json(ClassOf(h)) + ", \"exStyle\": " + std::to_string(static_cast<DWORD>(GetWindowLongA(h, GWL_EXSTYLE))) +
             "}";
  return TRUE;
}

struct TooltipSearch {
  HWND owner;
  std::string list;
};

BOOL CALLBACK FindTooltips(HWND h, LPARAM param) {
  auto* s = reinterpret_cast<TooltipSearch*>(param);
  if (GetWindow(h, GW_OWNER) == s->owner && ClassOf(h) == TOOLTIPS_CLASSA) {
    DWORD_PTR count = 0;
    SendMessageTimeoutA(h, TTM_GETTOOLCOUNT, 0, 0, SMTO_ABORTIFHUNG, 2000, &count);
    if (s->list.size() > 1) s->list += ", ";
    s->list += "{\"hwnd\": " + Num(HwndNum(h)) + ", \"tools\": " + Num(count) + "}";
  }
  return TRUE;
}

BOOL CALLBACK ListChild(HWND h, LPARAM param) {
  auto* out = reinterpret_cast<std::string*>(param);
  if (out->size() > 1) *out += ", ";
  *out += "{\"id\": " + std::to_string(GetDlgCtrlID(h)) + ", \"class\": " + Json(ClassOf(h)) +
          ", \"text\": " + Json(TextOf(h)) + ", " + ChildState(h) + "}";
  return TRUE;
}

void PostKey(HWND target, WPARAM vk) {
  const UINT scan = MapVirtualKeyA(static_cast<UINT>(vk), MAPVK_VK_TO_VSC);
  PostMessageA(target, WM_KEYDOWN, vk, 1 | static_cast<LPARAM>(scan) << 16);
  PostMessageA(target, WM_KEYUP, vk, 1 | static_cast<LPARAM>(scan) << 16 | 3LL << 30);
}

// The control that has the keyboard focus in the window's thread, or the window itself.
HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) && info.hwndFocus) return info.hwndFocus;
  return window;
}

std::string Error(const std::string& what) { return "{\"error\": " + Json(what) + "}"; }

// Files the driver holds open without sharing, as another program may, until "release".
std::vector<HANDLE> held;

std::string Run(const Args& a) {
  const std::string& op = a[0];
  auto need = [&](std::size_t n) { return a.size() >= n + 1; };

  if (op == "wait" && need(3)) {
    HWND found = nullptr;
    const double start = NowMs();
    WaitFor(static_cast<DWORD>(ToInt(a[3])), [&] {
      found = FindWindowA(OrNull(a[1]), OrNull(a[2]));
      return found && IsWindowVisible(found);
    });
    if (found && !IsWindowVisible(found)) found = nullptr;
    return "{\"hwnd\": " + Num(HwndNum(found)) + ", \"ms\": " + std::to_string(NowMs() - start) + "}";
  }
  if (op == "gone" && need(2)) {
    HWND h = ToHwnd(a[1]);
    const bool gone = WaitFor(static_cast<DWORD>(ToInt(a[2])), [&] { return !IsWindow(h); });
    return "{\"gone\": " + std::string(Bool(gone)) + "}";
  }
  if (op == "owned" && need(3)) {
    OwnedSearch s{a[1] == "-", ToHwnd(a[1]), a[2].c_str(), nullptr};
    WaitFor(static_cast<DWORD>(ToInt(a[3])), [&] {
      EnumWindows(FindOwned, reinterpret_cast<LPARAM>(&s));
      return s.found != nullptr;
    });
    return "{\"hwnd\": " + Num(HwndNum(s.found)) + "}";
  }
  if (op == "tooltips" && need(1)) {
    TooltipSearch s{ToHwnd(a[1]), "["};
    EnumWindows(FindTooltips, reinterpret_cast<LPARAM>(&s));
    return "{\"tooltips\": " + s.list + "]}";
  }
  if (op == "controls" && need(1)) {
    std::string list = "[";
    EnumChildWindows(ToHwnd(a[1]), ListChild, reinterpret_cast<LPARAM>(&list));
    return "{\"controls\": " + list + "]}";
  }

  if (op == "find" && need(3)) {
    HWND found = nullptr;
    WaitFor(static_cast<DWORD>(ToInt(a[3])), [&] { return (found = FindWindowA(OrNull(a[1]), OrNull(a[2]))) != nullptr; });
    return "{\"hwnd\": " + Num(HwndNum(found)) + "}";
  }
  if (op == "taskbar" && need(1)) {
    HWND bar = nullptr;
    WaitFor(static_cast<DWORD>(ToInt(a[1])), [&] {
      bar = FindWindowA("Shell_TrayWnd", nullptr);
      return bar && IsWindowVisible(bar);
    });
    if (bar && !IsWindowVisible(bar)) bar = nullptr;
    RECT r{};
    if (bar) GetWindowRect(bar, &r);
    // The shell draws the notification area's icons from the bar's right end, a small icon and
    // a margin each: one icon's centre is 10 pixels in.
    return "{\"shown\": " + std::string(Bool(bar != nullptr)) + ", \"rect\": " + Rect(r) +
           ", \"icon\": [" + std::to_string(r.right - 10) + ", " + std::to_string((r.top + r.bottom) / 2) + "]}";
  }
  if (op == "mouse" && need(3)) {
    const int x = static_cast<int>(ToInt(a[1])), y = static_cast<int>(ToInt(a[2]));
    auto send = [](DWORD flags, LONG dx = 0, LONG dy = 0) {
      INPUT input{};
      input.type = INPUT_MOUSE;
      input.mi.dx = dx;
      input.mi.dy = dy;
      input.mi.dwFlags = flags;
      SendInput(1, &input, sizeof input);
      Sleep(30);
    };
    send(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1),
         y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1));
    const std::string& kind = a[3];
    const int clicks = kind == "double" ? 2 : (kind == "move" ? 0 : 1);
    for (int i = 0; i < clicks; ++i) {
      send(kind == "right" ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN);
      send(kind == "right" ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP);
    }
    return "{\"ok\": true}";
  }
  if (op == "foreground") return "{\"hwnd\": " + Num(HwndNum(GetForegroundWindow())) + "}";
  if (op == "popupmenu" && need(1)) {
    HWND menu = nullptr;
    WaitFor(static_cast<DWORD>(ToInt(a[1])), [&] {
      menu = FindWindowA("#32768", nullptr);
      return menu && IsWindowVisible(menu);
    });
    if (menu && !IsWindowVisible(menu)) menu = nullptr;
    RECT r{};
    if (menu) GetWindowRect(menu, &r);
    return "{\"open\": " + std::string(Bool(menu != nullptr)) + ", \"rect\": " + Rect(r) + "}";
  }
  if (op == "tips" && need(1)) {
    const std::string wanted = a.size() > 2 ? a[2] : "";
    std::string tips;
    WaitFor(static_cast<DWORD>(ToInt(a[1])), [&] {
      struct Search {
        std::string* tips;
        const std::string* wanted;
        bool found;
      } search{&tips, &wanted, false};
      tips.clear();
      EnumWindows([](HWND h, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        DWORD pid = 0;
        GetWindowThreadProcessId(h, &pid);
        if (pid == GetCurrentProcessId() || ClassOf(h) != "tooltips_class32" || !IsWindowVisible(h)) return TRUE;
        const std::string text = TextOf(h);
        RECT r{};
        GetWindowRect(h, &r);
        *s->tips += std::string(s->tips->empty() ? "" : ", ") + "{\"text\": " + Json(text) + ", \"rect\": " + Rect(r) + "}";
        s->found = s->found || (!s->wanted->empty() && text.find(*s->wanted) != std::string::npos);
        return TRUE;
      }, reinterpret_cast<LPARAM>(&search));
      return search.found;
    });
    return "{\"tips\": [" + tips + "]}";
  }

  if (op == "hold" && need(1)) {
    HANDLE file = CreateFileA(a[1].c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) held.push_back(file);
    return "{\"held\": " + std::string(Bool(file != INVALID_HANDLE_VALUE)) + "}";
  }
  if (op == "release") {
    for (HANDLE file : held) CloseHandle(file);
    held.clear();
    return "{\"released\": true}";
  }
  // The rest address a window that must exist.
  if (!need(1)) return Error("usage");
  HWND window = ToHwnd(a[1]);
  if (!IsWindow(window)) return Error("no such window");
  auto child = [&](const std::string& id) { return id == "0" ? window : GetDlgItem(window, static_cast<int>(ToInt(id))); };

  if (op == "text" && need(2)) {
    HWND c = child(a[2]);
    return c ? "{\"text\": " + Json(TextOf(c)) + "}" : Error("no such control");
  }
  if (op == "state" && need(2)) {
    HWND c = child(a[2]);
    if (!c) return Error("no such control");
    return "{" + ChildState(c) + ", \"style\": " + Num(static_cast<DWORD>(GetWindowLongA(c, GWL_STYLE))) +
           ", \"exStyle\": " + Num(static_cast<DWORD>(GetWindowLongA(c, GWL_EXSTYLE))) + "}";
  }
  if (op == "window") {
    RECT w{}, c{};
    GetWindowRect(window, &w);
    GetClientRect(window, &c);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    OwnedList owned{window, "["};
    EnumWindows(ListOwned, reinterpret_cast<LPARAM>(&owned));
    return "{\"enabled\": " + std::string(Bool(IsWindowEnabled(window))) + ", \"visible\": " +
           Bool(IsWindowVisible(window)) + ", \"iconic\": " + Bool(IsIconic(window)) + ", \"exStyle\": " +
           Num(static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE))) + ", \"rect\": " + Rect(w) +
           ", \"client\": " + Rect(c) + ", \"clientOrigin\": [" + std::to_string(origin.x) + ", " +
           std::to_string(origin.y) + "], \"owner\": " + Num(HwndNum(GetWindow(window, GW_OWNER))) +
           ", \"pid\": " + Num(pid) + ", \"title\": " + Json(TextOf(window)) + ", \"owned\": " + owned.json +
           "]}";
  }
  if (op == "click" && need(2)) {
    HWND c = child(a[2]);
    return c && PostMessageA(c, BM_CLICK, 0, 0) ? "{\"ok\": true}" : Error("cannot click");
  }
  if (op == "command" && need(2)) {
    const int id = static_cast<int>(ToInt(a[2]));
    const bool ok = PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                                 reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
    return ok ? "{\"ok\": true}" : Error("cannot post");
  }
  if (op == "key" && need(2)) {
    HWND target = FocusOf(window);
    PostKey(target, static_cast<WPARAM>(ToInt(a[2])));
    return "{\"ok\": true, \"target\": " + Num(HwndNum(target)) + "}";
  }
  if (op == "input" && need(2)) {
    SetForegroundWindow(window);
    Sleep(100);
    INPUT in[2] = {};
    for (INPUT& i : in) {
      i.type = INPUT_KEYBOARD;
      i.ki.wVk = static_cast<WORD>(ToInt(a[2]));
    }
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    const UINT sent = SendInput(2, in, sizeof(INPUT));
    return "{\"ok\": " + std::string(Bool(sent == 2)) + ", \"foreground\": " +
           Bool(GetForegroundWindow() == window) + "}";
  }
  if (op == "syscommand" && need(2)) {
    const LPARAM point = need(4) ? MAKELPARAM(static_cast<WORD>(ToInt(a[3])), static_cast<WORD>(ToInt(a[4]))) : 0;
    return PostMessageA(window, WM_SYSCOMMAND, static_cast<WPARAM>(ToInt(a[2])), point) ? "{\"ok\": true}"
                                                                                        : Error("cannot post");
  }
  if (op == "post" && need(4)) {
    const bool ok = PostMessageA(window, static_cast<UINT>(ToInt(a[2])), static_cast<WPARAM>(ToInt(a[3])),
                                 static_cast<LPARAM>(ToInt(a[4])));
    return ok ? "{\"ok\": true}" : Error("cannot post");
  }
  if (op == "send" && need(5)) {
    DWORD_PTR result = 0;
    const double start = NowMs();
    const LRESULT ok = SendMessageTimeoutA(window, static_cast<UINT>(ToInt(a[2])), static_cast<WPARAM>(ToInt(a[3])),
                                           static_cast<LPARAM>(ToInt(a[4])), SMTO_NORMAL,
                                           static_cast<UINT>(ToInt(a[5])), &result);
    return "{\"ok\": " + std::string(Bool(ok != 0)) + ", \"result\": " + Num(result) +
           ", \"ms\": " + std::to_string(NowMs() - start) + "}";
  }
  if (op == "sysmenu") {
    HMENU menu = GetSystemMenu(window, FALSE);  // not owned: the window's own menu
    if (!menu) return Error("no system menu");
    std::string items = "[";
    const int n = GetMenuItemCount(menu);
    for (int i = 0; i < n; ++i) {
      char text[256] = {};
      MENUITEMINFOA info{};
      info.cbSize = sizeof info;
      info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STRING | MIIM_STATE;
      info.dwTypeData = text;
      info.cch = sizeof text;
      if (!GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info)) continue;
      items += std::string(i ? ", " : "") + "{\"id\": " + Num(info.wID) + ", \"separator\": " +
               Bool(info.fType & MFT_SEPARATOR) + ", \"checked\": " + Bool(info.fState & MFS_CHECKED) +
               ", \"text\": " + Json(text) + "}";
    }
    return "{\"count\": " + std::to_string(n) + ", \"items\": " + items + "]}";
  }
  if (op == "listbox" && need(2)) {
    HWND c = child(a[2]);
    if (!c) return Error("no such control");
    DWORD_PTR count = 0;
    SendMessageTimeoutW(c, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 2000, &count);
    std::string items = "[";
    for (DWORD_PTR i = 0; i < count && static_cast<LRESULT>(count) > 0; ++i) {
      wchar_t text[512] = {};
      DWORD_PTR len = 0;
      SendMessageTimeoutW(c, LB_GETTEXTLEN, i, 0, SMTO_ABORTIFHUNG, 2000, &len);
      if (len >= 512) return Error("item too long");
      // The W variant: the system marshals the text back; the A variant is not marshalled across processes.
      SendMessageTimeoutW(c, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, &len);
      char narrow[1024] = {};
      WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
      items += std::string(i ? ", " : "") + Json(narrow);
    }
    return "{\"items\": " + items + "]}";
  }
  if (op == "ping" && need(4)) {
    const long long count = ToInt(a[2]);
    std::vector<double> times;
    int failed = 0;
    for (long long i = 0; i < count; ++i) {
      DWORD_PTR result = 0;
      const double start = NowMs();
      if (!SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, static_cast<UINT>(ToInt(a[4])), &result)) ++failed;
      times.push_back(NowMs() - start);
      Sleep(static_cast<DWORD>(ToInt(a[3])));
    }
    std::string list = "[";
    for (std::size_t i = 0; i < times.size(); ++i) list += (i ? ", " : "") + std::to_string(times[i]);
    const double worst = times.empty() ? 0 : *std::max_element(times.begin(), times.end());
    return "{\"failed\": " + std::to_string(failed) + ", \"max\": " + std::to_string(worst) + ", \"ms\": " + list +
           "]}";
  }
  if (op == "settext" && need(2)) {
    HWND c = child(a[2]);
    if (!c) return Error("no such control");
    const std::string value = need(3) ? a[3] : std::string();
    DWORD_PTR result = 0;
    // WM_SETTEXT's text is marshalled to the other process by the system.
    const bool ok = SendMessageTimeoutA(c, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value.c_str()), SMTO_ABORTIFHUNG,
                                        2000, &result) != 0;
    return ok ? "{\"ok\": true}" : Error("cannot set text");
  }
  if (op == "combo" && need(2)) {
    HWND c = child(a[2]);
    if (!c) return Error("no such control");
    DWORD_PTR count = 0, selected = 0;
    SendMessageTimeoutW(c, CB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 2000, &count);
    SendMessageTimeoutW(c, CB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, 2000, &selected);
    std::string items = "[";
    for (DWORD_PTR i = 0; i < count && static_cast<LRESULT>(count) > 0; ++i) {
      wchar_t text[512] = {};
      DWORD_PTR len = 0;
      SendMessageTimeoutW(c, CB_GETLBTEXTLEN, i, 0, SMTO_ABORTIFHUNG, 2000, &len);
      if (len >= 512) return Error("item too long");
      SendMessageTimeoutW(c, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, &len);
      char narrow[1024] = {};
      WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
      items += std::string(i ? ", " : "") + Json(narrow);
    }
    return "{\"items\": " + items + "], \"selected\": " + std::to_string(static_cast<long long>(
                                                                   static_cast<LRESULT>(selected))) + "}";
  }
  if (op == "child" && need(2)) {
    HWND c = child(a[2]);
    return c ? "{\"hwnd\": " + Num(HwndNum(c)) + "}" : Error("no such control");
  }
  if (op == "sendchild" && need(5)) {
    HWND c = child(a[2]);
    if (!c) return Error("no such control");
    DWORD_PTR result = 0;
    const bool ok = SendMessageTimeoutA(c, static_cast<UINT>(ToInt(a[3])), static_cast<WPARAM>(ToInt(a[4])),
                                        static_cast<LPARAM>(ToInt(a[5])), SMTO_ABORTIFHUNG, 2000, &result) != 0;
    return ok ? "{\"result\": " + std::to_string(static_cast<long long>(static_cast<LRESULT>(result))) + "}"
              : Error("no answer");
  }
  if (op == "focus") {
    HWND focus = FocusOf(window);
    DWORD_PTR sel = 0;
    if (focus != window) SendMessageTimeoutA(focus, EM_GETSEL, 0, 0, SMTO_ABORTIFHUNG, 2000, &sel);
    return "{\"id\": " + std::to_string(focus != window ? GetDlgCtrlID(focus) : 0) + ", \"selection\": [" +
           std::to_string(LOWORD(sel)) + ", " + std::to_string(HIWORD(sel)) + "]}";
  }
  if (op == "close" && need(2)) {
    PostMessageA(window, WM_CLOSE, 0, 0);
    const bool gone = WaitFor(static_cast<DWORD>(ToInt(a[2])), [&] { return !IsWindow(window); });
    return "{\"gone\": " + std::string(Bool(gone)) + "}";
  }
  return Error("unknown command or missing arguments: " + op);
}

Args Split(const std::string& line) {
  // Words separated by blanks; a word in double quotes may hold blanks.
  Args out;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
    if (i >= line.size()) break;
    std::string word;
    if (line[i] == '"') {
      const std::size_t end = line.find('"', i + 1);
      word = line.substr(i + 1, end == std::string::npos ? std::string::npos : end - i - 1);
      i = end == std::string::npos ? line.size() : end + 1;
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') word += line[i++];
    }
    out.push_back(word);
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) {
    const std::string out = Run(Args(argv + 1, argv + argc));
    std::printf("%s\n", out.c_str());
    return out.rfind("{\"error\"", 0) == 0 ? 1 : 0;
  }
  std::string line;
  while (std::getline(std::cin, line)) {
    const Args words = Split(line);
    if (words.empty()) continue;
    std::printf("%s\n", Run(words).c_str());
    std::fflush(stdout);
  }
  return 0;
}
