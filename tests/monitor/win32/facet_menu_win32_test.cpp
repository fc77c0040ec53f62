// The owner-drawn menu: building from a template, item changes across submenus, accelerator
// columns, the shared images with their effect images, and measuring and painting both looks.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "monitor/ui/win32/facet_menu_images_win32.h"
#include "monitor/ui/win32/facet_menu_win32.h"
#include "monitor/ui/win32/gdi_win32.h"

namespace tral::win32 {
namespace {

constexpr std::uint16_t kEnd = 0x80, kPopup = 0x10, kGrayed = 0x01;

class Template {
 public:
  Template() { Word(0).Word(0); }
  Template& Word(std::uint16_t w) {
    bytes.push_back(static_cast<std::uint8_t>(w));
    bytes.push_back(static_cast<std::uint8_t>(w >> 8));
    return *this;
  }
  Template& Text(const char* s) {
    for (; *s; ++s) Word(static_cast<std::uint8_t>(*s));
    return Word(0);
  }
  Template& Item(std::uint16_t flags, std::uint16_t id, const char* text) { return Word(flags).Word(id).Text(text); }
  Template& Popup(std::uint16_t flags, const char* text) { return Word(flags | kPopup).Text(text); }
  std::vector<std::uint8_t> bytes;
};

UINT ItemType(HMENU menu, int position, ULONG_PTR* data = nullptr) {
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_FTYPE | MIIM_DATA;
  EXPECT_TRUE(::GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info));
  if (data != nullptr) *data = info.dwItemData;
  return info.fType;
}

class FacetMenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UniqueMenu probe(::CreatePopupMenu());
    if (!probe) GTEST_SKIP() << "no menus here";
    FacetMenu::ResetSharedImagesForTesting();
    FacetMenu::SetDrawStyle(DrawStyle::Xp);
  }
};

TEST_F(FacetMenuTest, PopupItemsAreOwnerDrawnAndTheTopLevelStaysPlain) {
  Template t;
  t.Popup(kEnd, "TRY").Item(0, 1, "&Show").Item(0, 0, "").Popup(0, "More").Item(kGrayed, 2, "a");
  t.Popup(kEnd, "Deep").Item(kEnd, 3, "b").Item(kEnd, 4, "&Exit");
  FacetMenu menu;
  ASSERT_TRUE(menu.LoadMenuTemplate(t.bytes.data(), t.bytes.size()));
  ASSERT_EQ(::GetMenuItemCount(menu.Handle()), 1);
  EXPECT_EQ(ItemType(menu.Handle(), 0) & MFT_OWNERDRAW, 0u);

  FacetMenu* tray = menu.GetSubMenu(0);
  ASSERT_NE(tray, nullptr);
  ASSERT_EQ(::GetMenuItemCount(tray->Handle()), 4);
  for (int i = 0; i < 4; ++i) {
    ULONG_PTR data = 0;
    const UINT type = ItemType(tray->Handle(), i, &data);
    EXPECT_NE(type & MFT_OWNERDRAW, 0u) << i;
    EXPECT_EQ(data, reinterpret_cast<ULONG_PTR>(tray->Items()[static_cast<std::size_t>(i)].get())) << i;
  }
  EXPECT_NE(ItemType(tray->Handle(), 1) & MFT_SEPARATOR, 0u);
  wchar_t text[32] = {};
  EXPECT_GT(::GetMenuStringW(tray->Handle(), 0, text, 32, MF_BYPOSITION), 0);  // readable by others too
  EXPECT_STREQ(text, L"&Show");
  FacetMenu* more = tray->GetSubMenu(2);
  ASSERT_NE(more, nullptr);
  // A popup item's id is the whole submenu handle.
  EXPECT_EQ(tray->Items()[2]->commandId, reinterpret_cast<UINT_PTR>(more->Handle()));
  EXPECT_EQ(::GetMenuState(more->Handle(), 0, MF_BYPOSITION) & MF_GRAYED, static_cast<UINT>(MF_GRAYED));
  FacetMenu* deep = more->GetSubMenu(1);
  ASSERT_NE(deep, nullptr);
  EXPECT_EQ(deep->Items()[0]->commandId, 3u);
  EXPECT_EQ(::GetMenuItemID(tray->Handle(), 3), 4u);  // back on the first popup's level

  // A damaged template says so and keeps what came before the damage.
  FacetMenu damaged;
  EXPECT_FALSE(damaged.LoadMenuTemplate(t.bytes.data(), t.bytes.size() - 3));
  ASSERT_NE(damaged.GetSubMenu(0), nullptr);
  EXPECT_EQ(::GetMenuItemCount(damaged.GetSubMenu(0)->Handle()), 3);
}

