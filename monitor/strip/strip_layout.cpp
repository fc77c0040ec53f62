// The speed strip's geometry and placement.
#include "monitor/strip/strip_layout.h"

#include <algorithm>
#include <tuple>

namespace tral {

namespace {

// Pixels at 96 DPI.
constexpr int kPaddingX = 6;
constexpr int kPaddingY = 3;
constexpr int kArrowToText = 3;
constexpr int kBetweenFigures = 12;
constexpr int kEdgeMargin = 8;  // between a strip in its default place and the work area's edges

}  // namespace

StripLayout LayOutStrip(int downTextWidth, int upTextWidth, int textHeight, int dpi) {
  const int padX = ScaleForDpi(kPaddingX, dpi);
  const int padY = ScaleForDpi(kPaddingY, dpi);
  const int gap = ScaleForDpi(kArrowToText, dpi);
  const int between = ScaleForDpi(kBetweenFigures, dpi);
  // The arrows as tall as the figures' digits (about seven tenths of the line), four fifths as wide.
  const int arrowHeight = std::max(5, textHeight * 7 / 10);
  const int arrowWidth = std::max(5, arrowHeight * 4 / 5);
  const int arrowTop = padY + (textHeight - arrowHeight) / 2;

  StripLayout layout;
  layout.height = textHeight + 2 * padY;
  int x = padX;
  for (auto [arrow, text, width] : {std::tuple{&layout.downArrow, &layout.downText, downTextWidth},
                                    std::tuple{&layout.upArrow, &layout.upText, upTextWidth}}) {
    *arrow = PixelRect{x, arrowTop, x + arrowWidth, arrowTop + arrowHeight};
    x += arrowWidth + gap;
    *text = PixelRect{x, padY, x + std::max(0, width), padY + textHeight};
    x = text->right + between;
  }
  layout.width = layout.upText.right + padX;
  return layout;
}

std::array<WindowPoint, 7> ArrowOutline(const PixelRect& box, bool down) {
  const int w = box.Width();
  const int h = box.Height();
  const int shaftLeft = box.left + w / 3;
  const int shaftRight = box.right - w / 3;
  const int headDepth = std::max(2, h * 2 / 5);
  if (down) {
    const int headTop = box.bottom - headDepth;
    return {{{shaftLeft, box.top}, {shaftRight, box.top}, {shaftRight, headTop}, {box.right, headTop},
             {box.left + w / 2, box.bottom}, {box.left, headTop}, {shaftLeft, headTop}}};
  }
  const int headBottom = box.top + headDepth;
  return {{{shaftRight, box.bottom}, {shaftLeft, box.bottom}, {shaftLeft, headBottom}, {box.left, headBottom},
           {box.left + w / 2, box.top}, {box.right, headBottom}, {shaftRight, headBottom}}};
}

WindowPoint KeepInside(const WindowRect& strip, const WindowRect& area) {
  const std::int64_t width = static_cast<std::int64_t>(strip.right) - strip.left;
  const std::int64_t height = static_cast<std::int64_t>(strip.bottom) - strip.top;
  auto place = [](std::int64_t start, std::int64_t length, std::int64_t low, std::int64_t high) {
    // Past the far edge first, then the near edge wins, so a strip larger than the area starts at it.
    if (start + length > high) start = high - length;
    if (start < low) start = low;
    return static_cast<std::int32_t>(start);
  };
  return WindowPoint{place(strip.left, width, area.left, area.right), place(strip.top, height, area.top, area.bottom)};
}

WindowPoint DefaultStripPlace(int width, int height, const WindowRect& workArea, const std::optional<WindowRect>& taskBar,
                              int dpi) {
  WindowRect area = workArea;
  if (taskBar && taskBar->top > area.top && taskBar->top < area.bottom && taskBar->bottom >= area.bottom &&
      taskBar->left < area.right && taskBar->right > area.left) {
    area.bottom = taskBar->top;
  }
  const int margin = ScaleForDpi(kEdgeMargin, dpi);
  const WindowRect wanted{area.right - margin - width, area.bottom - margin - height, area.right - margin,
                          area.bottom - margin};
  return KeepInside(wanted, area);
}

}  // namespace tral
