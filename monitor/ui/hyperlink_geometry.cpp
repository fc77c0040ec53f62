// The underline of a link label.
#include "monitor/ui/hyperlink_geometry.h"

#include <algorithm>

namespace tral {

namespace {

constexpr std::uint32_t kStyleCenter = 0x1;
constexpr std::uint32_t kStyleRight = 0x2;

}  // namespace

LabelAlignment LabelAlignmentFromStyle(std::uint32_t style) {
  if (style & kStyleRight) return LabelAlignment::kRight;
  if (style & kStyleCenter) return LabelAlignment::kCenter;
  return LabelAlignment::kLeft;
}

UnderlineSpan UnderlineFor(LabelAlignment alignment, int clientRight, int clientBottom, int textWidth) {
  UnderlineSpan span;
  span.y = clientBottom - 1;
  switch (alignment) {
    case LabelAlignment::kRight:
      span.fromX = clientRight - 1;
      span.toX = std::max(0, clientRight - textWidth - 1);
      break;
    case LabelAlignment::kCenter: {
      // Both halves rounded down separately, as the text itself is placed.
      const int halfRight = clientRight / 2;
      const int halfText = textWidth / 2;
      span.fromX = halfRight < halfText ? 0 : halfRight - halfText;
      span.toX = std::min(clientRight, span.fromX + textWidth);
      break;
    }
    case LabelAlignment::kLeft:
      span.fromX = 0;
      span.toX = textWidth;
      break;
  }
  return span;
}

}  // namespace tral
