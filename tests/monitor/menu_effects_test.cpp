// Colour arithmetic and the menu image effects on small pixel buffers.
#include <gtest/gtest.h>

#include "monitor/ui/color_effects.h"

namespace tral {
namespace {

constexpr Color kBackground = 0x00C0C0C0;
constexpr Color kBlack = 0x00000000;
constexpr Color kWhite = 0x00FFFFFF;
constexpr Color kBlue = RgbColor(10, 100, 200);
constexpr Color kGrey = 0x00808080;

TEST(ColorArithmetic, LightenAndDarkenPerChannel) {
  const struct {
    Color color;
    double factor;
    bool lighten;
    Color expected;
  } cases[] = {
      {0x00808080, 0.5, true, 0x00BFBFBF},  // 128 + 63.5 = 191.5 -> 191
      {kBlue, 0.3, true, RgbColor(83, 146, 216)},  // 10+73.5, 100+46.5, 200+16.5, truncated
      {kBlue, 1.0, true, kWhite},
      {kBlue, 0.0, true, kBlue},
      {kBlue, -0.5, true, kBlue},
      {kBlue, 1.5, true, kBlue},
      {RgbColor(200, 101, 7), 0.25, false, RgbColor(150, 75, 5)},  // 200-50, 101-25.25, 7-1.75
      {kWhite, 0.02, false, 0x00F9F9F9},  // 255 - 5.1 = 249.9 -> 249: the menu background
      {kBlue, 1.0, false, kBlack},
      {kBlue, 0.0, false, kBlue},
      {kBlue, 2.0, false, kBlue},
      {0x00FFFFFF, 0.5, true, 0x00FFFFFF},
  };
  for (const auto& c : cases) {
    const Color got = c.lighten ? LightenColor(c.color, c.factor) : DarkenColor(c.color, c.factor);
    EXPECT_EQ(got, c.expected) << std::hex << c.color << " factor " << c.factor << (c.lighten ? " lighten" : " darken");
  }
}

// 3 x 2: background, black, blue / white, background, mid grey.
PixelImage Sample() {
  PixelImage image(3, 2, kBackground);
  image.At(1, 0) = kBlack;
  image.At(2, 0) = kBlue;
  image.At(0, 1) = kWhite;
  image.At(2, 1) = kGrey;
  return image;
}

TEST(ImageEffects, EachFormChangesOnlyTheShape) {
  const struct {
    const char* name;
    void (*apply)(PixelImage&);
    std::vector<Color> expected;
  } cases[] = {
      {"faded", [](PixelImage& i) { MakeFaded(i, kBackground); },
       {kBackground, RgbColor(76, 76, 76), RgbColor(83, 146, 216), kWhite, kBackground, RgbColor(166, 166, 166)}},
      {"shadow", [](PixelImage& i) { MakeShadow(i, kBackground, 0x00112233); },
       {kBackground, 0x00112233, 0x00112233, 0x00112233, kBackground, 0x00112233}},
      // brightness 0 keeps the shadow colour, 255 gives white; blue (310 / 3 = 103): 128 + 103/255 * 127
      // = 179.3; grey 128: 128 + 128/255 * 127 = 191.7
      {"grey", [](PixelImage& i) { MakeGreyShaded(i, kBackground, kGrey, 0); },
       {kBackground, kGrey, RgbColor(179, 179, 179), kWhite, kBackground, RgbColor(191, 191, 191)}},
      {"grey on a new background", [](PixelImage& i) { MakeGreyShaded(i, kBackground, kGrey, 0x00FF00FF); },
       {0x00FF00FF, kGrey, RgbColor(179, 179, 179), kWhite, 0x00FF00FF, RgbColor(191, 191, 191)}},
      {"transparent colour to button face", [](PixelImage& i) { ReplaceColor(i, kBackground, 0x00C8D0D4); },
       {0x00C8D0D4, kBlack, kBlue, kWhite, 0x00C8D0D4, kGrey}},
  };
  for (const auto& c : cases) {
    PixelImage image = Sample();
    c.apply(image);
    EXPECT_EQ(image.pixels, c.expected) << c.name;
  }
}

TEST(ImageEffects, ShadowColourIsLightenedExceptOnAThemedDesktop) {
  EXPECT_EQ(ShadowColor(kGrey, false), RgbColor(190, 190, 190));  // 128 + 0.49 * 127 = 190.2
  EXPECT_EQ(ShadowColor(kGrey, true), kGrey);
}

TEST(ImageEffects, EmbossedShapeHasAHighlightEdgeOnePixelRightAndBelow) {
  constexpr Color F = 0x00C8D0D4;  // button face
  constexpr Color H = 0x00FFFFFF;  // highlight
  constexpr Color S = 0x00808080;  // shadow
  constexpr Color B = 0x00ABCDEF;  // background
  // Shape: the diagonal pixels (0,0) and (1,1); a face pixel and a highlight pixel are not shape.
  PixelImage image(2, 2, F);
  image.At(0, 0) = kBlue;
  image.At(1, 1) = kBlack;
  image.At(0, 1) = H;
  const PixelImage out = Emboss(image, F, H, S, B);
  ASSERT_EQ(out.width, 3);
  ASSERT_EQ(out.height, 3);
  const std::vector<Color> expected = {
      S, B, B,
      B, S, B,  // the shadow of (1,1) covers the highlight of (0,0)
      B, B, H,
  };
  EXPECT_EQ(out.pixels, expected);
}

}  // namespace
}  // namespace tral
