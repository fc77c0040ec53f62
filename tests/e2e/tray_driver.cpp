// Works the monitor's notification-area icon from outside for the end-to-end tests: finds the main
// window, the icon in the shell's notification area, the open popup menu and the balloon, and
// clicks with real mouse input. One command per run, one JSON line of result.
//
//   tray_driver main MS                  the main window: {"hwnd", "visible", "iconic"} (hwnd 0: none)
//   tray_driver state HWND               {"exists", "visible", "iconic"}
//   tray_driver syscommand HWND SC       posts WM_SYSCOMMAND
//   tray_driver icon MS                  the visible icon window of the notification area: its rectangle
//   tray_driver click X Y left|right|double   mouse input at the screen point
//   tray_driver menu MS                  the open popup menu: its items (id, text, separator, default,
//                                        owner-drawn) and their rectangles
//   tray_driver balloon MS               a visible balloon of the shell: its text and rectangle
//   tray_driver windows                  every top-level window (class, title, visible, pid)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string Json(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
      out += buffer;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string Narrow(const wchar_t* text) {
  char buffer[512] = {};
  ::WideCharToMultiByte(CP_UTF8, 0, text, -1, buffer, sizeof buffer - 1, nullptr, nullptr);
  return buffer;
}

std::string Rect(const RECT& r) {
  return "[" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " + std::to_string(r.right) + ", " +
         std::to_string(r.bottom) + "]";
}

const char* Bool(bool b) { return b ? "true" : "false"; }

std::string ClassOf(HWND w) {
  char name[64] = {};
  ::GetClassNameA(w, name, sizeof name);
  return name;
}

std::string TextOf(HWND w) {
  wchar_t text[512] = {};
  DWORD_PTR got = 0;
  ::SendMessageTimeoutW(w, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, &got);
  return Narrow(text);
}

template <typename Find>
HWND WaitFor(int ms, Find find) {
  const DWORD end = ::GetTickCount() + static_cast<DWORD>(ms);
  for (;;) {
    if (HWND found = find()) return found;
    if (static_cast<int>(end - ::GetTickCount()) <= 0) return nullptr;
    ::Sleep(20);
  }
}

std::vector<HWND> TopLevel() {
  std::vector<HWND> all;
  ::EnumWindows([](HWND w, LPARAM p) {
    reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
    return TRUE;
  }, reinterpret_cast<LPARAM>(&all));
  return all;
}

// The notification area's icon windows sit inside the task bar's window tree.
void Descendants(HWND parent, std::vector<HWND>& out) {
  ::EnumChildWindows(parent, [](HWND w, LPARAM p) {
    reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
    return TRUE;
  }, reinterpret_cast<LPARAM>(&out));
}

HWND FindIcon() {
  std::vector<HWND> candidates;
  for (HWND top : TopLevel()) {
    const std::string cls = ClassOf(top);
    if (cls == "Shell_TrayWnd") Descendants(top, candidates);
    if (cls == "__wine_tray_icon") candidates.push_back(top);
  }
  for (HWND w : candidates) {
    if (ClassOf(w) == "__wine_tray_icon" && ::IsWindowVisible(w)) return w;
  }
  return nullptr;
}

void Mouse(DWORD flags) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  ::SendInput(1, &input, sizeof input);
  ::Sleep(30);
}

