// The statistics window's Windows layer under Wine: the day-file listing, picker dates, the
// checklist in a real list box, and the day-view flag stored as the window ends.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "history/win32/ansi_text_win32.h"
#include "monitor/settings/win32/settings_store_win32.h"
#include "monitor/framework/application.h"
#include "monitor/resources/resource.h"
#include "monitor/statistics/win32/connection_checklist_win32.h"
#include "history/win32/day_file_source_win32.h"
#include "history/win32/local_date_win32.h"
#include "monitor/statistics/win32/statistic_dialog_win32.h"
#include "monitor_test_support.h"
#include "shared/names.h"
#include "monitor/ui/win32/gdi_win32.h"
#include "shared/win32/unique_handle.h"
#include "support/scratch_dir_win32.h"

namespace tral::win32 {
namespace {

constexpr int kListId = 1049;

TEST(StatisticsWin32, TheListingNamesRealDayFilesOnly) {
  test::ScratchDir dir("tm-list");
  const tral::test::Bytes day = tral::test::DayFileBytes({{"K1", {{"10.0.0.5", "", "", 2048, 0}}}}, 1);
  for (const char* name : {"20090313.bin", "20090314.BIN", "20090313.tmp", "20090230.bin", "notes.binary",
                           "2009031.bin", "16010101.bin"}) {
    test::WriteFileBytes(dir.File(name), day);
  }
  // A folder of a day file's name is listed, and named as unreadable rather than taken for a day
  // without traffic.
  ASSERT_TRUE(::CreateDirectoryA(dir.File("20090315.bin").c_str(), nullptr));
  Win32DayFileSource source(dir.Path());
  std::vector<CivilDate> dates;
  ASSERT_TRUE(source.ListDayFiles(dates));
  std::sort(dates.begin(), dates.end());
  EXPECT_EQ(dates, (std::vector<CivilDate>{{1601, 1, 1}, {2009, 3, 13}, {2009, 3, 14}, {2009, 3, 15}}));

  // The whole range of the pickers counts the three files once each.
  CStatisticData data(source, EqualIgnoringCaseAnsi);
  data.CountSpan(CivilDate{1601, 1, 1}, CivilDate{9999, 12, 31});
  ASSERT_EQ(data.RowCount(), 1u);
  EXPECT_EQ(data.Row(0).downloadedKb, 6u);
  EXPECT_EQ(data.UptimeMs(), 3u);
  EXPECT_EQ(data.UnreadableDays(), (std::vector<CivilDate>{{2009, 3, 15}}));
  ::RemoveDirectoryA(dir.File("20090315.bin").c_str());

  // No day files, or no folder at all: an empty listing, not a walk over every date.
  test::ScratchDir empty("tm-list-empty");
  for (const std::string& folder : {empty.Path(), empty.Path() + "missing\\"}) {
    Win32DayFileSource none(folder);
    dates.push_back(CivilDate{});
    EXPECT_TRUE(none.ListDayFiles(dates)) << folder;
    EXPECT_TRUE(dates.empty()) << folder;
  }
}

TEST(StatisticsWin32, PickerTimesAndCalendarDatesConvertBothWays) {
  const struct {
    CivilDate date;
    WORD dayOfWeek;  // 0 = Sunday
  } cases[] = {
      {{2009, 3, 13}, 5},  // a Friday
      {{1970, 1, 1}, 4},
      {{1601, 1, 1}, 1},
      {{2000, 2, 29}, 2},
      {{9999, 12, 31}, 5},
  };
  for (const auto& c : cases) {
    const SYSTEMTIME time = SystemTimeFromCivil(c.date);
    EXPECT_EQ(time.wYear, c.date.year);
    EXPECT_EQ(time.wMonth, c.date.month);
    EXPECT_EQ(time.wDay, c.date.day);
    EXPECT_EQ(time.wDayOfWeek, c.dayOfWeek) << DayFileName(c.date);
    EXPECT_EQ(time.wHour + time.wMinute + time.wSecond + time.wMilliseconds, 0);
    EXPECT_EQ(CivilFromSystemTime(time), c.date);
  }
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  const CivilDate today = TodayLocalDate();
  EXPECT_EQ(today.year, now.wYear);
  EXPECT_EQ(today.month, now.wMonth);
}

// A plain parent window that counts the totals messages of its list.
struct Parent {
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kStatisticTotalsMessage) {
      ++totals;
      return 0;
    }
    if (message == WM_DRAWITEM) {  // handed to the list as the dialogs do
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      ui::SubclassedControl* control = ui::SubclassedControl::FromHandle(item->hwndItem);
      if (control != nullptr && control->OnDrawItem(*item)) return TRUE;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
  }
  static inline int totals = 0;
};

class ChecklistTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = Parent::Proc;
    windowClass.hInstance = ::GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "TmChecklistParent";
    ::RegisterClassA(&windowClass);
    parent_.Reset(::CreateWindowExA(0, "TmChecklistParent", "", WS_OVERLAPPEDWINDOW, 0, 0, 500, 300, nullptr,
                                    nullptr, windowClass.hInstance, nullptr));
    if (!parent_) GTEST_SKIP() << "no window could be created (no display driver)";
    list_ = ::CreateWindowExA(0, "ListBox", "",
                              WS_CHILD | WS_VISIBLE | LBS_OWNERDRAWFIXED | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT |
                                  WS_VSCROLL | WS_BORDER,
                              0, 0, 480, 200, parent_.Get(), reinterpret_cast<HMENU>(kListId),
                              windowClass.hInstance, nullptr);
    ASSERT_NE(list_, nullptr);
    ASSERT_TRUE(checklist_.Subclass(parent_.Get(), kListId));
    Parent::totals = 0;
  }

  // Three rows: 100/1, 20/2 and 3/4 KB.
  void ThreeRows() {
    CStatisticData& data = checklist_.Data();
    data.AddRecord("A", "10.0.0.1", "", "", 100, 1);
    data.AddRecord("B", "10.0.0.2", "", "", 20, 2);
    data.AddRecord("C", "10.0.0.3", "", "", 3, 4);
    checklist_.SetItemCount(3);
  }
  int Count() const { return static_cast<int>(::SendMessageA(list_, LB_GETCOUNT, 0, 0)); }
  int Selected() const { return static_cast<int>(::SendMessageA(list_, LB_GETCURSEL, 0, 0)); }
  void Select(int index) { ::SendMessageA(list_, LB_SETCURSEL, static_cast<WPARAM>(index), 0); }

  tral::test::MemoryDayFiles files_;
  UniqueWindow parent_;
  HWND list_ = nullptr;
  CCSeznamIPList checklist_{files_, EqualIgnoringCaseAnsi};
};

