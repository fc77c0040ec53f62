// The link label on a real static control: which messages reach the handler, repainting on a new
// text, the cursor, and everything undone and released when the control is destroyed.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "monitor/ui/win32/hyperlink_win32.h"

namespace tral::win32 {
namespace {

constexpr int kLinkId = 1043;
constexpr COLORREF kLinkColor = RGB(0, 0, 250);

struct Recorder {
  std::vector<UINT> messages;
  bool Saw(UINT message) const {
    return std::find(messages.begin(), messages.end(), message) != messages.end();
  }
};

int RecordingHandler(HWND, UINT message, WPARAM, LPARAM, std::intptr_t handlerData) {
  reinterpret_cast<Recorder*>(handlerData)->messages.push_back(message);
  return 1;
}

DWORD GdiObjects() { return ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS); }

// A popup standing in for the dialog, with one static label inside.
struct LinkWindows {
  explicit LinkWindows(DWORD labelStyle, HFONT font) {
    parent.Reset(::CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP, 0, 0, 300, 80, nullptr, nullptr,
                                   ::GetModuleHandleA(nullptr), nullptr));
    if (!parent) return;
    label = ::CreateWindowExA(0, "STATIC", "example.org", WS_CHILD | WS_VISIBLE | labelStyle, 10, 10, 200, 20,
                              parent.Get(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kLinkId)),
                              ::GetModuleHandleA(nullptr), nullptr);
    if (label && font) ::SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  bool Ok() const { return parent && label; }
  LONG_PTR Proc() const { return ::GetWindowLongPtrA(label, GWLP_WNDPROC); }
  HyperlinkState* State() const {
    return reinterpret_cast<HyperlinkState*>(::GetWindowLongPtrA(label, GWLP_USERDATA));
  }
  bool NeedsPaint() const { return ::GetUpdateRect(label, nullptr, FALSE) != FALSE; }

  UniqueWindow parent;
  HWND label = nullptr;
};

HFONT StockFont() { return static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT)); }

#define REQUIRE_WINDOWS(w)                                                    \
  if (!(w).Ok()) {                                                             \
    GTEST_SKIP() << "no window could be created (no display driver)";         \
  }

