// The speed strip's geometry: its size and the places of the two arrows and figures at the
// display's resolution, the arrows' outlines, and where the strip goes on the screen.
#pragma once

#include <array>
#include <optional>

#include "monitor/settings/window_position.h"
#include "shared/pixel_geometry.h"

namespace tral {

struct StripLayout {
  int width = 0;  // the whole window, pixels
  int height = 0;
  PixelRect downArrow;
  PixelRect downText;
  PixelRect upArrow;
  PixelRect upText;

  friend bool operator==(const StripLayout&, const StripLayout&) = default;
};

// Lays the strip out around two figures as wide as given (the widths their font measures for the
// wider of the figure and the width template) and as high as the font's lines, at `dpi`.
StripLayout LayOutStrip(int downTextWidth, int upTextWidth, int textHeight, int dpi);

// The arrow in its box: a shaft with a head at the bottom (down) or at the top (up), as the seven
// corners of one outline, clockwise from the shaft's end.
std::array<WindowPoint, 7> ArrowOutline(const PixelRect& box, bool down);

// The strip moved, as little as it takes, to lie wholly inside `area` (a monitor's work area);
// a strip larger than the area keeps the area's left and top edge.
WindowPoint KeepInside(const WindowRect& strip, const WindowRect& area);

// Where a strip without a stored place opens: in the bottom right corner of the work area, a
// margin away from its edges, and above a task bar at the bottom that the work area still holds
// (a shell that does not reserve its bar's room).
WindowPoint DefaultStripPlace(int width, int height, const WindowRect& workArea, const std::optional<WindowRect>& taskBar,
                              int dpi);

}  // namespace tral
