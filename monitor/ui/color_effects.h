// Colour arithmetic and the derived forms of menu images, over plain pixel buffers.
#pragma once

#include <cstdint>
#include <vector>

namespace tral {

using Color = std::uint32_t;  // 0x00BBGGRR

constexpr Color RgbColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return static_cast<Color>(r) | (static_cast<Color>(g) << 8) | (static_cast<Color>(b) << 16);
}
constexpr std::uint8_t RedOf(Color c) { return static_cast<std::uint8_t>(c & 0xFF); }
constexpr std::uint8_t GreenOf(Color c) { return static_cast<std::uint8_t>((c >> 8) & 0xFF); }
constexpr std::uint8_t BlueOf(Color c) { return static_cast<std::uint8_t>((c >> 16) & 0xFF); }

// Every channel moved the fraction `factor` of the way to 255 (truncated); a factor outside
// (0, 1] leaves the colour as it is.
Color LightenColor(Color color, double factor);
// Every channel moved the fraction `factor` of the way to 0 (truncated); same factor rule.
Color DarkenColor(Color color, double factor);

// A bitmap as rows of colours, top row first.
struct PixelImage {
  int width = 0;
  int height = 0;
  std::vector<Color> pixels;  // width * height

  PixelImage() = default;
  PixelImage(int w, int h, Color fill) : width(w), height(h), pixels(static_cast<std::size_t>(w) * h, fill) {}
  Color& At(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
  Color At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// The menu's faded image: every pixel that is not the background lightened by 0.3.
void MakeFaded(PixelImage& image, Color background);

// Colour of the shadow image: the button shadow colour, lightened by 0.49 except on a themed XP
// desktop, where it is taken as it is.
Color ShadowColor(Color buttonShadow, bool themedXp);
// The shadow image: every pixel that is not the background in the shadow colour.
void MakeShadow(PixelImage& image, Color background, Color shadow);

// The grey disabled image: every non-background pixel becomes the button shadow colour lightened
// by its brightness ((r + g + b) / 3 / 255), so dark pixels take the shadow colour and light ones
// approach white. Background pixels become `newBackground`, or stay when it is 0.
void MakeGreyShaded(PixelImage& image, Color background, Color buttonShadow, Color newBackground);

// Every pixel of colour `from` becomes `to` (the 0xC0C0C0 of high-colour bitmaps becomes the
// button face colour).
void ReplaceColor(PixelImage& image, Color from, Color to);

// The embossed disabled image, one pixel wider and taller than the source: the shape (every
// pixel that is neither `face` nor `highlight`) in `shadow`, with a `highlight` copy of the shape
// one pixel right and below showing where the shape does not cover it, on `background`.
PixelImage Emboss(const PixelImage& image, Color face, Color highlight, Color shadow, Color background);

}  // namespace tral
