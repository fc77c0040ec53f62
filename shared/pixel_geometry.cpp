// Pixel figures scaled to the display's resolution.
#include "shared/pixel_geometry.h"

#include <cstdint>

namespace tral {

namespace {
constexpr int kBaseDpi = 96;
}  // namespace

int ScaleForDpi(int pixelsAt96, int dpi) {
  if (dpi <= 0 || dpi == kBaseDpi) return pixelsAt96;
  const std::int64_t product = static_cast<std::int64_t>(pixelsAt96) * dpi;
  const std::int64_t half = kBaseDpi / 2;
  return static_cast<int>(product >= 0 ? (product + half) / kBaseDpi : -((-product + half) / kBaseDpi));
}

}  // namespace tral