TEST_F(ChecklistTest, ItemCountsAddEmptyOrKeep) {
  const struct {
    const char* what;
    int select;  // before the change; -1 none
    int count;
    int wantCount;
    int wantSelected;
  } steps[] = {
      {"first fill selects the first row", -1, 4, 4, 0},
      {"the same count keeps the selection", 2, 4, 4, 2},
      {"more rows add and select the first", 3, 6, 6, 0},
      {"fewer rows refill and select the first", 5, 2, 2, 0},
      {"no rows empty the list", 1, 0, 0, LB_ERR},
  };
  for (const auto& s : steps) {
    if (s.select >= 0) Select(s.select);
    checklist_.SetItemCount(s.count);
    EXPECT_EQ(Count(), s.wantCount) << s.what;
    EXPECT_EQ(Selected(), s.wantSelected) << s.what;
  }
}

TEST_F(ChecklistTest, TogglingFlipsOneRowChangesTheSumsAndTellsTheParent) {
  ThreeRows();
  const CStatisticData& data = checklist_.Data();
  const struct {
    const char* what;
    int index;
    std::uint64_t down;  // the checked sums afterwards
    std::uint64_t up;
    int messages;  // totals messages so far
  } steps[] = {
      {"the first row off", 0, 23, 6, 1},
      {"the third row off", 2, 20, 2, 2},
      {"nothing selected (LB_ERR)", LB_ERR, 20, 2, 2},
      {"past the last row", 3, 20, 2, 2},
      {"far past", 1000, 20, 2, 2},
      {"the first row on again", 0, 120, 3, 3},
  };
  for (const auto& s : steps) {
    checklist_.ToggleCheck(s.index);
    const StatisticSums sums = data.SumChecked();
    EXPECT_EQ(sums.downloadedKb, s.down) << s.what;
    EXPECT_EQ(sums.uploadedKb, s.up) << s.what;
    EXPECT_EQ(Parent::totals, s.messages) << s.what;
  }
}

