// The notification-area icon against a fake shell: structure sizes, a refused icon, the shell's
// restart, hiding and showing, balloons, clicks, the current icon, the drawn speed icons and the
// objects they leave behind, and the tray and strip menus.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "monitor/common/win32/tray_icon_win32.h"
#include "monitor/ui/win32/facet_menu_win32.h"

namespace tral::win32 {
namespace {

// What the fake shell was asked, and what it answers per message.
struct ShellCall {
  DWORD message;
  NOTIFYICONDATAA data;
};
std::vector<ShellCall> g_calls;
BOOL g_answer[3] = {TRUE, TRUE, TRUE};  // NIM_ADD, NIM_MODIFY, NIM_DELETE

BOOL WINAPI FakeShell(DWORD message, PNOTIFYICONDATAA data) {
  g_calls.push_back({message, *data});
  return message <= NIM_DELETE ? g_answer[message] : FALSE;
}

class TrayIconTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_calls.clear();
    Answer(TRUE, TRUE, TRUE);
    CTrayIcon::SetShellNotifyForTesting(FakeShell);
    owner_ = ::CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    if (owner_ == nullptr) GTEST_SKIP() << "no window can be created here (no display)";
  }
  void TearDown() override {
    CTrayIcon::SetShellNotifyForTesting(nullptr);
    if (owner_ != nullptr) ::DestroyWindow(owner_);
  }
  static void Answer(BOOL add, BOOL modify, BOOL remove) {
    g_answer[NIM_ADD] = add;
    g_answer[NIM_MODIFY] = modify;
    g_answer[NIM_DELETE] = remove;
  }
  BOOL CreateIn(CTrayIcon& icon, const char* tip = kTrayTip) {
    return icon.Create(::GetModuleHandleA(nullptr), owner_, WM_APP + 11, tip, ::LoadIconA(nullptr, IDI_APPLICATION),
                       kTrayIconId);
  }
  static std::vector<DWORD> Messages() {
    std::vector<DWORD> out;
    for (const ShellCall& c : g_calls) out.push_back(c.message);
    return out;
  }
  HWND owner_ = nullptr;
};

