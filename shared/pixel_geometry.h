// Rectangles in pixels, and pixel figures scaled to the display's resolution: the geometry every
// window and picture of the system is laid out in.
#pragma once

namespace tral {

struct PixelRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }

  friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// Figures given in pixels at 96 dots per inch, scaled to the window's resolution the way the
// system's MulDiv does (rounded half away from zero), so the window keeps its proportions at
// every display scale. At 96 DPI, or with no resolution known (0), every figure stays as it is.
int ScaleForDpi(int pixelsAt96, int dpi);

}  // namespace tral