TEST_F(ChecklistTest, ClicksLeftOfTheCheckBoxEdgeAndSpacesToggleTheSelectedRow) {
  ThreeRows();
  ::ShowWindow(parent_.Get(), SW_SHOWNOACTIVATE);
  ::UpdateWindow(list_);  // the first drawing sets the check box edge from the row height
  const int edge = checklist_.CheckBoxEdge();
  const int height = static_cast<int>(::SendMessageA(list_, LB_GETITEMHEIGHT, 0, 0));
  EXPECT_EQ(edge, height - 2);
  const struct {
    const char* what;
    UINT message;
    WPARAM wParam;
    int x;
    bool toggles;
  } inputs[] = {
      {"click on the check box", WM_LBUTTONUP, 0, 2, true},
      {"click just left of the edge", WM_LBUTTONUP, 0, edge - 1, true},
      {"click on the edge", WM_LBUTTONUP, 0, edge, false},
      {"click on the IP address", WM_LBUTTONUP, 0, 60, false},
      {"space", WM_CHAR, ' ', 0, true},
      {"another key", WM_CHAR, 'x', 0, false},
  };
  for (const auto& in : inputs) {
    Select(1);
    const bool before = checklist_.Data().IsChecked(1);
    ::SendMessageA(list_, in.message, in.wParam, MAKELPARAM(in.x, 1));
    EXPECT_EQ(checklist_.Data().IsChecked(1) != before, in.toggles) << in.what;
    EXPECT_TRUE(checklist_.Data().IsChecked(0)) << in.what << ": other rows stay";
  }

  // An empty list has no selected row: clicks and spaces change nothing.
  checklist_.Data().Clear();
  checklist_.SetItemCount(0);
  Parent::totals = 0;
  ::SendMessageA(list_, WM_LBUTTONUP, 0, MAKELPARAM(2, 100));
  ::SendMessageA(list_, WM_CHAR, ' ', 0);
  EXPECT_EQ(Parent::totals, 0);
}

// The window stores its day-view flag while it ends, before whoever ended it goes on: a program
// ended by "uninstallme" deletes the INI file right after, and nothing may write it again.
TEST(StatisticsWin32, TheDayViewFlagIsStoredAsTheWindowEndsAndNotAfter) {
  ASSERT_TRUE(ui::InitCommonControlClasses());
  test::ScratchDir dir("tm-stat-ini");
  const std::string ini = dir.File("TraldenView.ini");
  static CStatisticDlg* running = nullptr;
  static std::string seenAtEnd;
  static std::string iniPath;
  iniPath = ini;
  const struct {
    bool dayView;
    const char* stored;
  } cases[] = {{true, "YES"}, {false, "NO"}};
  for (const auto& c : cases) {
    seenAtEnd.clear();
    CStatisticDlg dialog(dir.Path(), ini);
    dialog.SetDayView(c.dayView);
    running = &dialog;
    // Ends the window from inside its own loop, as the main window's close request does, then
    // deletes the INI file as the uninstaller does.
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
      ::KillTimer(nullptr, id);
      running->EndDialog(IDCANCEL);
      char value[8] = {};
      ::GetPrivateProfileStringA("OPTIONS", "daystatistic", "", value, sizeof value, iniPath.c_str());
      seenAtEnd = value;
      ::DeleteFileA(iniPath.c_str());
    });
    ASSERT_NE(timer, 0u);
    const INT_PTR result = dialog.DoModal(nullptr);
    if (result == -1) {
      ::KillTimer(nullptr, timer);
      GTEST_SKIP() << "no window could be created (no display driver)";
    }
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(seenAtEnd, c.stored);
    EXPECT_EQ(::GetFileAttributesA(ini.c_str()), INVALID_FILE_ATTRIBUTES) << "written again after the end";
    EXPECT_EQ(dialog.DayView(), c.dayView);
  }
}

}  // namespace
}  // namespace tral::win32

namespace tral::win32 {
namespace {

bool IsDoubleByteCodePage() {
  for (int b = 0x80; b <= 0xFF; ++b) {
    if (::IsDBCSLeadByte(static_cast<BYTE>(b))) return true;
  }
  return false;
}

// One checklist row painted into a bitmap of its own; the pixels compare whole renderings.
class RowCanvas {
 public:
  static constexpr int kWidth = 324;  // the SSID column gets 70 pixels (from x = 254)
  static constexpr int kHeight = 16;

