// Where a link label's underline goes: fitted to the text's single-line width and its alignment.
#pragma once

#include <cstdint>

namespace tral {

enum class LabelAlignment { kLeft, kCenter, kRight };

// The alignment of a static text control from its style: the right-aligned bit (0x2) wins over the
// centred bit (0x1); neither means left-aligned.
LabelAlignment LabelAlignmentFromStyle(std::uint32_t style);

// A horizontal line from (fromX, y) to (toX, y); the end point itself is not drawn.
struct UnderlineSpan {
  int fromX = 0;
  int toX = 0;
  int y = 0;
};

// The underline of a text `textWidth` pixels wide, measured as one line, in a client area whose
// right edge is `clientRight` and bottom edge `clientBottom`; the line lies on the last pixel row.
// - right-aligned: from the last column leftward past the text's start, ending at 0 at the least
//   when the text is as wide as the control or wider;
// - centred: from the centred text's start (0 when it would start left of the control) across the
//   text, ending at the right edge at the most;
// - left-aligned: from 0 across the text, even when the text wraps into several lines.
UnderlineSpan UnderlineFor(LabelAlignment alignment, int clientRight, int clientBottom, int textWidth);

}  // namespace tral