TEST(HyperlinkWin32, HandlerSeesMouseMessagesButNotWhatTheLinkHandles) {
  LinkWindows w(SS_LEFT, StockFont());
  REQUIRE_WINDOWS(w);
  Recorder recorder;
  ASSERT_TRUE(AttachHyperlink(w.parent.Get(), kLinkId, RecordingHandler, kLinkColor, nullptr, true, nullptr,
                              reinterpret_cast<std::intptr_t>(&recorder)));
  EXPECT_TRUE(::GetWindowLongPtrA(w.label, GWL_STYLE) & SS_NOTIFY);
  const HyperlinkState* first = w.State();
  EXPECT_FALSE(AttachHyperlink(w.parent.Get(), kLinkId, nullptr, kLinkColor, nullptr, true, nullptr, 0))
      << "a link already";
  EXPECT_EQ(w.State(), first);

  ::SendMessageA(w.label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  ::SendMessageA(w.label, WM_SETCURSOR, reinterpret_cast<WPARAM>(w.label), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  ::ShowWindow(w.parent.Get(), SW_SHOWNOACTIVATE);
  ::UpdateWindow(w.parent.Get());
  EXPECT_FALSE(w.NeedsPaint());

  // A new text is painted at once: the label is invalidated by the change itself.
  ::SendMessageA(w.label, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("a longer address.example.org"));
  EXPECT_TRUE(w.NeedsPaint());
  char text[64] = {};
  ::GetWindowTextA(w.label, text, sizeof text);
  EXPECT_STREQ(text, "a longer address.example.org");
  ::UpdateWindow(w.label);
  EXPECT_FALSE(w.NeedsPaint());  // the link's painting validated it

  EXPECT_TRUE(recorder.Saw(WM_LBUTTONDOWN));
  for (UINT handled : {WM_PAINT, WM_SETCURSOR, WM_SETTEXT}) EXPECT_FALSE(recorder.Saw(handled)) << handled;
  w.parent.Reset();
  EXPECT_FALSE(recorder.Saw(WM_DESTROY));
  EXPECT_FALSE(recorder.Saw(WM_NCDESTROY));
}

TEST(HyperlinkWin32, CursorIsSetOnlyWhenOneWasGiven) {
  HCURSOR hand = ::LoadCursorA(nullptr, IDC_HAND);
  HCURSOR arrow = ::LoadCursorA(nullptr, IDC_ARROW);
  ASSERT_NE(hand, nullptr);
  const struct {
    HCURSOR given;
    HCURSOR expected;
  } cases[] = {{hand, hand}, {nullptr, arrow}};
  for (const auto& c : cases) {
    LinkWindows w(SS_LEFT, StockFont());
    REQUIRE_WINDOWS(w);
    ASSERT_TRUE(AttachHyperlink(w.parent.Get(), kLinkId, nullptr, kLinkColor, nullptr, true, c.given, 0));
    ::SetCursor(arrow);
    EXPECT_EQ(::SendMessageA(w.label, WM_SETCURSOR, reinterpret_cast<WPARAM>(w.label),
                             MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
              0);
    EXPECT_EQ(::GetCursor(), c.expected);
  }
}

int TextWidth(HWND label, const char* text) {
  HDC dc = ::GetDC(label);
  const HGDIOBJ previous = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(label, WM_GETFONT, 0, 0)));
  SIZE size{};
  ::GetTextExtentPoint32A(dc, text, lstrlenA(text), &size);
  ::SelectObject(dc, previous);
  ::ReleaseDC(label, dc);
  return size.cx;
}

// Which columns of the label's last row are in the link colour, as drawn on screen.
std::vector<bool> UnderlineColumns(HWND label) {
  RECT client{};
  ::GetClientRect(label, &client);
  HDC dc = ::GetDC(label);
  std::vector<bool> columns;
  for (LONG x = 0; x < client.right; ++x) columns.push_back(::GetPixel(dc, x, client.bottom - 1) == kLinkColor);
  ::ReleaseDC(label, dc);
  return columns;
}

TEST(HyperlinkWin32, UnderlineFollowsEachNewTextWithoutTraces) {
  LinkWindows w(SS_LEFT, StockFont());
  REQUIRE_WINDOWS(w);
  ASSERT_TRUE(AttachHyperlink(w.parent.Get(), kLinkId, nullptr, kLinkColor, nullptr, true, nullptr, 0));
  ::SetWindowPos(w.parent.Get(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  ::UpdateWindow(w.parent.Get());
  // Long first, then short: the shorter text must not leave the longer one's underline behind.
  for (const char* text : {"a longer one.example.org", "ex.org", "example.org/x"}) {
    ::SendMessageA(w.label, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    ::UpdateWindow(w.label);
    const int width = TextWidth(w.label, text);
    const std::vector<bool> columns = UnderlineColumns(w.label);
    ASSERT_LT(width, static_cast<int>(columns.size())) << text;
    for (int x = 0; x < static_cast<int>(columns.size()); ++x) {
      EXPECT_EQ(columns[x], x < width) << text << " column " << x;
    }
  }
  // A repaint covers the whole label, as the static control's own painting does: whatever was on
  // screen there before (another window, say) does not show through.
  HDC dc = ::GetDC(w.label);
  RECT client{};
  ::GetClientRect(w.label, &client);
  UniqueGdiObject junk(::CreateSolidBrush(kLinkColor));
  ::FillRect(dc, &client, static_cast<HBRUSH>(junk.Get()));
  ::ReleaseDC(w.label, dc);
  ::InvalidateRect(w.label, nullptr, TRUE);
  ::UpdateWindow(w.label);
  const int width = TextWidth(w.label, "example.org/x");
  const std::vector<bool> columns = UnderlineColumns(w.label);
  for (int x = 0; x < static_cast<int>(columns.size()); ++x) EXPECT_EQ(columns[x], x < width) << "column " << x;
}

// Stands between the label and its class procedure, to see what the label's procedure is when the
// last message of its life arrives.
WNDPROC g_classProc = nullptr;
bool g_sawDestroy = false;
bool g_restoredAtEnd = false;

LRESULT CALLBACK WatchingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) g_sawDestroy = true;
  if (message == WM_NCDESTROY) {
    g_restoredAtEnd = ::GetWindowLongPtrA(window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&WatchingProc) &&
                      ::GetWindowLongPtrA(window, GWLP_USERDATA) == 0;
  }
  return ::CallWindowProcA(g_classProc, window, message, wParam, lParam);
}

TEST(HyperlinkWin32, DestroyingTheControlUndoesTheLinkAndReleasesItsObjects) {
  LOGFONTA description{};
  description.lfHeight = -12;
  lstrcpyA(description.lfFaceName, "Tahoma");
  UniqueGdiObject dialogFont(::CreateFontIndirectA(&description));
  ASSERT_TRUE(dialogFont);

  const struct {
    const LOGFONTA* font;
    const char* what;
  } cases[] = {{nullptr, "the control's font"}, {&description, "a font of its own"}};
  for (const auto& c : cases) {
    const DWORD gdiBefore = GdiObjects();
    LinkWindows w(SS_CENTER, static_cast<HFONT>(dialogFont.Get()));
    REQUIRE_WINDOWS(w);
    g_classProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(w.label, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WatchingProc)));
    g_sawDestroy = g_restoredAtEnd = false;

    ASSERT_TRUE(AttachHyperlink(w.parent.Get(), kLinkId, nullptr, kLinkColor, c.font, true, nullptr, 0)) << c.what;
    const HyperlinkState* state = w.State();
    ASSERT_NE(state, nullptr);
    const HGDIOBJ pen = state->underlinePen.Get();
    const HGDIOBJ ownFont = state->ownedFont.Get();
    EXPECT_EQ(ownFont != nullptr, c.font != nullptr) << c.what;
    EXPECT_EQ(state->font, c.font ? ownFont : dialogFont.Get()) << c.what;
    ::ShowWindow(w.parent.Get(), SW_SHOWNOACTIVATE);
    ::UpdateWindow(w.parent.Get());

    w.parent.Reset();
    EXPECT_TRUE(g_sawDestroy) << c.what << ": the previous procedure handles WM_DESTROY too";
    EXPECT_TRUE(g_restoredAtEnd) << c.what;
    EXPECT_EQ(::GetObjectType(pen), 0u) << c.what;
    if (ownFont) {
      EXPECT_EQ(::GetObjectType(ownFont), 0u) << c.what;
    }
    EXPECT_EQ(::GetObjectType(dialogFont.Get()), static_cast<DWORD>(OBJ_FONT)) << c.what << ": not ours to delete";
    EXPECT_EQ(GdiObjects(), gdiBefore) << c.what;
  }
}

TEST(HyperlinkWin32, AttachFailsWithoutControlOrFontAndLeavesTheControlAlone) {
  const struct {
    int id;
    HFONT controlFont;
    const char* what;
  } cases[] = {
      {kLinkId + 1, StockFont(), "no such control"},
      {kLinkId, nullptr, "no font given and none set on the control"},
  };
  for (const auto& c : cases) {
    LinkWindows w(SS_LEFT, c.controlFont);
    REQUIRE_WINDOWS(w);
    const LONG_PTR proc = w.Proc();
    const LONG_PTR style = ::GetWindowLongPtrA(w.label, GWL_STYLE);
    const DWORD gdiBefore = GdiObjects();
    EXPECT_FALSE(AttachHyperlink(w.parent.Get(), c.id, nullptr, kLinkColor, nullptr, true, nullptr, 0)) << c.what;
    EXPECT_EQ(w.Proc(), proc) << c.what;
    EXPECT_EQ(::GetWindowLongPtrA(w.label, GWL_STYLE), style) << c.what;
    EXPECT_EQ(w.State(), nullptr) << c.what;
    EXPECT_EQ(GdiObjects(), gdiBefore) << c.what;
  }
}

}  // namespace
}  // namespace tral::win32
