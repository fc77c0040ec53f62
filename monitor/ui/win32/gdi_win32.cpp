// Scoped GDI helpers of the menus: window DCs, selected objects, image lists, 32-bit pixel bitmaps
// and icons made from pixels.
#include "monitor/ui/win32/gdi_win32.h"

#include <vector>

namespace tral::win32 {
namespace {

BOOL CALLBACK FindThreadDialog(HWND window, LPARAM found) {
  char className[16] = {};
  ::GetClassNameA(window, className, sizeof className);
  if (lstrcmpA(className, "#32770") == 0) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

LRESULT StatusLineColors(WPARAM dc, COLORREF color) {
  ::SetTextColor(reinterpret_cast<HDC>(dc), color);
  ::SetBkMode(reinterpret_cast<HDC>(dc), TRANSPARENT);
  return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
}

HWND MeasuringWindow() {
  HWND found = nullptr;
  ::EnumThreadWindows(::GetCurrentThreadId(), FindThreadDialog, reinterpret_cast<LPARAM>(&found));
  return found != nullptr ? found : ::GetDesktopWindow();
}

UniqueGdiObject CreateMenuFont() {
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof metrics;
  if (::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0) == FALSE) {
    return UniqueGdiObject();
  }
  return UniqueGdiObject(::CreateFontIndirectA(&metrics.lfMenuFont));
}

PixelBitmap::PixelBitmap(int width, int height) : width_(width), height_(height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  bitmap_.Reset(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits_, nullptr, 0));
  if (!bitmap_) bits_ = nullptr;
}

PixelImage PixelBitmap::Read() const {
  PixelImage image(width_, height_, 0);
  if (bits_ == nullptr) return image;
  ::GdiFlush();
  const auto* source = static_cast<const std::uint32_t*>(bits_);
  for (std::size_t i = 0; i < image.pixels.size(); ++i) {
    const std::uint32_t p = source[i];  // 0x00RRGGBB in a DIB
    image.pixels[i] = RgbColor(static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
                               static_cast<std::uint8_t>(p));
  }
  return image;
}

void PixelBitmap::Write(const PixelImage& image) {
  if (bits_ == nullptr || image.width != width_ || image.height != height_) return;
  ::GdiFlush();
  auto* target = static_cast<std::uint32_t*>(bits_);
  for (std::size_t i = 0; i < image.pixels.size(); ++i) {
    const Color c = image.pixels[i];
    target[i] = (static_cast<std::uint32_t>(RedOf(c)) << 16) | (static_cast<std::uint32_t>(GreenOf(c)) << 8) |
                BlueOf(c);
  }
}

int ScreenDpi() {
  WindowDc screen(nullptr);
  const int dpi = screen.Get() != nullptr ? ::GetDeviceCaps(screen.Get(), LOGPIXELSY) : 0;
  return dpi > 0 ? dpi : 96;
}

UniqueIcon IconFromPixels(const PixelImage& image) {
  if (image.width <= 0 || image.height <= 0) return UniqueIcon();
  PixelBitmap color(image.width, image.height);
  if (!color.Valid()) return UniqueIcon();
  color.Write(image);  // alpha 0 throughout: the mask decides, and it shows every pixel
  // A monochrome mask of zeros, its rows padded to 16 bits as CreateBitmap reads them.
  const std::size_t rowBytes = (static_cast<std::size_t>(image.width) + 15) / 16 * 2;
  const std::vector<std::uint8_t> zeros(rowBytes * static_cast<std::size_t>(image.height), 0);
  UniqueGdiObject mask(::CreateBitmap(image.width, image.height, 1, 1, zeros.data()));
  if (!mask) return UniqueIcon();
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmColor = color.Handle();
  info.hbmMask = static_cast<HBITMAP>(mask.Get());
  return UniqueIcon(::CreateIconIndirect(&info));
}

}  // namespace tral::win32
