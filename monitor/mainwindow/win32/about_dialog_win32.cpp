// The About box, opened from the program icon, the system menu and the tray menu.
#include "monitor/mainwindow/win32/about_dialog_win32.h"

#include "monitor/framework/application.h"
#include "monitor/mainwindow/win32/main_dialog_win32.h"
#include "monitor/resources/resource.h"
#include "monitor/ui/win32/hyperlink_win32.h"

namespace tral::win32 {

namespace {

constexpr COLORREF kLinkColor = RGB(0, 0, 250);

int OnHomepageLink(HWND control, UINT message, WPARAM, LPARAM, std::intptr_t) {
  if (message == WM_LBUTTONDOWN && ::GetDlgCtrlID(control) == IDC_ABOUT_HOMEPAGE) OpenHomepage();
  return 1;
}

}  // namespace

CAboutDlg::CAboutDlg() : ui::Dialog(IDD_ABOUT) {}

bool CAboutDlg::OnInitDialog() {
  ui::Dialog::OnInitDialog();
  HWND version = Item(IDC_ABOUT_VERSION);
  auto font = reinterpret_cast<HFONT>(::SendMessageA(version, WM_GETFONT, 0, 0));
  LOGFONTA description{};
  if (font != nullptr && ::GetObjectA(font, sizeof description, &description) == sizeof description) {
    description.lfWeight = FW_BOLD;
    boldFont_.Reset(::CreateFontIndirectA(&description));
    if (boldFont_) ::SendMessageA(version, WM_SETFONT, reinterpret_cast<WPARAM>(boldFont_.Get()), TRUE);
  }
  ::SetWindowTextA(Handle(), "About TraldenView");
  SetItemText(IDC_ABOUT_VERSION, kAboutVersionText);
  SetItemText(IDC_ABOUT_RIGHTS, kRightsNotice);
  SetItemText(IDC_ABOUT_HOMEPAGE, kHomepageUrl);
  SetItemText(IDC_ABOUT_DESCRIPTION, kAboutDescription);
  // A link that cannot be attached stays a plain text; the box opens all the same.
  (void)AttachHyperlink(Handle(), IDC_ABOUT_HOMEPAGE, OnHomepageLink, kLinkColor, nullptr, true,
                        ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)), 0);
  return true;
}

}  // namespace tral::win32