TEST_F(TrayIconTest, RecordAndWindowClassUseTheBuildsOwnStructureSizes) {
  CTrayIcon icon;
  ASSERT_TRUE(CreateIn(icon));
  ASSERT_EQ(g_calls.size(), 1u);
  EXPECT_EQ(g_calls[0].message, static_cast<DWORD>(NIM_ADD));
  EXPECT_EQ(g_calls[0].data.cbSize, offsetof(NOTIFYICONDATAA, guidItem));  // the layout with balloons
  if (sizeof(void*) == 8) {
    EXPECT_NE(g_calls[0].data.cbSize, 488u);  // the 32-bit size would be refused
  }
  EXPECT_EQ(g_calls[0].data.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
  EXPECT_STREQ(g_calls[0].data.szTip, "TraldenView ");
  // A wrong class size makes the registration fail, and then there is no message window.
  WNDCLASSEXA found{};
  found.cbSize = sizeof found;
  EXPECT_TRUE(::GetClassInfoExA(::GetModuleHandleA(nullptr), kTrayWindowClass, &found));
  EXPECT_NE(icon.MessageWindow(), nullptr);
  // A wrong version-record size makes the version query fail, and then there are no states.
  EXPECT_TRUE(icon.HasIconState());
}

TEST_F(TrayIconTest, RefusedIconStaysAbsentUntilAShowOrTheShellsStart) {
  Answer(FALSE, FALSE, TRUE);
  CTrayIcon icon;
  EXPECT_FALSE(CreateIn(icon));
  EXPECT_TRUE(icon.IsRemoved());
  EXPECT_TRUE(icon.IsHidden());
  EXPECT_TRUE(icon.Hide());  // nothing to hide, no call
  EXPECT_FALSE(icon.Show());  // tries to add it again, still refused
  EXPECT_EQ(Messages(), (std::vector<DWORD>{NIM_ADD, NIM_ADD}));

  // The shell starts: the icon is added, and hidden again since it was not on show.
  Answer(TRUE, TRUE, TRUE);
  g_calls.clear();
  ::SendMessageA(icon.MessageWindow(), CTrayIcon::TaskbarCreatedMessage(), 0, 0);
  EXPECT_FALSE(icon.IsRemoved());
  EXPECT_TRUE(icon.IsHidden());
  ASSERT_EQ(Messages(), (std::vector<DWORD>{NIM_ADD, NIM_MODIFY}));
  EXPECT_EQ(g_calls[1].data.uFlags, static_cast<UINT>(NIF_STATE));
  EXPECT_EQ(g_calls[1].data.dwState, static_cast<DWORD>(NIS_HIDDEN));
  EXPECT_TRUE(icon.Show());
  EXPECT_FALSE(icon.IsHidden());
}

TEST_F(TrayIconTest, ReAddingFollowsWhatTheShellAnswered) {
  const struct {
    const char* name;
    bool visibleBefore;
    UINT message;
    WPARAM wParam;
    BOOL add, modify;
    bool removed, hidden;
    std::vector<DWORD> calls;
  } cases[] = {
      {"shell restart, icon on show", true, CTrayIcon::TaskbarCreatedMessage(), 0, TRUE, TRUE, false, false, {NIM_ADD}},
      {"shell restart, icon hidden", false, CTrayIcon::TaskbarCreatedMessage(), 0, TRUE, TRUE, false, true,
       {NIM_ADD, NIM_MODIFY}},
      {"work area changed, icon still there", true, WM_SETTINGCHANGE, SPI_SETWORKAREA, FALSE, TRUE, false, false,
       {NIM_ADD, NIM_MODIFY}},
      {"shell refuses the icon", true, CTrayIcon::TaskbarCreatedMessage(), 0, FALSE, FALSE, true, true,
       {NIM_ADD, NIM_MODIFY}},
      {"other settings change", true, WM_SETTINGCHANGE, SPI_SETDESKWALLPAPER, TRUE, TRUE, false, false, {}},
  };
  for (const auto& c : cases) {
    Answer(TRUE, TRUE, TRUE);
    CTrayIcon icon;
    ASSERT_TRUE(CreateIn(icon));
    if (!c.visibleBefore) {
      ASSERT_TRUE(icon.Hide());
    }
    Answer(c.add, c.modify, TRUE);
    g_calls.clear();
    ::SendMessageA(icon.MessageWindow(), c.message, c.wParam, 0);
    EXPECT_EQ(icon.IsRemoved(), c.removed) << c.name;
    EXPECT_EQ(icon.IsHidden(), c.hidden) << c.name;
    EXPECT_EQ(Messages(), c.calls) << c.name;
    Answer(TRUE, TRUE, TRUE);
  }
}

TEST_F(TrayIconTest, TextsAreCutToTheirFieldsAndTheBalloonIsNotRepeated) {
  CTrayIcon icon;
  const std::string longTip(200, 't');
  ASSERT_TRUE(CreateIn(icon, longTip.c_str()));
  EXPECT_EQ(std::string(g_calls[0].data.szTip), std::string(127, 't'));
  g_calls.clear();
  const std::string text(300, 'x'), title(100, 'y');
  EXPECT_TRUE(icon.ShowBalloonTip(text.c_str(), title.c_str(), NIIF_INFO, 11));
  ASSERT_EQ(g_calls.size(), 1u);
  const NOTIFYICONDATAA& sent = g_calls[0].data;
  EXPECT_EQ(sent.uFlags, static_cast<UINT>(NIF_INFO));
  EXPECT_EQ(std::string(sent.szInfo), std::string(255, 'x'));
  EXPECT_EQ(std::string(sent.szInfoTitle), std::string(63, 'y'));
  EXPECT_EQ(sent.uTimeout, 11000u);
  EXPECT_EQ(sent.dwInfoFlags, static_cast<DWORD>(NIIF_INFO));
  EXPECT_EQ(icon.IconData().szInfo[0], '\0');
  EXPECT_TRUE(icon.ShowBalloonTip("short", nullptr, NIIF_INFO, 11));
  EXPECT_STREQ(g_calls[1].data.szInfoTitle, "");
}

TEST_F(TrayIconTest, TheCurrentIconIsForgottenWithItsObject) {
  {
    CTrayIcon first;
    EXPECT_EQ(CTrayIcon::Current(), &first);
    {
      CTrayIcon second;
      EXPECT_EQ(CTrayIcon::Current(), &second);
    }
    EXPECT_EQ(CTrayIcon::Current(), nullptr);  // the last one constructed is gone
  }
  EXPECT_EQ(CTrayIcon::Current(), nullptr);
  // A broadcast after the object is gone reaches nobody.
  ::SendMessageA(HWND_BROADCAST, CTrayIcon::TaskbarCreatedMessage(), 0, 0);
}

TEST_F(TrayIconTest, ClicksArmOneTimerAndTheBalloonShowsOnlyWhileTheWindowIsAway) {
  CMainTrayIcon icon;
  ASSERT_TRUE(CreateIn(icon));
  EXPECT_EQ(icon.HandleTrayMessage(99, WM_LBUTTONUP), 0);  // another icon's id
  EXPECT_EQ(icon.HandleTrayMessage(kTrayIconId, WM_LBUTTONUP), 1);
  EXPECT_TRUE(icon.ClickTimerArmed());
  EXPECT_EQ(icon.HandleTrayMessage(kTrayIconId, WM_LBUTTONUP), 1);  // within 500 ms: no second timer
  g_calls.clear();
  icon.OnClickTimer(owner_, "Downloaded:\t 1.00\nUploaded:\t 2.00");  // owner never shown
  EXPECT_FALSE(icon.ClickTimerArmed());
  ASSERT_EQ(g_calls.size(), 1u);
  EXPECT_STREQ(g_calls[0].data.szInfoTitle, "State");
  EXPECT_STREQ(g_calls[0].data.szInfo, "Downloaded:\t 1.00\nUploaded:\t 2.00");

  ::ShowWindow(owner_, SW_SHOWNOACTIVATE);
  g_calls.clear();
  icon.HandleTrayMessage(kTrayIconId, WM_LBUTTONUP);
  icon.OnClickTimer(owner_, "text");
  EXPECT_TRUE(g_calls.empty());  // a double click brought the window back first
}

TEST_F(TrayIconTest, ABalloonThatIsUpFollowsTheStateText) {
  CMainTrayIcon icon;
  ASSERT_TRUE(CreateIn(icon));
  g_calls.clear();
  icon.RefreshBalloon("a");  // no balloon up
  EXPECT_TRUE(g_calls.empty());
  icon.HandleTrayMessage(kTrayIconId, NIN_BALLOONSHOW);
  EXPECT_TRUE(icon.BalloonVisible());
  for (const char* text : {"a", "a", "b"}) icon.RefreshBalloon(text);
  ASSERT_EQ(g_calls.size(), 2u);  // "a" once, "b" once
  EXPECT_STREQ(g_calls[1].data.szInfo, "b");
  for (const LPARAM gone : {NIN_BALLOONHIDE, NIN_BALLOONTIMEOUT, NIN_BALLOONUSERCLICK}) {
    icon.HandleTrayMessage(kTrayIconId, NIN_BALLOONSHOW);
    icon.HandleTrayMessage(kTrayIconId, gone);
    EXPECT_FALSE(icon.BalloonVisible()) << gone;
  }
}

// An icon whose shell refuses it at a restart must not leave a hidden window behind.
TEST_F(TrayIconTest, ANewTipReachesTheShellOnceAndAnAlertBringsAHiddenIconForItsBalloon) {
  CMainTrayIcon icon;
  ASSERT_TRUE(CreateIn(icon));
  g_calls.clear();
  EXPECT_TRUE(icon.SetTip("TraldenView \nHome: 24%"));
  EXPECT_TRUE(icon.SetTip("TraldenView \nHome: 24%"));  // unchanged: no call
  ASSERT_EQ(Messages(), (std::vector<DWORD>{NIM_MODIFY}));
  EXPECT_EQ(g_calls[0].data.uFlags, static_cast<UINT>(NIF_TIP));
  EXPECT_STREQ(g_calls[0].data.szTip, "TraldenView \nHome: 24%");

  ::ShowWindow(owner_, SW_SHOWNOACTIVATE);
  ASSERT_TRUE(icon.Hide());
  g_calls.clear();
  EXPECT_TRUE(icon.ShowAlertBalloon(owner_, "Home: 80% of 50.00 GB used", false));
  ASSERT_EQ(Messages(), (std::vector<DWORD>{NIM_MODIFY, NIM_MODIFY}));  // shown, then the balloon
  EXPECT_EQ(g_calls[1].data.uFlags, static_cast<UINT>(NIF_INFO));
  EXPECT_STREQ(g_calls[1].data.szInfoTitle, "Data plan");
  EXPECT_EQ(g_calls[1].data.dwInfoFlags, static_cast<DWORD>(NIIF_INFO));
  EXPECT_FALSE(icon.IsHidden());
  icon.OnAlertIconTimer(owner_);  // the balloon's time is up and the window is still on show
  EXPECT_TRUE(icon.IsHidden());

  Answer(TRUE, FALSE, TRUE);  // a shell that takes no balloon: the icon does not stay for nothing
  EXPECT_FALSE(icon.ShowAlertBalloon(owner_, "Home: 100%", true));
  EXPECT_TRUE(icon.IsHidden());
}

// The objects the process holds: counted by the system (GetGuiResources), and where it does not
// count (it answers 0, as under Wine) the table slots the next new GDI object and icon get. Freed
// slots are given out again first, so every object left behind moves a slot up by one.
struct GuiObjects {
  DWORD gdi = 0;
  DWORD user = 0;
  unsigned gdiSlot = 0;
  unsigned userSlot = 0;
};

GuiObjects CountGuiObjects() {
  GuiObjects out;
  out.gdi = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
  out.user = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
  UniqueGdiObject brush(::CreateSolidBrush(RGB(1, 2, 3)));
  const BYTE andMask[4] = {0xFF, 0xFF, 0xFF, 0xFF};
  const BYTE xorMask[4] = {};
  UniqueIcon icon(::CreateIcon(nullptr, 1, 1, 1, 1, andMask, xorMask));
  out.gdiSlot = static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(brush.Get()) & 0xFFFF);
  out.userSlot = static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(icon.Get()) & 0xFFFF);
  return out;
}

