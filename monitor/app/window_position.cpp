// Formatting and accepting the main window's stored position.
#include "monitor/app/window_position.h"

#include "monitor/app/ini_values.h"
#include "shared/ini_number.h"

namespace tral {

namespace {

std::int32_t WrapAdd(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

std::int32_t WrapSub(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
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

}  // namespace tral
