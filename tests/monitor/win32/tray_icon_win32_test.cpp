// The notification-area icon against a fake shell: structure sizes, a refused icon, the shell's
// restart, hiding and showing, balloons, clicks and the current icon.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
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

TEST(TrayMenu, ListsItsItemsInOrderWithTheirTextsImagesAndDefault) {
  FacetMenu::ResetSharedImagesForTesting();
  FacetMenu menu;
  FacetMenu* popup = CMainTrayIcon::BuildMenu(menu, kTrayIconId, 0);
  ASSERT_NE(popup, nullptr);
  const struct {
    UINT id;
    const wchar_t* text;  // null: separator
    bool image;
  } expected[] = {
      {32771, L"TraldenView ", false},
      {32775, L"&Data plans...", false},
      {32776, L"&Speed graph...", false},
      {0, nullptr, false},
      {32774, L"&Homepage...    ", true},
      {32773, L"&About TraldenView     ", true},
      {0, nullptr, false},
      {32772, L"&Exit", false},
  };
  ASSERT_EQ(::GetMenuItemCount(popup->Handle()), 8);
  for (int i = 0; i < 8; ++i) {
    const auto& e = expected[i];
    wchar_t text[64] = {};
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STATE | MIIM_STRING;
    info.dwTypeData = text;
    info.cch = 64;
    ASSERT_TRUE(::GetMenuItemInfoW(popup->Handle(), static_cast<UINT>(i), TRUE, &info)) << i;
    EXPECT_NE(info.fType & MFT_OWNERDRAW, 0u) << i;
    EXPECT_EQ((info.fType & MFT_SEPARATOR) != 0, e.text == nullptr) << i;
    EXPECT_EQ((info.fState & MFS_DEFAULT) != 0, i == 0) << i;
    if (e.text == nullptr) continue;
    EXPECT_EQ(info.wID, e.id) << i;
    EXPECT_STREQ(text, e.text) << i;
    EXPECT_EQ(popup->Items()[static_cast<std::size_t>(i)]->imageIndex >= 0, e.image) << i;
  }
  // Four slots per image in the XP look the tray menu sets.
  EXPECT_EQ(::ImageList_GetImageCount(FacetMenu::SharedImages()), 8);
}

}  // namespace
}  // namespace tral::win32
