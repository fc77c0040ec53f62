// The settings store on the real private-profile functions, registry Run key and window calls.
#include <windows.h>

#include <gtest/gtest.h>

#include "monitor/settings/win32/autostart_win32.h"
#include "monitor/settings/win32/settings_store_win32.h"
#include "support/scratch_dir_win32.h"

namespace tral::win32 {
namespace {

std::string RawRead(const char* section, const char* key, const std::string& path) {
  char buffer[256] = {};
  ::GetPrivateProfileStringA(section, key, "<missing>", buffer, sizeof buffer, path.c_str());
  return buffer;
}

void RawWrite(const char* section, const char* key, const char* value, const std::string& path) {
  ASSERT_TRUE(::WritePrivateProfileStringA(section, key, value, path.c_str()));
}

TEST(IniStoreWin32, ValuesReadThroughThePrivateProfileFunctions) {
  test::ScratchDir dir("tm-ini");
  const std::string path = dir.File("TraldenView.ini");
  const struct {
    const char* stored;
    bool asBool;
    std::int32_t asInt;
    std::uint32_t asUInt;
  } cases[] = {
      {"yes", true, 0, 0},
      {"YES", true, 0, 0},
      {"1", false, 1, 1},
      {"-1", false, -1, 4294967295u},
      {"4294967295", false, -1, 4294967295u},
      {"  42 apples", false, 42, 42},
      {"0000000000000000012", false, 1, 1},  // 19 characters: the last is not seen
      {"", false, 0, 0},
  };
  for (const auto& c : cases) {
    RawWrite("OPTIONS", "value", c.stored, path);
    EXPECT_EQ(ReadIniBool("OPTIONS", "value", true, path), c.asBool) << c.stored;
    EXPECT_EQ(ReadIniInt("OPTIONS", "value", 7, path), c.asInt) << c.stored;
    EXPECT_EQ(ReadIniUInt("OPTIONS", "value", 7, path), c.asUInt) << c.stored;
  }
  // Missing keys and a missing file read as the default.
  EXPECT_EQ(ReadIniInt("OPTIONS", "absent", -3, path), -3);
  EXPECT_EQ(ReadIniUInt("OPTIONS", "absent", 4294967295u, dir.File("none.ini")), 4294967295u);
  EXPECT_TRUE(ReadIniBool("OPTIONS", "absent", true, path));
  EXPECT_FALSE(ReadIniBool("OPTIONS", "absent", false, path));
}

TEST(IniStoreWin32, WritersStoreDecimalTextAndYesNo) {
  test::ScratchDir dir("tm-ini");
  const std::string path = dir.File("w.ini");
  EXPECT_TRUE(WriteIniInt("OPTIONS", "a", -2147483647 - 1, path));
  EXPECT_TRUE(WriteIniUInt("OPTIONS", "b", 4294967295u, path));
  EXPECT_TRUE(WriteIniBool("OPTIONS", "c", true, path));
  EXPECT_TRUE(WriteIniBool("LAYOUT", "d", false, path));
  EXPECT_EQ(RawRead("OPTIONS", "a", path), "-2147483648");
  EXPECT_EQ(RawRead("OPTIONS", "b", path), "4294967295");
  EXPECT_EQ(RawRead("OPTIONS", "c", path), "YES");
  EXPECT_EQ(RawRead("LAYOUT", "d", path), "NO");
}

TEST(IniStoreWin32, LoadClampsRefreshAndTakesLaunchFromTheRunKey) {
  test::ScratchDir dir("tm-ini");
  PrivateProfileFile file(dir.File("load.ini"));
  const struct {
    const char* refresh;
    std::uint32_t loaded;
  } cases[] = {{"0", 1}, {"250", 99}, {"-5", 99}, {"12", 12}};
  for (const auto& c : cases) {
    RawWrite("OPTIONS", "refresh", c.refresh, file.Path());
    RawWrite("OPTIONS", "launch", "YES", file.Path());
    RawWrite("OPTIONS", "idletime", "-1", file.Path());
    MonitorSettings s;
    // This test program is not what any Run value names.
    tral::LoadSettings(s, file, [] { return IsAutostartRegistered(kAutostartValueName); });
    EXPECT_EQ(s.refresh, c.loaded) << c.refresh;
    EXPECT_EQ(s.launch, 0) << c.refresh;
    EXPECT_EQ(s.idletime, 4294967295u);
  }
}

TEST(IniStoreWin32, PathsFollowTheRunningExecutable) {
  const std::string module = GetModulePath();
  const std::size_t slash = module.rfind('\\');
  ASSERT_NE(slash, std::string::npos);
  const std::string exeName = module.substr(slash + 1);
  const std::string stem = exeName.substr(0, exeName.rfind('.'));
  // The test program is not called TraldenView, so its INI file carries its own name.
  const std::string monitorIni = GetIniPath(false);
  EXPECT_EQ(monitorIni.substr(monitorIni.rfind('\\') + 1), stem + ".ini");
  const std::optional<std::string> appData = GetAppDataFolder();
  if (appData) {
    EXPECT_EQ(monitorIni.rfind(*appData, 0), 0u) << monitorIni << " not in " << *appData;
  }
  EXPECT_EQ(GetIniPath(true), module.substr(0, slash + 1) + "TraldenMeter.ini");

  // A round trip through the real monitor INI file.
  ASSERT_TRUE(WriteIniUInt("OPTIONS", "probe", 31, monitorIni));
  EXPECT_EQ(ReadIniUInt("OPTIONS", "probe", 0, monitorIni), 31u);
  ::DeleteFileA(monitorIni.c_str());
}

// A Run value name of this test's own, so that nothing else in the prefix is touched.
std::string TestValueName() { return "TraldenViewTest" + std::to_string(::GetCurrentProcessId()); }

std::string RunValue(const std::string& name) {
  char data[300] = {};
  DWORD size = sizeof data - 1;
  if (::RegGetValueA(HKEY_CURRENT_USER, kRunKeyPath, name.c_str(), RRF_RT_REG_SZ, nullptr, data, &size) !=
      ERROR_SUCCESS) {
    return "<none>";
  }
  return data;
}

void SetRunValue(const std::string& name, const std::string& data) {
  ASSERT_EQ(::RegSetKeyValueA(HKEY_CURRENT_USER, kRunKeyPath, name.c_str(), REG_SZ, data.c_str(),
                              static_cast<DWORD>(data.size() + 1)),
            ERROR_SUCCESS);
}

void DeleteRunValue(const std::string& name) { ::RegDeleteKeyValueA(HKEY_CURRENT_USER, kRunKeyPath, name.c_str()); }

TEST(AutostartWin32, RunValueIsOursOnlyWhenItNamesOurPath) {
  const std::string name = TestValueName();
  const std::string exe = "C:\\Program Files\\Tralden\\TraldenView.exe";
  DeleteRunValue(name);

  EXPECT_FALSE(IsAutostartRegistered(name.c_str(), exe));
  EXPECT_EQ(SetAutostart(name.c_str(), false, exe), 0);  // nothing to delete

  EXPECT_EQ(SetAutostart(name.c_str(), true, exe), 1);
  EXPECT_EQ(RunValue(name), exe);
  EXPECT_TRUE(IsAutostartRegistered(name.c_str(), exe));
  EXPECT_EQ(SetAutostart(name.c_str(), true, exe), 0);  // already there

  SetRunValue(name, "c:\\PROGRAM FILES\\tralden\\traldenview.EXE");  // other letter case
  EXPECT_TRUE(IsAutostartRegistered(name.c_str(), exe));

  // A spelling that only a linguistic comparison takes for ours is another path.
  if (::GetACP() == 1252) {
    const std::string sharp = "C:\\Stra\xDF" "e\\TraldenView.exe";
    SetRunValue(name, "C:\\Strasse\\TraldenView.exe");
    EXPECT_FALSE(IsAutostartRegistered(name.c_str(), sharp));
    EXPECT_EQ(SetAutostart(name.c_str(), false, sharp), 0);
    EXPECT_EQ(RunValue(name), "C:\\Strasse\\TraldenView.exe");
  }

  const std::string other = "D:\\Elsewhere\\TraldenView.exe";
  SetRunValue(name, other);
  EXPECT_FALSE(IsAutostartRegistered(name.c_str(), exe));
  EXPECT_EQ(SetAutostart(name.c_str(), false, exe), 0);  // another program's value stays
  EXPECT_EQ(RunValue(name), other);
  EXPECT_EQ(SetAutostart(name.c_str(), true, exe), 1);  // enabling overwrites it
  EXPECT_EQ(RunValue(name), exe);

  EXPECT_EQ(SetAutostart(name.c_str(), false, exe), 1);
  EXPECT_EQ(RunValue(name), "<none>");
  DeleteRunValue(name);
}

TEST(AutostartWin32, LongOrUnterminatedValuesDoNotCount) {
  const std::string name = TestValueName();
  const std::string exe = "C:\\T\\TraldenView.exe";
  SetRunValue(name, exe + std::string(300, 'x'));  // longer than the 260-byte buffer
  EXPECT_FALSE(IsAutostartRegistered(name.c_str(), exe));
  // Stored without its NUL: still read as the same text.
  ASSERT_EQ(::RegSetKeyValueA(HKEY_CURRENT_USER, kRunKeyPath, name.c_str(), REG_BINARY, exe.data(),
                              static_cast<DWORD>(exe.size())),
            ERROR_SUCCESS);
  EXPECT_TRUE(IsAutostartRegistered(name.c_str(), exe));
  DeleteRunValue(name);
}

TEST(AutostartWin32, TheRunningExecutableRegistersItself) {
  const std::string name = TestValueName();
  DeleteRunValue(name);
  EXPECT_EQ(SetAutostart(name.c_str(), true), 1);
  EXPECT_EQ(RunValue(name), GetModulePath());
  EXPECT_TRUE(IsAutostartRegistered(name.c_str()));
  EXPECT_EQ(SetAutostart(name.c_str(), false), 1);
  EXPECT_FALSE(IsAutostartRegistered(name.c_str()));
  DeleteRunValue(name);
}

// A plain top-level window stands in for the main window.
struct TestWindow {
  HWND hwnd = ::CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "position test", WS_POPUP | WS_CAPTION, 10, 20, 300,
                                200, nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
  ~TestWindow() {
    if (hwnd) ::DestroyWindow(hwnd);
  }
  RECT Rect() const {
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    return r;
  }
};

TEST(WindowPositionWin32, SavedOnlyWhenShownAndRestoredAsAMove) {
  TestWindow window;
  if (window.hwnd == nullptr) GTEST_SKIP() << "no window could be created (no display driver)";
  test::ScratchDir dir("tm-layout");
  const std::string path = dir.File("layout.ini");

  SaveWindowPosition(window.hwnd, path);  // hidden: nothing written
  EXPECT_EQ(RawRead("LAYOUT", "main", path), "<missing>");
  ::ShowWindow(window.hwnd, SW_SHOWNOACTIVATE);
  SaveWindowPosition(window.hwnd, path);
  const RECT shown = window.Rect();
  EXPECT_EQ(RawRead("LAYOUT", "main", path),
            std::to_string(shown.left) + "," + std::to_string(shown.top) + "," +
                std::to_string(shown.right - shown.left) + "," + std::to_string(shown.bottom - shown.top));
  ::ShowWindow(window.hwnd, SW_MINIMIZE);
  RawWrite("LAYOUT", "main", "1,1,1,1", path);
  SaveWindowPosition(window.hwnd, path);  // minimised: nothing written
  EXPECT_EQ(RawRead("LAYOUT", "main", path), "1,1,1,1");
  ::ShowWindow(window.hwnd, SW_RESTORE);

  const struct {
    const char* stored;
    bool moves;
    LONG x;
    LONG y;
  } cases[] = {
      {"-50,30,10,10", true, -50, 30},  // moved, never resized
      {"40,60,0,100", false, 0, 0},
      {"40,60,100", false, 0, 0},
      {"70,80,500,400", true, 70, 80},
      {"-30000,80,500,400", false, 0, 0},  // no monitor there: the window stays where it is
      {"40,30000,500,400", false, 0, 0},
  };
  for (const auto& c : cases) {
    ::SetWindowPos(window.hwnd, nullptr, 5, 6, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    const RECT before = window.Rect();
    RawWrite("LAYOUT", "main", c.stored, path);
    RestoreWindowPosition(window.hwnd, path);
    const RECT after = window.Rect();
    EXPECT_EQ(after.left, c.moves ? c.x : before.left) << c.stored;
    EXPECT_EQ(after.top, c.moves ? c.y : before.top) << c.stored;
    EXPECT_EQ(after.right - after.left, before.right - before.left) << c.stored;
    EXPECT_EQ(after.bottom - after.top, before.bottom - before.top) << c.stored;
  }
}

}  // namespace
}  // namespace tral::win32
