// Works the monitor's notification-area icon from outside for the end-to-end tests: finds the main
// window, the icon in the shell's notification area, the open popup menu and the balloon, and
// clicks with real mouse input. One command per run, one JSON line of result.
//
//   tray_driver main MS                  the main window: {"hwnd", "visible", "iconic"} (hwnd 0: none)
//   tray_driver state HWND               {"exists", "visible", "iconic"}
//   tray_driver syscommand HWND SC       posts WM_SYSCOMMAND
//   tray_driver icon MS                  the task bar once it shows an icon, and the icon's centre
//   tray_driver move X Y                 moves the mouse pointer to the screen point
//   tray_driver click X Y left|right|double   mouse input at the screen point
//   tray_driver menu MS                  the open popup menu's window rectangle (its items are not
//                                        readable from another process under Wine)
//   tray_driver balloon MS [TEXT]        the shell's visible tip windows with their texts, waiting up to
//                                        MS for one with TEXT
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

// The task bar's window while it is on show (it shows while the notification area has an icon).
HWND FindTaskBar() {
  HWND bar = ::FindWindowA("Shell_TrayWnd", nullptr);
  return (bar != nullptr && ::IsWindowVisible(bar)) ? bar : nullptr;
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
    // The shell draws its icons in the task bar from the right, one small icon and a margin each:
    // with one icon, its centre is 10 pixels in from the bar's right end.
    HWND bar = WaitFor(static_cast<int>(arg(2)), FindTaskBar);
    RECT r{};
    if (bar) ::GetWindowRect(bar, &r);
    std::printf("{\"found\": %s, \"bar\": %s, \"x\": %ld, \"y\": %ld}\n", Bool(bar != nullptr), Rect(r).c_str(),
                r.right - 10, (r.top + r.bottom) / 2);
    return 0;
  }
  if (op == "move") {
    // Mouse input, so that an open menu follows the pointer as it would a hand.
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = static_cast<LONG>(arg(2) * 65535 / (::GetSystemMetrics(SM_CXSCREEN) - 1));
    input.mi.dy = static_cast<LONG>(arg(3) * 65535 / (::GetSystemMetrics(SM_CYSCREEN) - 1));
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    std::printf("{\"ok\": %s}\n", Bool(::SendInput(1, &input, sizeof input) == 1));
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
    RECT windowRect{};
    ::GetWindowRect(w, &windowRect);
    std::printf("{\"open\": true, \"rect\": %s}\n", Rect(windowRect).c_str());
    return 0;
  }
  if (op == "balloon") {
    // Every visible tip window of the shell with its text (the icon's tooltip is one of them).
    const DWORD self = ::GetCurrentProcessId();
    const std::string wanted = argc > 3 ? argv[3] : "";
    std::string tips;
    WaitFor(static_cast<int>(arg(2)), [&] {
      tips.clear();
      bool found = false;
      for (HWND top : TopLevel()) {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(top, &pid);
        if (pid == self || ClassOf(top) != "tooltips_class32" || !::IsWindowVisible(top)) continue;
        const std::string text = TextOf(top);
        RECT r{};
        ::GetWindowRect(top, &r);
        tips += std::string(tips.empty() ? "" : ", ") + "{\"text\": " + Json(text) + ", \"rect\": " + Rect(r) + "}";
        found = found || (!wanted.empty() && text == wanted);
      }
      return found ? ::GetDesktopWindow() : nullptr;
    });
    std::printf("{\"tips\": [%s]}\n", tips.c_str());
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