  // A font of the double-byte code page, as the dialog font is on such a system (here: no font of
  // the dialog's face name exists for it, so the character set is asked for directly).
  RowCanvas()
      : dc_(::CreateCompatibleDC(nullptr)),
        font_(::CreateFontA(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "MS Shell Dlg")) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = kWidth;
    info.bmiHeader.biHeight = -kHeight;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_.Reset(::CreateDIBSection(dc_.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    bits_ = static_cast<const std::uint32_t*>(bits);
  }
  bool Ok() const { return dc_ && font_ && bitmap_ && bits_ != nullptr; }
  static constexpr int kSsidWidth = kWidth - 254;

  int TextWidth(const std::string& text) {
    Selection font(dc_.Get(), font_.Get());
    SIZE size{};
    ::GetTextExtentPoint32A(dc_.Get(), text.data(), static_cast<int>(text.size()), &size);
    return size.cx;
  }

  // The row painted over whatever the canvas holds (`before`: the pixels to start from, all of one
  // colour; none keeps what the last drawing left).
  std::vector<std::uint32_t> Draw(const std::string& ssid, UINT state = 0, bool checked = true,
                                  std::optional<COLORREF> before = RGB(255, 255, 255)) {
    tral::test::MemoryDayFiles files;
    CCSeznamIPList list(files, EqualIgnoringCaseAnsi);
    list.Data().AddRecord("K", "10.0.0.1", "", ssid, 1, 1);
    list.Data().SetChecked(0, checked);
    Selection bitmap(dc_.Get(), bitmap_.Get());
    if (before) {
      UniqueGdiObject brush(::CreateSolidBrush(*before));
      const RECT all{0, 0, kWidth, kHeight};
      ::FillRect(dc_.Get(), &all, static_cast<HBRUSH>(brush.Get()));
    }
    ::SetBkColor(dc_.Get(), RGB(255, 255, 255));  // the list's background, as its device context has it
    Selection font(dc_.Get(), font_.Get());
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_LISTBOX;
    item.itemID = 0;
    item.itemAction = ODA_DRAWENTIRE;
    item.itemState = state;
    item.hDC = dc_.Get();
    item.rcItem = RECT{0, 0, kWidth, kHeight};
    list.DrawItem(item);
    ::GdiFlush();
    return std::vector<std::uint32_t>(bits_, bits_ + kWidth * kHeight);
  }

 private:
  UniqueMemoryDc dc_;
  UniqueGdiObject font_;
  UniqueGdiObject bitmap_;
  const std::uint32_t* bits_ = nullptr;
};

// Runs where the ANSI code page is double-byte: ctest runs it again under a Japanese locale.
TEST(StatisticsDbcs, TextsThatDoNotFitAreCutOnWholeCharactersWithAnEllipsis) {
  if (!IsDoubleByteCodePage()) GTEST_SKIP() << "code page " << ::GetACP() << " has no double-byte characters";
  RowCanvas canvas;
  ASSERT_TRUE(canvas.Ok());
  // The Greek capitals of code page 932 are double-byte (0x83 0x9F is alpha) and have glyphs in
  // the fonts at hand; 16 of them are 32 bytes, the longest SSID.
  std::vector<std::string> characters;
  std::string ssid;
  for (int i = 0; i < 16; ++i) {
    characters.push_back(std::string{'\x83', static_cast<char>(0x9F + i)});
    ssid += characters.back();
  }
  ASSERT_GT(canvas.TextWidth(ssid), RowCanvas::kSsidWidth) << "the text fits: nothing to cut";

  // Shown: the most whole characters that fit with the ellipsis, and the ellipsis.
  std::string fitting;
  std::string prefix;
  for (const std::string& character : characters) {
    prefix += character;
    if (canvas.TextWidth(prefix + "...") <= RowCanvas::kSsidWidth) fitting = prefix;
  }
  ASSERT_FALSE(fitting.empty());
  const std::vector<std::uint32_t> drawn = canvas.Draw(ssid);
  EXPECT_EQ(drawn, canvas.Draw(fitting + "...")) << "not cut after " << fitting.size() / 2 << " whole characters";
  // A cut through the last character kept would show otherwise: the comparison sees it.
  EXPECT_NE(drawn, canvas.Draw(fitting.substr(0, fitting.size() - 1) + "..."));
}

// Selection and focus changes repaint a row without erasing it first: whatever state it is drawn
// in, the row must come out the same as on a freshly erased background.
TEST(StatisticsWin32, RowsRepaintTheSameOverWhatWasThere) {
  RowCanvas canvas;
  ASSERT_TRUE(canvas.Ok());
  const COLORREF stale = RGB(0, 0, 255);  // say, the focus frame of a moment ago
  const struct {
    const char* what;
    UINT state;
    bool checked;
  } cases[] = {
      {"unchecked", 0, false},
      {"checked", 0, true},
      {"selected, unchecked", ODS_SELECTED, false},
      {"selected, checked", ODS_SELECTED, true},
      {"selected with the focus, unchecked", ODS_SELECTED | ODS_FOCUS, false},
      {"disabled", ODS_DISABLED, false},
  };
  for (const auto& c : cases) {
    const std::vector<std::uint32_t> clean = canvas.Draw("Home", c.state, c.checked);
    EXPECT_EQ(canvas.Draw("Home", c.state, c.checked, stale), clean) << c.what << ": over old pixels";
    EXPECT_EQ(canvas.Draw("Home", c.state, c.checked, std::nullopt), clean) << c.what << ": drawn twice";
  }
}

}  // namespace
}  // namespace tral::win32