int Run(int argc, char** argv) {
  const std::string op = argc > 1 ? argv[1] : "";
  auto arg = [&](int i) { return i < argc ? std::strtoll(argv[i], nullptr, 0) : 0; };
  if (op == "main") {
    HWND w = WaitFor(static_cast<int>(arg(2)), [] { return ::FindWindowA("#32770", "TraldenView"); });
    std::printf("{\"hwnd\": %lld, \"visible\": %s, \"iconic\": %s}\n", static_cast<long long>(reinterpret_cast<INT_PTR>(w)),
                Bool(w && ::IsWindowVisible(w)), Bool(w && ::IsIconic(w)));
    return 0;
  }
  if (op == "state") {
    HWND w = reinterpret_cast<HWND>(static_cast<INT_PTR>(arg(2)));
    std::printf("{\"exists\": %s, \"visible\": %s, \"iconic\": %s}\n", Bool(::IsWindow(w)), Bool(::IsWindowVisible(w)),
                Bool(::IsIconic(w)));
    return 0;
  }
  if (op == "syscommand") {
    HWND w = reinterpret_cast<HWND>(static_cast<INT_PTR>(arg(2)));
    std::printf("{\"ok\": %s}\n", Bool(::PostMessageA(w, WM_SYSCOMMAND, static_cast<WPARAM>(arg(3)), 0)));
    return 0;
  }
  if (op == "icon") {
    HWND w = WaitFor(static_cast<int>(arg(2)), FindIcon);
    RECT r{};
    if (w) ::GetWindowRect(w, &r);
    std::printf("{\"found\": %s, \"rect\": %s}\n", Bool(w != nullptr), Rect(r).c_str());
    return 0;
  }
  if (op == "click") {
    ::SetCursorPos(static_cast<int>(arg(2)), static_cast<int>(arg(3)));
    ::Sleep(50);
    const std::string kind = argc > 4 ? argv[4] : "left";
    if (kind == "right") {
      Mouse(MOUSEEVENTF_RIGHTDOWN);
      Mouse(MOUSEEVENTF_RIGHTUP);
    } else {
      Mouse(MOUSEEVENTF_LEFTDOWN);
      Mouse(MOUSEEVENTF_LEFTUP);
      if (kind == "double") {
        Mouse(MOUSEEVENTF_LEFTDOWN);
        Mouse(MOUSEEVENTF_LEFTUP);
      }
    }
    std::printf("{\"ok\": true}\n");
    return 0;
  }
  if (op == "menu") {
    HWND w = WaitFor(static_cast<int>(arg(2)), [] {
      HWND m = ::FindWindowA("#32768", nullptr);
      return (m && ::IsWindowVisible(m)) ? m : nullptr;
    });
    if (w == nullptr) {
      std::printf("{\"open\": false}\n");
      return 0;
    }
    HMENU menu = reinterpret_cast<HMENU>(::SendMessageA(w, 0x01E1 /* MN_GETHMENU */, 0, 0));
    RECT windowRect{};
    ::GetWindowRect(w, &windowRect);
    std::string items;
    const int n = ::GetMenuItemCount(menu);
    for (int i = 0; i < n; ++i) {
      wchar_t text[256] = {};
      MENUITEMINFOW info{};
      info.cbSize = sizeof info;
      info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STATE | MIIM_STRING;
      info.dwTypeData = text;
      info.cch = 256;
      if (!::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info)) continue;
      RECT r{};
      ::GetMenuItemRect(nullptr, menu, static_cast<UINT>(i), &r);
      items += std::string(items.empty() ? "" : ", ") + "{\"id\": " + std::to_string(info.wID) +
               ", \"text\": " + Json(Narrow(text)) + ", \"separator\": " + Bool(info.fType & MFT_SEPARATOR) +
               ", \"ownerdraw\": " + Bool(info.fType & MFT_OWNERDRAW) + ", \"default\": " +
               Bool(info.fState & MFS_DEFAULT) + ", \"rect\": " + Rect(r) + "}";
    }
    std::printf("{\"open\": true, \"rect\": %s, \"count\": %d, \"items\": [%s]}\n", Rect(windowRect).c_str(), n,
                items.c_str());
    return 0;
  }
  if (op == "balloon") {
    const DWORD self = ::GetCurrentProcessId();
    HWND w = WaitFor(static_cast<int>(arg(2)), [self] {
      for (HWND top : TopLevel()) {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(top, &pid);
        if (pid != self && ClassOf(top) == "tooltips_class32" && ::IsWindowVisible(top) && !TextOf(top).empty()) {
          return top;
        }
      }
      return static_cast<HWND>(nullptr);
    });
    RECT r{};
    if (w) ::GetWindowRect(w, &r);
    std::printf("{\"shown\": %s, \"text\": %s, \"rect\": %s}\n", Bool(w != nullptr), Json(w ? TextOf(w) : "").c_str(),
                Rect(r).c_str());
    return 0;
  }
  if (op == "windows") {
    std::string out;
    for (HWND top : TopLevel()) {
      DWORD pid = 0;
      ::GetWindowThreadProcessId(top, &pid);
      RECT r{};
      ::GetWindowRect(top, &r);
      out += std::string(out.empty() ? "" : ", ") + "{\"class\": " + Json(ClassOf(top)) + ", \"title\": " +
             Json(TextOf(top)) + ", \"visible\": " + Bool(::IsWindowVisible(top)) + ", \"pid\": " +
             std::to_string(pid) + ", \"rect\": " + Rect(r) + "}";
      std::vector<HWND> children;
      Descendants(top, children);
      for (HWND c : children) {
        if (ClassOf(top) != "Shell_TrayWnd") break;
        ::GetWindowRect(c, &r);
        out += ", {\"child\": " + Json(ClassOf(c)) + ", \"visible\": " + Bool(::IsWindowVisible(c)) + ", \"rect\": " +
               Rect(r) + "}";
      }
    }
    std::printf("[%s]\n", out.c_str());
    return 0;
  }
  std::printf("{\"error\": \"unknown command\"}\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const int rc = Run(argc, argv);
  std::fflush(stdout);
  return rc;
}
