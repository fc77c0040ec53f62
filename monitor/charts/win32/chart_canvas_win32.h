// The drawing surface of the chart windows: a dialog's owner-drawn static control painted through
// an off-screen bitmap (no flicker while the window is sized), which takes the keyboard and the
// pointer; and the GDI painter of the charts' layout boxes.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "chart/chart_axes.h"
#include "monitor/framework/controls.h"
#include "shared/win32/unique_handle.h"

namespace tral::win32 {

class ChartCanvas : public ui::SubclassedControl {
 public:
  // What the window that shows the canvas does with it.
  class Listener {
   public:
    virtual ~Listener() = default;
    // Paints the whole chart into `dc` (an off-screen bitmap of the canvas' size).
    virtual void PaintChart(HDC dc, const PixelRect& area) = 0;
    virtual void OnPointer(int /*x*/, int /*y*/) {}  // client coordinates of the canvas
    virtual void OnPointerLeft() {}
    // A key pressed while the canvas has the focus; true when it was used.
    virtual bool OnKey(UINT /*key*/) { return false; }
    // Whether Enter goes to OnKey rather than to the dialog.
    virtual bool WantsEnter() const { return false; }
    virtual void OnDoubleClick(int /*x*/, int /*y*/) {}
  };

  explicit ChartCanvas(Listener& listener) : listener_(listener) {}

  // Paints again, at the next paint of the window.
  void Repaint();

  bool OnDrawItem(const DRAWITEMSTRUCT& item) override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  Listener& listener_;
  bool tracking_ = false;  // asked to hear when the pointer leaves
};

// Paints boxes of the charts' layout into a DC in the dialog's font; every pen and brush it makes
// is released when it goes.
class ChartPainter {
 public:
  ChartPainter(HDC dc, HFONT font);
  ~ChartPainter();
  ChartPainter(const ChartPainter&) = delete;
  ChartPainter& operator=(const ChartPainter&) = delete;

  // The font's measure, for the layout.
  chart::TextMeasure Measure() const;

  void Fill(const PixelRect& rect, const chart::Rgb& colour);
  void HorizontalLine(int left, int right, int y, const chart::Rgb& colour);
  void Lines(const std::vector<chart::LinePath>& lines, const chart::Rgb& colour, int width);
  void Text(const chart::TextBox& text, const chart::Rgb& colour, bool centred = false);
  // The grid lines and labels of a value axis across the plot, the zero line darker.
  void Axis(const chart::ValueAxis& axis, const PixelRect& plot);
  void Legend(const std::vector<chart::LegendEntry>& legend);

 private:
  HBRUSH Brush(const chart::Rgb& colour);

  HDC dc_;
  HGDIOBJ previousFont_ = nullptr;
  int previousMode_ = 0;
  int lineHeight_ = 14;
  std::map<COLORREF, UniqueGdiObject> brushes_;
};

// The chart windows' two controls: the canvas fills the client area above a line of text that
// keeps its template height at the bottom, a few pixels from the edges.
int ControlHeight(HWND dialog, int id);
// `sideId`, when given and shown, is a control of its own size (a check box, a drop-down list) at
// the right end of the line, which then ends before it.
void LayOutCanvasAndLine(HWND dialog, int canvasId, int lineId, int lineHeight, int dpi, int sideId = 0);

COLORREF ColourRef(const chart::Rgb& colour);
// The resolution of the window's display, in dots per inch (96 when it cannot be told).
int WindowDpi(HWND window);

}  // namespace tral::win32
