// The speed icon: bar heights on the logarithmic scale and the icon's pixels.
#include "monitor/common/speed_icon.h"

#include <algorithm>
#include <cmath>

#include "chart/chart_axes.h"

namespace tral {

namespace {

constexpr Color kTileColor = RgbColor(45, 45, 48);

Color ColorOf(chart::Rgb rgb) { return RgbColor(rgb.r, rgb.g, rgb.b); }

// A quarter of the way from the tile to the bar's colour: the empty part of a bar, there to tell the
// two bars apart at no traffic, dim beside the filled part.
Color TrackColor(Color bar) {
  auto mix = [](std::uint8_t tile, std::uint8_t full) {
    return static_cast<std::uint8_t>(tile + (full - tile) / 4);
  };
  return RgbColor(mix(RedOf(kTileColor), RedOf(bar)), mix(GreenOf(kTileColor), GreenOf(bar)),
                  mix(BlueOf(kTileColor), BlueOf(bar)));
}

// One pixel of margin per 16 pixels of icon, at least one.
int MarginOf(int size) { return std::max(1, size / 16); }

}  // namespace

int SpeedBarHeight(std::uint32_t rate, int fullHeight) {
  if (fullHeight <= 0 || rate <= kSpeedBarFloor) return 0;
  if (rate >= kSpeedBarTop) return fullHeight;
  const double share = std::log(static_cast<double>(rate) / kSpeedBarFloor) /
                       std::log(static_cast<double>(kSpeedBarTop) / kSpeedBarFloor);
  return std::clamp(static_cast<int>(std::floor(share * fullHeight + 0.5)), 0, fullHeight);
}

int SpeedBarFullHeight(int height) { return std::max(0, height - 2 * MarginOf(height)); }

SpeedIconBars SpeedIconBarsOf(std::uint32_t rxRate, std::uint32_t txRate, int width, int height) {
  const int full = SpeedBarFullHeight(height);
  return SpeedIconBars{width, height, SpeedBarHeight(rxRate, full), SpeedBarHeight(txRate, full)};
}

PixelImage DrawSpeedIcon(const SpeedIconBars& bars) {
  if (bars.width <= 0 || bars.height <= 0) return PixelImage();
  PixelImage image(bars.width, bars.height, kTileColor);
  const int margin = MarginOf(std::min(bars.width, bars.height));
  const int verticalMargin = MarginOf(bars.height);
  // Two bars of one width inside the margins; what is left between them is the gap.
  const int barWidth = std::max(1, (bars.width - 3 * margin) / 2);
  const int bottom = bars.height - verticalMargin;  // one past the bars' lowest row
  const int full = SpeedBarFullHeight(bars.height);
  struct Bar {
    int left;
    int filled;
    Color color;
  };
  const Bar both[] = {{margin, bars.rx, ColorOf(chart::kDownloadColor)},
                      {bars.width - margin - barWidth, bars.tx, ColorOf(chart::kUploadColor)}};
  for (const Bar& bar : both) {
    const Color track = TrackColor(bar.color);
    for (int y = bottom - full; y < bottom; ++y) {
      const bool filled = y >= bottom - std::clamp(bar.filled, 0, full);
      for (int x = bar.left; x < bar.left + barWidth && x < bars.width; ++x) {
        if (x >= 0 && y >= 0) image.At(x, y) = filled ? bar.color : track;
      }
    }
  }
  return image;
}

}  // namespace tral