TEST_F(TrayIconTest, TenThousandSpeedIconsLeaveNoGdiOrUserObjectBehind) {
  CMainTrayIcon icon;
  ASSERT_TRUE(CreateIn(icon));
  const GuiObjects before = CountGuiObjects();
  for (int i = 0; i < 10000; ++i) {
    // Every refresh moves a bar, through 17 x 17 pairs of heights: far more than the icons kept, so
    // icons are made and destroyed all along.
    icon.ShowSpeeds(SpeedPair{1u << (10 + i % 17), 1u << (10 + (i / 17) % 17)}, kTrayTip);
  }
  EXPECT_GT(icon.SpeedIconsMade(), 5000u);
  const HICON product = ::LoadIconA(nullptr, IDI_APPLICATION);
  icon.ShowProductIcon();
  EXPECT_EQ(icon.IconData().hIcon, product);
  const GuiObjects after = CountGuiObjects();
  EXPECT_EQ(after.gdi, before.gdi);
  EXPECT_EQ(after.user, before.user);
  if (before.gdi == 0 && before.user == 0) {
    // The system does not count: the slots tell. A few objects the system makes once on the way
    // (its caches) may stay; one left behind per icon would be thousands.
    EXPECT_LE(after.gdiSlot, before.gdiSlot + 32) << before.gdiSlot;
    EXPECT_LE(after.userSlot, before.userSlot + 32) << before.userSlot;
  }
}