TEST_F(FacetMenuTest, ModifyItemReachesTheCommandInEverySubmenu) {
  Template t;
  t.Popup(kEnd, "P").Item(0, 7, "x").Popup(0, "Q").Item(kEnd, 7, "y").Item(kEnd, 8, "z");
  FacetMenu menu;
  ASSERT_TRUE(menu.LoadMenuTemplate(t.bytes.data(), t.bytes.size()));
  FacetMenu* p = menu.GetSubMenu(0);
  ASSERT_NE(p, nullptr);
  EXPECT_TRUE(p->ModifyItem("New", 7, -1));
  EXPECT_EQ(p->Items()[0]->text, L"New");
  EXPECT_EQ(p->GetSubMenu(1)->Items()[0]->text, L"New");
  EXPECT_EQ(p->Items()[2]->text, L"z");
  wchar_t text[32] = {};
  ::GetMenuStringW(p->GetSubMenu(1)->Handle(), 0, text, 32, MF_BYPOSITION);
  EXPECT_STREQ(text, L"New");
  EXPECT_NE(ItemType(p->GetSubMenu(1)->Handle(), 0) & MFT_OWNERDRAW, 0u);
  const FacetMenu::Found found = menu.FindItemMenu(8);
  EXPECT_EQ(found.menu, p);
  EXPECT_EQ(found.position, 2);
  EXPECT_FALSE(p->ModifyItem("None", 99, -1));  // in no level
}

int MeasuredWidth(const std::wstring& text) {
  WindowDc dc(::GetDesktopWindow());
  UniqueGdiObject font = CreateMenuFont();
  Selection selected(dc.Get(), font.Get());
  SIZE size{};
  ::GetTextExtentPoint32W(dc.Get(), text.c_str(), static_cast<int>(text.size()), &size);
  return size.cx;
}

TEST_F(FacetMenuTest, AcceleratorsStartInOneColumn) {
  Template t;
  t.Popup(kEnd, "P").Item(0, 1, "&Open\tCtrl+O").Item(0, 2, "E&xit the whole program\tAlt+F4").Item(kEnd, 3, "Plain");
  FacetMenu menu;
  ASSERT_TRUE(menu.LoadMenuTemplate(t.bytes.data(), t.bytes.size()));
  const auto& items = menu.GetSubMenu(0)->Items();
  const std::wstring& open = items[0]->text;
  const std::wstring& exit = items[1]->text;
  ASSERT_NE(open.find(L"\tCtrl+O"), std::wstring::npos);
  ASSERT_NE(exit.find(L"\tAlt+F4"), std::wstring::npos);
  EXPECT_EQ(items[2]->text, L"Plain");
  const int openWidth = MeasuredWidth(open.substr(0, open.find(L'\t')));
  const int exitWidth = MeasuredWidth(exit.substr(0, exit.find(L'\t')));
  const int blank = MeasuredWidth(L" ");
  ASSERT_GT(blank, 0);
  EXPECT_EQ(exit, L"E&xit the whole program \tAlt+F4");  // the widest label gets one blank
  EXPECT_GE(openWidth, exitWidth);
  EXPECT_LT(openWidth - exitWidth, blank);
}

TEST_F(FacetMenuTest, ImagesTakeFourSlotsInTheXpLookOneInTheClassicAndAreReplacedInPlace) {
  Template t;
  t.Popup(kEnd, "P").Item(0, 1, "one").Item(0, 2, "two").Item(kEnd, 3, "three");
  FacetMenu menu;
  ASSERT_TRUE(menu.LoadMenuTemplate(t.bytes.data(), t.bytes.size()));
  FacetMenu& p = *menu.GetSubMenu(0);

  ASSERT_TRUE(p.ModifyItem(nullptr, 1, 132));  // the 4-bit badge
  EXPECT_EQ(p.Items()[0]->imageIndex, 0);
  EXPECT_EQ(::ImageList_GetImageCount(FacetMenu::SharedImages()), 4);
  EXPECT_TRUE(FacetMenu::HasEffectImages(0));
  const Color face = ::GetSysColor(COLOR_BTNFACE);
  const PixelImage image = ImageOnFace(FacetMenu::SharedImages(), 0);
  const PixelImage faded = ImageOnFace(FacetMenu::SharedImages(), 1);
  EXPECT_EQ(image.At(0, 0), face);  // the transparent corner
  EXPECT_EQ(faded.At(0, 0), face);
  EXPECT_EQ(image.At(4, 3), 0x00FF0000u);  // pure blue of the badge
  EXPECT_EQ(faded.At(4, 3), 0x00FF4C4Cu);  // 0 + 0.3 * 255 = 76.5 -> 76 for red and green

  ASSERT_TRUE(p.ModifyItem(nullptr, 1, 133));  // another image for the same command
  EXPECT_EQ(p.Items()[0]->imageIndex, 0);
  EXPECT_EQ(::ImageList_GetImageCount(FacetMenu::SharedImages()), 4);
  EXPECT_TRUE(FacetMenu::HighColorBitmapsLoaded());
  EXPECT_EQ(ImageOnFace(FacetMenu::SharedImages(), 0).At(0, 0), face);  // 0xC0C0C0 became the face

  FacetMenu::SetDrawStyle(DrawStyle::Classic);
  ASSERT_TRUE(p.ModifyItem(nullptr, 2, 133));
  EXPECT_EQ(p.Items()[1]->imageIndex, 4);
  EXPECT_EQ(::ImageList_GetImageCount(FacetMenu::SharedImages()), 5);
  EXPECT_FALSE(FacetMenu::HasEffectImages(4));

  ASSERT_TRUE(p.ModifyItem("three", 3, 999));  // no such bitmap: the text still changes
  EXPECT_EQ(p.Items()[2]->imageIndex, -1);
  EXPECT_TRUE(p.AppendItem(L"again", 0, 1, -1));  // a known command finds its image
  EXPECT_EQ(p.Items()[3]->imageIndex, 0);
}

