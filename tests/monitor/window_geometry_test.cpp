// The link label's underline and the caption's close-button area, from their rectangles.
#include <gtest/gtest.h>

#include "monitor/mainwindow/close_button_area.h"
#include "monitor/ui/hyperlink_geometry.h"

namespace tral {
namespace {

TEST(HyperlinkUnderline, FitsTheTextForEachAlignment) {
  using A = LabelAlignment;
  struct Case {
    A alignment;
    int right;
    int width;
    int fromX;
    int toX;
    const char* what;
  } cases[] = {
      // Right-aligned text ends at the last column: a 50 px text in 200 px covers columns 150..199.
      {A::kRight, 200, 50, 199, 149, "right, fits"},
      {A::kRight, 200, 199, 199, 0, "right, one column to spare"},
      {A::kRight, 200, 200, 199, 0, "right, exactly as wide"},
      {A::kRight, 200, 350, 199, 0, "right, wider: down to 0"},
      {A::kRight, 200, 0, 199, 199, "right, empty text"},
      // Centred: each half rounded down on its own, then the text's width from there.
      {A::kCenter, 200, 50, 75, 125, "centre, even"},
      {A::kCenter, 201, 51, 75, 126, "centre, both odd"},
      {A::kCenter, 200, 51, 75, 126, "centre, odd text"},
      {A::kCenter, 201, 50, 75, 125, "centre, odd control"},
      {A::kCenter, 100, 101, 0, 100, "centre, equal halves, wider by one: stops at the edge"},
      {A::kCenter, 101, 102, 0, 101, "centre, half of text above half of control"},
      {A::kCenter, 100, 300, 0, 100, "centre, much wider"},
      // Left-aligned: exactly the single-line width, even past the edge where the text wraps.
      {A::kLeft, 200, 50, 0, 50, "left, fits"},
      {A::kLeft, 200, 350, 0, 350, "left, wraps"},
  };
  for (const Case& c : cases) {
    const UnderlineSpan line = UnderlineFor(c.alignment, c.right, 24, c.width);
    EXPECT_EQ(line.fromX, c.fromX) << c.what;
    EXPECT_EQ(line.toX, c.toX) << c.what;
    EXPECT_EQ(line.y, 23) << c.what;  // the last pixel row of the client area
  }
}

TEST(HyperlinkUnderline, AlignmentFromTheStaticStyle) {
  struct Case {
    std::uint32_t style;
    LabelAlignment alignment;
  } cases[] = {
      {0x0, LabelAlignment::kLeft},
      {0x1, LabelAlignment::kCenter},
      {0x2, LabelAlignment::kRight},
      {0x3, LabelAlignment::kRight},  // both bits: right wins
      {0x50000101, LabelAlignment::kCenter},  // child, visible, notify, centred
      {0x5000010C, LabelAlignment::kLeft},  // left without word wrap has neither bit
  };
  for (const Case& c : cases) EXPECT_EQ(LabelAlignmentFromStyle(c.style), c.alignment) << std::hex << c.style;
}

TEST(CloseButtonArea, FromWindowAndClientSizes) {
  struct Case {
    WindowRect window;
    std::int32_t clientWidth;
    std::int32_t clientHeight;
    CloseButtonArea area;
  } cases[] = {
      // Frames of 3 px, caption and frames 30 px high.
      {{100, 50, 500, 350}, 394, 270, {464, 51, 499, 76}},
      // An odd width difference: the frame rounds down to 3.
      {{0, 0, 401, 300}, 394, 271, {366, 1, 400, 25}},
      // A monitor left of and above the primary one.
      {{-1600, -900, -1200, -600}, 394, 270, {-1236, -899, -1201, -874}},
  };
  for (const Case& c : cases) {
    const CloseButtonArea a = CloseButtonAreaFor(c.window, c.clientWidth, c.clientHeight);
    EXPECT_EQ(a.left, c.area.left) << c.window.left;
    EXPECT_EQ(a.top, c.area.top) << c.window.left;
    EXPECT_EQ(a.right, c.area.right) << c.window.left;
    EXPECT_EQ(a.bottom, c.area.bottom) << c.window.left;
  }
}

// The lParam of a system command: x in the low word, y in the next, as the system packs them.
std::intptr_t PackPoint(int x, int y) {
  return static_cast<std::intptr_t>((static_cast<std::uint32_t>(y & 0xFFFF) << 16) |
                                    static_cast<std::uint32_t>(x & 0xFFFF));
}

TEST(CloseButtonArea, ClickPointsAreSigned) {
  const WindowRect primary{100, 50, 500, 350};  // area 464..498 x 51..75
  const WindowRect leftAbove{-1600, -900, -1200, -600};  // area -1236..-1202 x -899..-875
  struct Case {
    const WindowRect* window;
    int x;
    int y;
    bool inside;
  } cases[] = {
      {&primary, 480, 60, true},
      {&primary, 464, 51, true},  // top-left corner belongs to it
      {&primary, 498, 75, true},
      {&primary, 499, 60, false},  // right and bottom edges do not
      {&primary, 480, 76, false},
      {&primary, 463, 60, false},
      {&primary, 480, 50, false},
      {&primary, 200, 200, false},
      {&leftAbove, -1220, -890, true},
      {&leftAbove, -1236, -899, true},
      {&leftAbove, -1201, -890, false},
      {&leftAbove, -1220, -874, false},
      {&leftAbove, -1400, -700, false},  // the client area of that window
      {&leftAbove, 480, 60, false},
  };
  for (const Case& c : cases) {
    // Whatever lies above the low 32 bits (a sign-extended parameter, say) does not count.
    const std::intptr_t lParam =
        PackPoint(c.x, c.y) | static_cast<std::intptr_t>(c.y < 0 ? ~std::uintptr_t{0xFFFFFFFFu} : 0);
    const WindowPoint p = CommandPointFromLParam(lParam);
    EXPECT_EQ(p.x, c.x);
    EXPECT_EQ(p.y, c.y);
    EXPECT_EQ(IsCloseButtonClick(*c.window, 394, 270, lParam), c.inside) << c.x << ',' << c.y;
  }
}

}  // namespace
}  // namespace tral
