// Menu images between icons, image lists and pixel buffers, and the two disabled looks.
#include "monitor/ui/win32/facet_menu_images_win32.h"

#include "monitor/ui/win32/facet_menu_win32.h"

namespace tral::win32 {

PixelBitmap CopyToPixels(HBITMAP bitmap) {
  BITMAP info{};
  if (bitmap == nullptr || ::GetObjectA(bitmap, sizeof info, &info) == 0) return PixelBitmap(0, 0);
  PixelBitmap copy(info.bmWidth, info.bmHeight);
  if (!copy.Valid()) return copy;
  UniqueMemoryDc source(::CreateCompatibleDC(nullptr));
  UniqueMemoryDc target(::CreateCompatibleDC(nullptr));
  if (!source || !target) return PixelBitmap(0, 0);
  Selection fromSelected(source.Get(), bitmap);
  Selection toSelected(target.Get(), copy.Handle());
  ::BitBlt(target.Get(), 0, 0, info.bmWidth, info.bmHeight, source.Get(), 0, 0, SRCCOPY);
  return copy;
}

PixelImage IconOnFace(HICON icon) {
  PixelBitmap bitmap(FacetMenu::kIconWidth, FacetMenu::kIconHeight);
  UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
  if (!bitmap.Valid() || !dc) return PixelImage(FacetMenu::kIconWidth, FacetMenu::kIconHeight, ::GetSysColor(COLOR_BTNFACE));
  {
    Selection selected(dc.Get(), bitmap.Handle());
    ::DrawIconEx(dc.Get(), 0, 0, icon, FacetMenu::kIconWidth, FacetMenu::kIconHeight, 0,
                 ::GetSysColorBrush(COLOR_BTNFACE), DI_NORMAL);
  }
  return bitmap.Read();
}

PixelImage ImageOnFace(HIMAGELIST list, int index) {
  UniqueIcon icon(::ImageList_GetIcon(list, index, ILD_NORMAL));
  if (!icon) return PixelImage(FacetMenu::kIconWidth, FacetMenu::kIconHeight, ::GetSysColor(COLOR_BTNFACE));
  return IconOnFace(icon.Get());
}

UniqueIcon MaskedIcon(const PixelImage& image, Color transparent) {
  UniqueImageList list(::ImageList_Create(image.width, image.height, ILC_COLORDDB | ILC_MASK, 1, 1));
  PixelBitmap bitmap(image.width, image.height);
  if (!list || !bitmap.Valid()) return UniqueIcon();
  bitmap.Write(image);
  if (::ImageList_AddMasked(list.Get(), bitmap.Handle(), transparent) < 0) return UniqueIcon();
  return UniqueIcon(::ImageList_GetIcon(list.Get(), 0, ILD_NORMAL));
}

void PaintPixels(HDC dc, int x, int y, const PixelImage& image) {
  PixelBitmap bitmap(image.width, image.height);
  UniqueMemoryDc source(::CreateCompatibleDC(dc));
  if (!bitmap.Valid() || !source) return;
  bitmap.Write(image);
  Selection selected(source.Get(), bitmap.Handle());
  ::BitBlt(dc, x, y, image.width, image.height, source.Get(), 0, 0, SRCCOPY);
}

void DrawEmbossed(HDC dc, int x, int y, const PixelImage& image, Color background) {
  PaintPixels(dc, x, y,
              Emboss(image, ::GetSysColor(COLOR_BTNFACE), ::GetSysColor(COLOR_BTNHIGHLIGHT),
                     ::GetSysColor(COLOR_BTNSHADOW), background));
}

void DrawShaded(HDC dc, int x, int y, PixelImage image, Color background) {
  MakeGreyShaded(image, ::GetSysColor(COLOR_BTNFACE), ::GetSysColor(COLOR_BTNSHADOW), background);
  PaintPixels(dc, x, y, image);
}

}  // namespace tral::win32
