// Menu images between icons, image lists and pixel buffers, and the two disabled looks.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "monitor/ui/color_effects.h"
#include "monitor/ui/win32/gdi_win32.h"

namespace tral::win32 {

// A 32-bit copy of any bitmap, for pixel work.
PixelBitmap CopyToPixels(HBITMAP bitmap);
// The icon drawn on the button face colour at the menu image size.
PixelImage IconOnFace(HICON icon);
// Image `index` of a list drawn on the button face colour.
PixelImage ImageOnFace(HIMAGELIST list, int index);
// An icon of the image in which the colour `transparent` is see-through.
UniqueIcon MaskedIcon(const PixelImage& image, Color transparent);

// Registers the image at `position` of `list` for the command in the shared menu image list:
// appended (with its faded, shadow and disabled images while the XP look is in force) or, for a
// command known already, in place. The slot of the image, or -1.
int AddToSharedImages(HIMAGELIST list, int position, UINT_PTR commandId);

// Paints `image` at (x, y) of `dc`.
void PaintPixels(HDC dc, int x, int y, const PixelImage& image);
// The classic disabled looks: the shape embossed in shadow and highlight, or grey-shaded, on
// `background`.
void DrawEmbossed(HDC dc, int x, int y, const PixelImage& image, Color background);
void DrawShaded(HDC dc, int x, int y, PixelImage image, Color background);

}  // namespace tral::win32
