// Measuring and painting the items of a FacetMenu in the XP look (flat, an image strip at the left)
// or the classic look (3-D image buttons).
#include <algorithm>
#include <string_view>

#include "monitor/ui/win32/facet_menu_images_win32.h"
#include "monitor/ui/win32/facet_menu_win32.h"
#include "monitor/ui/win32/gdi_win32.h"

namespace tral::win32 {
namespace {

constexpr int kIconWidth = FacetMenu::kIconWidth;
constexpr int kIconHeight = FacetMenu::kIconHeight;
constexpr int kStripWidth = kIconWidth + 7;  // the XP look's image strip

Color Sys(int index) { return ::GetSysColor(index); }

void Fill(HDC dc, const RECT& rect, Color color) {
  UniqueGdiObject brush(::CreateSolidBrush(color));
  if (brush) ::FillRect(dc, &rect, static_cast<HBRUSH>(brush.Get()));
}

// A one-pixel frame: top and left in `topLeft`, bottom and right in `bottomRight`.
void Frame3d(HDC dc, const RECT& r, Color topLeft, Color bottomRight) {
  Fill(dc, {r.left, r.top, r.right - 1, r.top + 1}, topLeft);
  Fill(dc, {r.left, r.top, r.left + 1, r.bottom - 1}, topLeft);
  Fill(dc, {r.right - 1, r.top, r.right, r.bottom}, bottomRight);
  Fill(dc, {r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
}
void Frame(HDC dc, const RECT& r, Color color) { Frame3d(dc, r, color, color); }

Color ClassicBackground() {
  return (FacetMenu::WindowsVersionCode() != kVersionCodeXp || FacetMenu::IsClassicTheme()) ? Sys(COLOR_MENU)
                                                                                            : Sys(COLOR_BTNFACE);
}
Color XpBackground() { return DarkenColor(Sys(COLOR_WINDOW), 0.02); }
Color XpStrip() { return FacetMenu::IsThemedXp() ? Sys(COLOR_BTNFACE) : LightenColor(Sys(COLOR_BTNFACE), 0.25); }
Color XpSelection() {
  return LightenColor(Sys(COLOR_HIGHLIGHT), FacetMenu::IsThemedXp() ? 0.7 : 0.85);
}

void DrawImage(HDC dc, int index, int x, int y) {
  ::ImageList_Draw(FacetMenu::SharedImages(), index, dc, x, y, ILD_TRANSPARENT);
}

// Label before the first TAB at the left, accelerator after the last TAB at the right, ending
// one image width before the right edge.
void DrawItemText(HDC dc, const FacetMenuItem& item, int left, const RECT& rect, Color color) {
  if (item.text.empty()) return;
  const int previousMode = ::SetBkMode(dc, TRANSPARENT);
  const COLORREF previousColor = ::SetTextColor(dc, color);
  RECT textRect{left, rect.top - 1, rect.right, rect.bottom - 1};
  const std::wstring_view text = item.text;
  const std::size_t firstTab = text.find(L'\t');
  const std::wstring_view label = text.substr(0, firstTab);
  ::DrawTextW(dc, label.data(), static_cast<int>(label.size()), &textRect, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
  if (firstTab != std::wstring_view::npos) {
    const std::wstring_view accelerator = text.substr(text.rfind(L'\t') + 1);
    textRect.right -= kIconWidth;
    ::DrawTextW(dc, accelerator.data(), static_cast<int>(accelerator.size()), &textRect,
                DT_SINGLELINE | DT_VCENTER | DT_RIGHT);
  }
  ::SetTextColor(dc, previousColor);
  ::SetBkMode(dc, previousMode);
}

bool IsRadioItem(const DRAWITEMSTRUCT& draw) {
  MENUITEMINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_CHECKMARKS;
  if (::GetMenuItemInfoA(reinterpret_cast<HMENU>(draw.hwndItem), draw.itemID, FALSE, &info) == FALSE) return false;
  return info.hbmpChecked != nullptr;
}

// The drawn check mark or radio dot with its corner at (x, y).
void DrawMark(HDC dc, int x, int y, bool radio, int strokeLength) {
  UniqueGdiObject pen(::CreatePen(PS_SOLID, 0, Sys(COLOR_MENUTEXT)));
  Selection penSelected(dc, pen.Get());
  if (radio) {
    UniqueGdiObject brush(::CreateSolidBrush(Sys(COLOR_MENUTEXT)));
    Selection brushSelected(dc, brush.Get());
    ::Ellipse(dc, x, y, x + 6, y + 6);
    return;
  }
  static constexpr int kStart[7] = {2, 3, 4, 3, 2, 1, 0};
  for (int i = 0; i < 7; ++i) {
    ::MoveToEx(dc, x + i, y + kStart[i], nullptr);
    ::LineTo(dc, x + i, y + kStart[i] + strokeLength);
  }
}

void DrawXpCheck(HDC dc, const RECT& box, bool selected, bool radio) {
  Fill(dc, box, LightenColor(Sys(COLOR_HIGHLIGHT), selected ? 0.55 : 0.85));
  Frame(dc, box, Sys(COLOR_HIGHLIGHT));
  const int w = box.right - box.left;
  const int h = box.bottom - box.top;
  DrawMark(dc, box.left + (w < 6 ? 0 : w / 2 - 3), box.top + (h < 6 ? 0 : h / 2 - 3), radio, 2);
}

// What an item's state means for its drawing.
struct ItemLook {
  bool selected;
  bool disabled;
  bool checked;
};

ItemLook LookOf(const DRAWITEMSTRUCT& draw, bool disabledIsNeverSelected) {
  const bool disabled = (draw.itemState & ODS_GRAYED) != 0;
  bool selected = (draw.itemState & ODS_SELECTED) != 0;
  if (disabled && disabledIsNeverSelected) selected = false;
  return ItemLook{selected, disabled, (draw.itemState & ODS_CHECKED) != 0};
}

void DrawSeparatorLine(HDC dc, int left, int right, int middle) {
  RECT line{left, middle, right, middle + 2};
  ::DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
}

// ---- The XP look ----

void DrawXpSeparator(HDC dc, const RECT& rect, const RECT& strip) {
  Fill(dc, rect, XpBackground());
  Fill(dc, strip, XpStrip());
  Frame(dc, strip, XpStrip());
  DrawSeparatorLine(dc, rect.left + kStripWidth + 7, rect.right, rect.top + (rect.bottom - rect.top) / 2);
}

void DrawXpBackground(HDC dc, const RECT& rect, const RECT& strip, bool selected) {
  if (selected) {
    Fill(dc, rect, XpSelection());
    Frame(dc, rect, Sys(COLOR_HIGHLIGHT));
    return;
  }
  Fill(dc, rect, XpBackground());
  Fill(dc, strip, XpStrip());
  Frame(dc, rect, XpBackground());
  Frame(dc, strip, XpStrip());
}

// The item's image in the strip, raised with a shadow when selected, on a pale box when checked,
// embossed (or its prepared disabled image) when disabled.
void DrawXpImage(HDC dc, const RECT& box, int x, int y, int image, const ItemLook& look) {
  const bool effects = FacetMenu::HasEffectImages(image);
  if (look.selected && look.checked) {
    Fill(dc, box, LightenColor(Sys(COLOR_HIGHLIGHT), 0.55));
    Frame(dc, box, Sys(COLOR_HIGHLIGHT));
    DrawImage(dc, image, x - 1, y - 1);
  } else if (look.selected) {
    Fill(dc, box, XpSelection());
    if (effects) {
      DrawImage(dc, image + 2, x + 1, y + 1);  // shadow below the raised image
      DrawImage(dc, image, x - 1, y - 1);
    } else {
      DrawImage(dc, image, x, y);
    }
  } else if (look.checked) {
    Fill(dc, box, LightenColor(Sys(COLOR_HIGHLIGHT), 0.85));
    Frame(dc, box, Sys(COLOR_HIGHLIGHT));
    DrawImage(dc, image, x - 1, y - 1);
  } else if (!look.disabled) {
    Fill(dc, box, XpStrip());
    Frame(dc, box, XpStrip());
    DrawImage(dc, effects ? image + 1 : image, x, y);
  } else if (effects) {
    DrawImage(dc, image + 3, x, y);
  } else {
    DrawEmbossed(dc, x, y, ImageOnFace(FacetMenu::SharedImages(), image), XpStrip());
  }
}

Color XpTextColor(bool disabled) {
  if (!disabled) return Sys(COLOR_MENUTEXT);
  return FacetMenu::IsThemedXp() ? Sys(COLOR_GRAYTEXT) : LightenColor(Sys(COLOR_GRAYTEXT), 0.4);
}

// Where an item is drawn: the target itself, or (for a disabled item, composed off-screen and
// copied in one go) a memory DC with the item's coordinates.
class ItemCanvas {
 public:
  ItemCanvas(HDC target, const RECT& rect, bool offscreen) : target_(target), rect_(rect), dc_(target) {
    if (!offscreen) return;
    memory_.Reset(::CreateCompatibleDC(target));
    bitmap_.Reset(::CreateCompatibleBitmap(target, Width(), Height()));
    if (!memory_ || !bitmap_) return;
    selected_.emplace(memory_.Get(), bitmap_.Get());
    ::SetWindowOrgEx(memory_.Get(), rect.left, rect.top, nullptr);
    dc_ = memory_.Get();
  }
  HDC Dc() const { return dc_; }
  void CopyToTarget() const {
    if (dc_ != target_) ::BitBlt(target_, rect_.left, rect_.top, Width(), Height(), dc_, rect_.left, rect_.top, SRCCOPY);
  }

 private:
  int Width() const { return rect_.right - rect_.left; }
  int Height() const { return rect_.bottom - rect_.top; }

  HDC target_;
  RECT rect_;
  HDC dc_;
  UniqueMemoryDc memory_;
  UniqueGdiObject bitmap_;
  std::optional<Selection> selected_;
};

void DrawXp(HDC target, const DRAWITEMSTRUCT& draw, const FacetMenuItem& item) {
  const ItemLook look = LookOf(draw, true);
  const RECT rect = draw.rcItem;
  const ItemCanvas canvas(target, rect, look.disabled);
  HDC dc = canvas.Dc();
  UniqueGdiObject font = CreateMenuFont();
  Selection fontSelected(dc, font.Get());

  const RECT strip{rect.left, rect.top, rect.left + kStripWidth, rect.bottom};
  if ((item.flags & MF_SEPARATOR) != 0) {
    DrawXpSeparator(dc, rect, strip);
  } else {
    DrawXpBackground(dc, rect, strip, look.selected);
    const RECT box{rect.left + 1, rect.top + 1, rect.left + kStripWidth - 2, rect.bottom - 1};
    if (item.imageIndex >= 0) {
      const int x = rect.left + std::max(0, static_cast<int>((kStripWidth - kIconWidth + 1) * 0.5));
      const int y = rect.top + std::max(0, static_cast<int>((rect.bottom - rect.top - kIconHeight + 1) * 0.5));
      DrawXpImage(dc, box, x, y, item.imageIndex, look);
    } else if (look.checked) {
      DrawXpCheck(dc, box, look.selected, IsRadioItem(draw));
    }
    DrawItemText(dc, item, rect.left + kStripWidth + 8, rect, XpTextColor(look.disabled));
  }
  canvas.CopyToTarget();
}

// ---- The classic look ----

void DrawClassicBackground(HDC dc, const RECT& rect, Color background, bool selected, bool hasBox) {
  if (!selected) {
    Fill(dc, rect, background);
    Frame(dc, rect, background);
    return;
  }
  RECT selection = rect;
  if (hasBox) selection.left = rect.left + kIconWidth + 5;
  Fill(dc, selection, Sys(COLOR_HIGHLIGHT));
}

// The image on a 3-D button: raised when selected, pressed when checked, shaded or embossed when
// disabled. `c` is the vertical offset of the button in the item.
void DrawClassicImage(HDC dc, const RECT& rect, int c, int image, Color background, const ItemLook& look) {
  const bool raisedFrames = FacetMenu::WindowsVersionCode() > 1;
  const int x = rect.left + 2;
  const int y = rect.top + c + 2;
  const RECT box{rect.left + 1, rect.top + c + 1, rect.left + kIconWidth + 3, rect.top + c + kIconHeight + 3};
  const RECT button{rect.left, rect.top + c, rect.left + kIconWidth + 4, rect.top + c + kIconHeight + 4};
  Frame(dc, box, background);
  if (!look.disabled && look.selected) {
    Fill(dc, box, background);
    if (raisedFrames && look.checked) Frame3d(dc, button, Sys(COLOR_BTNSHADOW), Sys(COLOR_BTNHIGHLIGHT));
    if (raisedFrames && !look.checked) Frame3d(dc, button, Sys(COLOR_BTNHIGHLIGHT), Sys(COLOR_BTNSHADOW));
    DrawImage(dc, image, x, y);
  } else if (!look.disabled && look.checked) {
    Fill(dc, box, LightenColor(background, 0.6));
    if (raisedFrames) Frame3d(dc, button, Sys(COLOR_BTNSHADOW), Sys(COLOR_BTNHIGHLIGHT));
    DrawImage(dc, image, x, y);
  } else if (!look.disabled) {
    Fill(dc, box, background);
    Frame(dc, button, background);
    DrawImage(dc, image, x, y);
  } else {
    const PixelImage pixels = ImageOnFace(FacetMenu::SharedImages(), image);
    Frame(dc, button, background);
    if (FacetMenu::HighColorBitmapsLoaded()) {
      DrawShaded(dc, x, y, pixels, background);
    } else {
      DrawEmbossed(dc, x, y, pixels, background);
    }
  }
}

void DrawClassicCheck(HDC dc, const DRAWITEMSTRUCT& draw, int c, Color background, bool selected) {
  const RECT& rect = draw.rcItem;
  const RECT box{rect.left + 1, rect.top + c + 2, rect.left + kIconWidth + 1, rect.top + c + kIconHeight + 2};
  Fill(dc, box, selected ? background : LightenColor(background, 0.6));
  if (FacetMenu::WindowsVersionCode() > 1) {
    RECT edge = box;
    ::DrawEdge(dc, &edge, BDR_SUNKENOUTER, BF_RECT);
  }
  const bool radio = IsRadioItem(draw);
  DrawMark(dc, box.left + (radio ? 5 : 4), box.top + 4, radio, 3);
}

// Disabled text is engraved (a light copy one pixel down and right), or drawn in the background
// colour when the disabled item is selected.
void DrawClassicText(HDC dc, const FacetMenuItem& item, const RECT& rect, Color background, const ItemLook& look) {
  const int textLeft = rect.left + kIconWidth + 9;
  if (look.disabled && look.selected) {
    DrawItemText(dc, item, textLeft, rect, background);
  } else if (look.disabled) {
    const RECT shifted{rect.left + 1, rect.top + 1, rect.right + 1, rect.bottom + 1};
    DrawItemText(dc, item, textLeft + 1, shifted, Sys(COLOR_BTNHIGHLIGHT));
    DrawItemText(dc, item, textLeft, rect, Sys(COLOR_GRAYTEXT));
  } else {
    DrawItemText(dc, item, textLeft, rect, look.selected ? Sys(COLOR_HIGHLIGHTTEXT) : Sys(COLOR_MENUTEXT));
  }
}

void DrawClassic(HDC dc, const DRAWITEMSTRUCT& draw, const FacetMenuItem& item) {
  const RECT rect = draw.rcItem;
  const Color background = ClassicBackground();
  const ItemLook look = LookOf(draw, false);
  UniqueGdiObject font = CreateMenuFont();
  Selection fontSelected(dc, font.Get());

  if ((item.flags & MF_SEPARATOR) != 0) {
    Fill(dc, rect, background);
    DrawSeparatorLine(dc, rect.left, rect.right, rect.top + (rect.bottom - rect.top) / 2);
    return;
  }
  const int c = std::max(0, (static_cast<int>(rect.bottom - rect.top) - kIconHeight - 4) / 2);
  const int image = item.imageIndex;
  DrawClassicBackground(dc, rect, background, look.selected, image >= 0 || look.checked);
  if (image >= 0) {
    DrawClassicImage(dc, rect, c, image, background, look);
  } else if (look.checked) {
    DrawClassicCheck(dc, draw, c, background, look.selected);
  }
  DrawClassicText(dc, item, rect, background, look);
}

}  // namespace

void FacetMenu::MeasureItem(MEASUREITEMSTRUCT& measure) {
  const auto* item = reinterpret_cast<const FacetMenuItem*>(measure.itemData);
  if (item == nullptr) return;
  const bool xp = XpLookInForce();
  const int margin = xp ? 7 : 4;
  if ((item->flags & MF_SEPARATOR) != 0) {
    measure.itemWidth = 0;
    measure.itemHeight = xp ? 3 : static_cast<UINT>(std::max((margin + kIconHeight) / 2, ::GetSystemMetrics(SM_CYMENU) / 2));
    return;
  }
  UniqueGdiObject font = CreateMenuFont();
  WindowDc dc(MeasuringWindow());
  SIZE size{};
  if (dc.Get() != nullptr) {
    // Measured in the font the text is drawn in, on every system: the DC's own font differs
    // from the menu font and would make items too wide or cut their text.
    Selection fontSelected(dc.Get(), font.Get());
    ::GetTextExtentPoint32W(dc.Get(), item->text.c_str(), static_cast<int>(item->text.size()), &size);
  }
  const int width = xp ? size.cx + kIconWidth + margin + 8 : size.cx + 2 * kIconWidth + 1;
  measure.itemWidth = static_cast<UINT>(std::max(0, width));
  measure.itemHeight = static_cast<UINT>(std::max(kIconHeight + margin, ::GetSystemMetrics(SM_CYMENU)));
}

void FacetMenu::DrawItem(const DRAWITEMSTRUCT& draw) {
  const auto* item = reinterpret_cast<const FacetMenuItem*>(draw.itemData);
  if (item == nullptr || draw.hDC == nullptr) return;
  const bool palette = (::GetDeviceCaps(draw.hDC, RASTERCAPS) & RC_PALETTE) != 0;
  if (!palette && XpLookInForce()) {
    DrawXp(draw.hDC, draw, *item);
  } else {
    DrawClassic(draw.hDC, draw, *item);
  }
}

}  // namespace tral::win32
