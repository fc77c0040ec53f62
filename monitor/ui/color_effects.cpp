// Colour arithmetic and the derived forms of menu images, over plain pixel buffers.
#include "monitor/ui/color_effects.h"

namespace tral {
namespace {

bool FactorApplies(double factor) { return factor > 0.0 && factor <= 1.0; }

std::uint8_t Lighten(std::uint8_t c, double f) {
  return static_cast<std::uint8_t>(static_cast<int>(c + f * (255 - c)));
}
std::uint8_t Darken(std::uint8_t c, double f) {
  return static_cast<std::uint8_t>(static_cast<int>(c - f * c));
}

}  // namespace

Color LightenColor(Color color, double factor) {
  if (!FactorApplies(factor)) return color;
  return RgbColor(Lighten(RedOf(color), factor), Lighten(GreenOf(color), factor),
                  Lighten(BlueOf(color), factor));
}

Color DarkenColor(Color color, double factor) {
  if (!FactorApplies(factor)) return color;
  return RgbColor(Darken(RedOf(color), factor), Darken(GreenOf(color), factor),
                  Darken(BlueOf(color), factor));
}

void MakeFaded(PixelImage& image, Color background) {
  for (Color& p : image.pixels) {
    if (p != background) p = LightenColor(p, 0.3);
  }
}

Color ShadowColor(Color buttonShadow, bool themedXp) {
  return themedXp ? buttonShadow : LightenColor(buttonShadow, 0.49);
}

void MakeShadow(PixelImage& image, Color background, Color shadow) {
  for (Color& p : image.pixels) {
    if (p != background) p = shadow;
  }
}

void MakeGreyShaded(PixelImage& image, Color background, Color buttonShadow, Color newBackground) {
  for (Color& p : image.pixels) {
    if (p == background) {
      if (newBackground != 0) p = newBackground;
      continue;
    }
    const int grey = (RedOf(p) + GreenOf(p) + BlueOf(p)) / 3;
    p = LightenColor(buttonShadow, grey / 255.0);
  }
}

void ReplaceColor(PixelImage& image, Color from, Color to) {
  for (Color& p : image.pixels) {
    if (p == from) p = to;
  }
}

PixelImage Emboss(const PixelImage& image, Color face, Color highlight, Color shadow, Color background) {
  auto inShape = [&](int x, int y) {
    if (x < 0 || y < 0 || x >= image.width || y >= image.height) return false;
    const Color p = image.At(x, y);
    return p != face && p != highlight;
  };
  PixelImage out(image.width + 1, image.height + 1, background);
  for (int y = 0; y <= image.height; ++y) {
    for (int x = 0; x <= image.width; ++x) {
      if (inShape(x, y)) {
        out.At(x, y) = shadow;
      } else if (inShape(x - 1, y - 1)) {
        out.At(x, y) = highlight;
      }
    }
  }
  return out;
}

}  // namespace tral
