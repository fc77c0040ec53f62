// Formatting and accepting the main window's stored position.
#include "monitor/settings/window_position.h"

#include <limits>

#include "monitor/settings/ini_values.h"
#include "shared/ini_number.h"

namespace tral {

namespace {

std::int32_t WrapAdd(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

std::int32_t WrapSub(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

// x + length without wrapping: a window at the far end of the coordinate range stays there.
std::int32_t SaturatingEnd(std::int32_t start, std::int32_t length) {
  const std::int64_t end = static_cast<std::int64_t>(start) + length;
  if (end > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  if (end < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(end);
}

}  // namespace

std::string WindowPositionText(const WindowRect& rect) {
  return IniIntText(rect.left) + ',' + IniIntText(rect.top) + ',' +
         IniIntText(WrapSub(rect.right, rect.left)) + ',' + IniIntText(WrapSub(rect.bottom, rect.top));
}

std::optional<WindowPoint> ParseWindowPosition(std::string_view text) {
  std::int32_t numbers[4] = {};
  std::size_t start = 0;
  for (int i = 0; i < 4; ++i) {
    if (i > 0) {
      const std::size_t comma = text.find(',', start);
      if (comma == std::string_view::npos) return std::nullopt;
      start = comma + 1;
    }
    numbers[i] = static_cast<std::int32_t>(ParseDecimalWrapping(text.substr(start)));
  }
  const auto [x, y, w, h] = numbers;
  if (!(x < WrapAdd(x, w)) || !(y < WrapAdd(y, h))) return std::nullopt;
  return WindowPoint{x, y};
}

std::optional<WindowPoint> PositionToRestore(std::string_view storedText, const WindowRect& current,
                                             const RectOnAnyMonitor& onAnyMonitor) {
  const std::optional<WindowPoint> point = ParseWindowPosition(storedText);
  if (!point) return std::nullopt;
  const std::int32_t width = WrapSub(current.right, current.left);
  const std::int32_t height = WrapSub(current.bottom, current.top);
  const WindowRect there{point->x, point->y, SaturatingEnd(point->x, width), SaturatingEnd(point->y, height)};
  if (!onAnyMonitor(there)) return std::nullopt;
  return point;
}

}  // namespace tral
