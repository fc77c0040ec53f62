// The caption's close-button area and the point of a system command.
#include "monitor/mainwindow/close_button_area.h"

namespace tral {

CloseButtonArea CloseButtonAreaFor(const WindowRect& window, std::int32_t clientWidth, std::int32_t clientHeight) {
  const std::int32_t frame = (window.right - window.left - clientWidth) / 2;  // C++ rounds toward zero
  const std::int32_t chrome = window.bottom - window.top - clientHeight;
  CloseButtonArea area;
  area.left = window.right - 3 - chrome - frame;
  area.top = window.top + 1;
  area.right = window.right - 1;
  area.bottom = window.top - 1 + chrome - frame;
  return area;
}

WindowPoint CommandPointFromLParam(std::intptr_t lParam) {
  const auto bits = static_cast<std::uintptr_t>(lParam);
  return WindowPoint{static_cast<std::int16_t>(bits & 0xFFFFu), static_cast<std::int16_t>((bits >> 16) & 0xFFFFu)};
}

bool IsCloseButtonClick(const WindowRect& window, std::int32_t clientWidth, std::int32_t clientHeight,
                        std::intptr_t lParam) {
  return CloseButtonAreaFor(window, clientWidth, clientHeight).Contains(CommandPointFromLParam(lParam));
}

}  // namespace tral
