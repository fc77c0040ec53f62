// The notification-area icon that shows the speeds: a download and an upload bar side by side on a
// logarithmic scale, laid out in pixels for the size the shell asks for.
#pragma once

#include <cstdint>

#include "monitor/ui/color_effects.h"

namespace tral {

// The scale of the bars, bytes per second: at or below the floor a bar is empty, at or above the
// top it is full, and each tenfold step in between adds the same height.
inline constexpr std::uint32_t kSpeedBarFloor = 1024;  // 1 KB/s
inline constexpr std::uint32_t kSpeedBarTop = 100u * 1024 * 1024;  // 100 MB/s

// Pixels of a bar `fullHeight` high that `rate` fills, rounded to the nearest pixel.
int SpeedBarHeight(std::uint32_t rate, int fullHeight);

// What the icon shows: two filled heights at one size. The icon is drawn again only when this
// changes, so a steady speed costs no drawing at all.
struct SpeedIconBars {
  int width = 0;  // pixels of the icon
  int height = 0;
  int rx = 0;  // filled pixels of the download bar
  int tx = 0;  // filled pixels of the upload bar

  friend bool operator==(const SpeedIconBars&, const SpeedIconBars&) = default;
};

// The bars of an icon of `width` x `height` pixels (the small-icon size at the current DPI).
SpeedIconBars SpeedIconBarsOf(std::uint32_t rxRate, std::uint32_t txRate, int width, int height);

// Full height of the bars in an icon `height` pixels high: all of it less a margin above and below.
int SpeedBarFullHeight(int height);

// The icon's picture: a dark tile, the two bars' empty tracks in dim tones of the charts' download
// and upload colours, and the filled parts in the colours themselves, from the bottom up.
PixelImage DrawSpeedIcon(const SpeedIconBars& bars);

}  // namespace tral
