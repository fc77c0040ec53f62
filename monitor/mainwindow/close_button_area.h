// Whether a close command came from a click on the caption's close button.
#pragma once

#include <cstdint>

#include "monitor/settings/window_position.h"

namespace tral {

// Screen rectangle of the close button, worked out from the window's frame and caption sizes.
// A point is inside when left <= x < right and top <= y < bottom.
struct CloseButtonArea {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;

  bool Contains(const WindowPoint& point) const {
    return left <= point.x && point.x < right && top <= point.y && point.y < bottom;
  }
};

// `window` is the window rectangle in screen coordinates, `clientWidth` and `clientHeight` the size
// of its client area. The side frame is half the width difference (rounded toward zero), the caption
// and frames together the height difference.
CloseButtonArea CloseButtonAreaFor(const WindowRect& window, std::int32_t clientWidth, std::int32_t clientHeight);

// The mouse position a system command carries in its lParam: x in the low 16 bits, y in the next 16,
// each a signed number, since a monitor left of or above the primary one has negative coordinates.
WindowPoint CommandPointFromLParam(std::intptr_t lParam);

// The two together: the command's point lies on the close button.
bool IsCloseButtonClick(const WindowRect& window, std::int32_t clientWidth, std::int32_t clientHeight,
                        std::intptr_t lParam);

}  // namespace tral