HICON g_previousIcon = nullptr;
bool g_previousAliveAtEveryChange = true;
int g_iconChanges = 0;

BOOL WINAPI IconWatchingShell(DWORD message, PNOTIFYICONDATAA data) {
  if (message == NIM_MODIFY && (data->uFlags & NIF_ICON) != 0) {
    ICONINFO info{};
    ++g_iconChanges;
    g_previousAliveAtEveryChange =
        g_previousAliveAtEveryChange && g_previousIcon != nullptr && ::GetIconInfo(g_previousIcon, &info) != FALSE;
    if (info.hbmColor != nullptr) ::DeleteObject(info.hbmColor);
    if (info.hbmMask != nullptr) ::DeleteObject(info.hbmMask);
    g_previousIcon = data->hIcon;
  }
  return FakeShell(message, data);
}

TEST_F(TrayIconTest, SpeedIconsChangeAtTheSmallIconSizeOnlyWhenABarMovesAndAreReplacedInOrder) {
  CMainTrayIcon icon;
  ASSERT_TRUE(CreateIn(icon));
  CTrayIcon::SetShellNotifyForTesting(IconWatchingShell);
  g_previousIcon = icon.IconData().hIcon;
  const struct {
    bool pointer;  // the pointer moves over the icon instead of a refresh
    std::optional<SpeedPair> speeds;
    const char* tip;
    unsigned made;  // icons drawn after this row
    UINT change;  // what the shell was told in one change; 0: nothing
  } rows[] = {
      {false, SpeedPair{0, 0}, "a", 1, NIF_ICON | NIF_TIP},
      {false, SpeedPair{500, 1000}, "a", 1, 0},   // below 1 KB/s: the same empty bars, nothing drawn
      {false, std::nullopt, "a", 1, 0},           // no connection: empty bars too
      {false, SpeedPair{0, 0}, "b", 1, 0},        // new speeds in the tooltip wait for the pointer
      {false, SpeedPair{0, 0}, "c", 1, 0},
      {true, std::nullopt, "c", 1, NIF_TIP},      // which gets the newest at once
      {false, SpeedPair{0, 0}, "d", 1, NIF_TIP},  // and each new one while it is near
      {false, SpeedPair{1 << 20, 0}, "d", 2, NIF_ICON},
      {false, SpeedPair{(1 << 20) + 1000, 0}, "d", 2, 0},  // the same height
      {false, SpeedPair{1 << 20, 1 << 20}, "e", 3, NIF_ICON | NIF_TIP},
      {false, SpeedPair{0, 0}, "e", 3, NIF_ICON},  // empty bars again: the icon kept from before
  };
  for (const auto& row : rows) {
    g_calls.clear();
    if (row.pointer) {
      EXPECT_EQ(icon.HandleTrayMessage(kTrayIconId, WM_MOUSEMOVE), 1);
    } else {
      icon.ShowSpeeds(row.speeds, row.tip);
    }
    EXPECT_EQ(icon.SpeedIconsMade(), row.made) << row.tip;
    if (row.change == 0) {
      EXPECT_TRUE(g_calls.empty()) << row.tip;
      continue;
    }
    ASSERT_EQ(Messages(), std::vector<DWORD>{NIM_MODIFY}) << row.tip;
    EXPECT_EQ(g_calls[0].data.uFlags, row.change) << row.tip;
    EXPECT_STREQ(g_calls[0].data.szTip, row.tip);
  }
  // The shell got each new icon while the one it replaced still existed.
  EXPECT_EQ(g_iconChanges, 4);
  EXPECT_TRUE(g_previousAliveAtEveryChange);
  ICONINFO info{};
  ASSERT_TRUE(::GetIconInfo(icon.IconData().hIcon, &info));
  UniqueGdiObject color(info.hbmColor);
  UniqueGdiObject mask(info.hbmMask);
  BITMAP bitmap{};
  ASSERT_NE(::GetObjectA(info.hbmColor, sizeof bitmap, &bitmap), 0);
  EXPECT_EQ(bitmap.bmWidth, ::GetSystemMetrics(SM_CXSMICON));
  EXPECT_EQ(bitmap.bmHeight, ::GetSystemMetrics(SM_CYSMICON));
}

