// The main window's stored position ("LAYOUT" / "main"): its text and the rule that accepts it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tral {

struct WindowRect {  // screen coordinates, as the window manager reports them
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
};

struct WindowPoint {
  std::int32_t x = 0;
  std::int32_t y = 0;
};

// "%d,%d,%d,%d" of left, top, width and height.
std::string WindowPositionText(const WindowRect& rect);

// The position to move the window to, or none when the text is to be ignored: fewer than three
// commas, or a width or height that is not positive (x < x + w and y < y + h in wrapping 32-bit
// arithmetic). Each number starts at the text's start or after the next comma and is converted like
// an INI number. Only the position is used; the stored size is never applied.
std::optional<WindowPoint> ParseWindowPosition(std::string_view text);

// Whether any part of a screen rectangle lies on one of the monitors attached now.
using RectOnAnyMonitor = std::function<bool(const WindowRect&)>;

// The position to move the window to when it opens: the stored one, but only when the window, at
// its current size, would be at least partly on a monitor there. A position saved on a monitor that
// has since been removed is dropped, and the window keeps its default place.
std::optional<WindowPoint> PositionToRestore(std::string_view storedText, const WindowRect& current,
                                             const RectOnAnyMonitor& onAnyMonitor);

}  // namespace tral
