// Scoped GDI helpers of the windows and menus: window DCs, selected objects, status-line colours,
// image lists, 32-bit pixel bitmaps and icons made from pixels.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "monitor/ui/color_effects.h"
#include "shared/win32/unique_handle.h"

namespace tral::win32 {

struct ImageListTraits {
  using Type = HIMAGELIST;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { ::ImageList_Destroy(h); }
};
using UniqueImageList = UniqueHandle<ImageListTraits>;

// A window's DC from GetDC, released on leaving.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(::GetDC(window)) {}
  ~WindowDc() {
    if (dc_ != nullptr) ::ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC Get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// An object selected into a DC until the end of the scope, when the previous one comes back.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(object != nullptr ? ::SelectObject(dc, object) : nullptr) {}
  ~Selection() {
    if (previous_ != nullptr && previous_ != HGDI_ERROR) ::SelectObject(dc_, previous_);
  }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// The answer to WM_CTLCOLORSTATIC for a status line: its text in `color` on the dialog's face.
LRESULT StatusLineColors(WPARAM dc, COLORREF color);

// The window whose DC measures menu texts: the program's main window, else the desktop.
HWND MeasuringWindow();

// The menu font of the system (the non-client metrics' menu font); null when it cannot be made.
UniqueGdiObject CreateMenuFont();

// A top-down 32-bit DIB section of width x height with direct access to its pixels.
class PixelBitmap {
 public:
  PixelBitmap(int width, int height);
  bool Valid() const { return static_cast<bool>(bitmap_); }
  HBITMAP Handle() const { return static_cast<HBITMAP>(bitmap_.Get()); }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Colours as 0x00BBGGRR; GdiFlush runs first so that drawing into the bitmap has landed.
  PixelImage Read() const;
  void Write(const PixelImage& image);

 private:
  int width_;
  int height_;
  void* bits_ = nullptr;
  UniqueGdiObject bitmap_;
};

// The display's resolution as the program sees it (it is aware of the system's DPI), from the
// screen's DC; 96 when there is none.
int ScreenDpi();

// An icon of the picture's size with every pixel opaque; empty when the system would not make one.
// The bitmaps it is made from are gone when this returns: the icon holds copies.
UniqueIcon IconFromPixels(const PixelImage& image);

}  // namespace tral::win32