TEST_F(TrayIconTest, ALostIconBringsTheHiddenWindowBackMinimised) {
  CMainTrayIcon icon;
  ASSERT_TRUE(CreateIn(icon));
  ASSERT_FALSE(::IsWindowVisible(owner_));
  Answer(FALSE, FALSE, TRUE);
  ::SendMessageA(icon.MessageWindow(), CTrayIcon::TaskbarCreatedMessage(), 0, 0);
  EXPECT_TRUE(icon.IsRemoved());
  EXPECT_TRUE(::IsWindowVisible(owner_));
  EXPECT_TRUE(::IsIconic(owner_));
}

}  // namespace
}  // namespace tral::win32

namespace tral::win32 {
namespace {

struct MenuRow {
  UINT id;
  const wchar_t* text;  // null: separator
  bool image;
  bool checked;
};

// The first items of a popup, in order: id, text, image, check mark, owner-drawn, the first the default.
void ExpectItems(const FacetMenu& popup, const std::vector<MenuRow>& expected) {
  ASSERT_GE(::GetMenuItemCount(popup.Handle()), static_cast<int>(expected.size()));
  for (int i = 0; i < static_cast<int>(expected.size()); ++i) {
    const MenuRow& e = expected[static_cast<std::size_t>(i)];
    wchar_t text[64] = {};
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STATE | MIIM_STRING;
    info.dwTypeData = text;
    info.cch = 64;
    ASSERT_TRUE(::GetMenuItemInfoW(popup.Handle(), static_cast<UINT>(i), TRUE, &info)) << i;
    EXPECT_NE(info.fType & MFT_OWNERDRAW, 0u) << i;
    EXPECT_EQ((info.fType & MFT_SEPARATOR) != 0, e.text == nullptr) << i;
    EXPECT_EQ((info.fState & MFS_DEFAULT) != 0, i == 0) << i;
    EXPECT_EQ((info.fState & MFS_CHECKED) != 0, e.checked) << i;
    if (e.text == nullptr) continue;
    EXPECT_EQ(info.wID, e.id) << i;
    EXPECT_STREQ(text, e.text) << i;
    EXPECT_EQ(popup.Items()[static_cast<std::size_t>(i)]->imageIndex >= 0, e.image) << i;
  }
}

std::vector<MenuRow> TrayRows(bool speedIcon, bool speedStrip) {
  return {
      {32771, L"TraldenView ", false, false},
      {32775, L"&Data plans...", false, false},
      {32776, L"&Speed graph...", false, false},
      {32777, L"Speed &in icon", false, speedIcon},
      {32778, L"Speed s&trip", false, speedStrip},
      {0, nullptr, false, false},
      {32774, L"&Homepage...    ", true, false},
      {32773, L"&About TraldenView     ", true, false},
      {0, nullptr, false, false},
      {32772, L"&Exit", false, false},
  };
}

TEST(TrayMenu, ListsItsItemsInOrderWithTheirTextsImagesDefaultAndChecks) {
  for (const auto& [speedIcon, speedStrip] : {std::pair{false, false}, std::pair{true, false}, std::pair{false, true}}) {
    FacetMenu::ResetSharedImagesForTesting();
    FacetMenu menu;
    FacetMenu* popup = CMainTrayIcon::BuildMenu(menu, kTrayIconId, 0, TrayMenuChecks{speedIcon, speedStrip});
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(::GetMenuItemCount(popup->Handle()), 10);
    ExpectItems(*popup, TrayRows(speedIcon, speedStrip));
    // Four slots per image in the XP look the tray menu sets.
    EXPECT_EQ(::ImageList_GetImageCount(FacetMenu::SharedImages()), 8);
  }
}

TEST(TrayMenu, TheStripsMenuIsTheTrayMenuWithTheSumAndTheOpacities) {
  FacetMenu::ResetSharedImagesForTesting();
  FacetMenu menu;
  FacetMenu* popup = CMainTrayIcon::BuildMenu(menu, IDR_STRIPMENU, 0, TrayMenuChecks{false, true});
  ASSERT_NE(popup, nullptr);
  std::vector<MenuRow> rows = TrayRows(false, true);
  rows.push_back({0, nullptr, false, false});
  rows.push_back({ID_STRIP_SUM, L"S&um of all connections", false, false});
  ExpectItems(*popup, rows);  // the opacity's popup follows as the last item
  ASSERT_EQ(::GetMenuItemCount(popup->Handle()), static_cast<int>(rows.size()) + 1);
  FacetMenu* opacity = popup->GetSubMenu(static_cast<int>(rows.size()));
  ASSERT_NE(opacity, nullptr);
  const UINT ids[] = {ID_STRIP_OPACITY_100, ID_STRIP_OPACITY_80, ID_STRIP_OPACITY_60};
  for (int i = 0; i < 3; ++i) EXPECT_EQ(::GetMenuItemID(opacity->Handle(), i), ids[i]) << i;
}

}  // namespace
}  // namespace tral::win32