// One item painted into a 32-bit bitmap of 120 x 22.
PixelImage Paint(FacetMenu& menu, int position, UINT state) {
  PixelBitmap bitmap(120, 22);
  UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
  {
    Selection selected(dc.Get(), bitmap.Handle());
    DRAWITEMSTRUCT draw{};
    draw.CtlType = ODT_MENU;
    draw.itemID = ::GetMenuItemID(menu.Handle(), position);
    draw.itemState = state;
    draw.hwndItem = reinterpret_cast<HWND>(menu.Handle());
    draw.hDC = dc.Get();
    draw.rcItem = {0, 0, 120, 22};
    draw.itemData = reinterpret_cast<ULONG_PTR>(menu.Items()[static_cast<std::size_t>(position)].get());
    menu.DrawItem(draw);
  }
  return bitmap.Read();
}

TEST_F(FacetMenuTest, BothLooksMeasureAndPaintWithTheirColours) {
  Template t;
  t.Popup(kEnd, "P").Item(0, 1, "x").Item(0, 0, "").Item(kEnd, 2, "y");
  FacetMenu menu;
  ASSERT_TRUE(menu.LoadMenuTemplate(t.bytes.data(), t.bytes.size()));
  FacetMenu& p = *menu.GetSubMenu(0);
  const int textWidth = MeasuredWidth(L"x");
  const int menuHeight = ::GetSystemMetrics(SM_CYMENU);

  auto measure = [&](int position) {
    MEASUREITEMSTRUCT m{};
    m.CtlType = ODT_MENU;
    m.itemData = reinterpret_cast<ULONG_PTR>(p.Items()[static_cast<std::size_t>(position)].get());
    EXPECT_TRUE(ui::Menu::RouteOwnerDraw(WM_MEASUREITEM, reinterpret_cast<LPARAM>(&m)));
    return m;
  };
  const Color highlight = ::GetSysColor(COLOR_HIGHLIGHT);
  // Not on a themed XP desktop here: the strip is the face lightened by a quarter.
  const Color xpBackground = DarkenColor(::GetSysColor(COLOR_WINDOW), 0.02);
  const Color xpStrip = LightenColor(::GetSysColor(COLOR_BTNFACE), 0.25);
  const Color xpSelection = LightenColor(highlight, 0.85);

  FacetMenu::SetDrawStyle(DrawStyle::Xp);
  EXPECT_EQ(measure(0).itemWidth, static_cast<UINT>(textWidth + 31));
  EXPECT_EQ(measure(0).itemHeight, static_cast<UINT>(std::max(22, menuHeight)));
  EXPECT_EQ(measure(1).itemHeight, 3u);
  PixelImage plain = Paint(p, 0, 0);
  EXPECT_EQ(plain.At(2, 2), xpStrip);
  EXPECT_EQ(plain.At(110, 2), xpBackground);
  PixelImage selected = Paint(p, 0, ODS_SELECTED);
  EXPECT_EQ(selected.At(0, 0), highlight);
  EXPECT_EQ(selected.At(110, 2), xpSelection);
  PixelImage disabled = Paint(p, 0, ODS_SELECTED | ODS_GRAYED);  // drawn unselected
  EXPECT_EQ(disabled.At(110, 2), xpBackground);
  EXPECT_EQ(disabled.At(2, 2), xpStrip);

  FacetMenu::SetDrawStyle(DrawStyle::Classic);
  EXPECT_EQ(measure(0).itemWidth, static_cast<UINT>(textWidth + 33));
  EXPECT_EQ(measure(0).itemHeight, static_cast<UINT>(std::max(19, menuHeight)));
  EXPECT_EQ(measure(1).itemHeight, static_cast<UINT>(std::max(9, menuHeight / 2)));
  const Color menuColor = ::GetSysColor(COLOR_MENU);
  EXPECT_EQ(Paint(p, 0, 0).At(110, 2), menuColor);
  PixelImage classicSelected = Paint(p, 0, ODS_SELECTED);
  EXPECT_EQ(classicSelected.At(2, 2), highlight);  // no image, not checked: the whole row
}

}  // namespace
}  // namespace tral::win32
