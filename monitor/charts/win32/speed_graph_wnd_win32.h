// The Speed graph window: the shown connection's download and upload speed over the last five
// minutes from the main window's ring of samples, scaled to the largest value shown, with the
// current figures as text. Modeless and resizable; it paints only when a sample comes (or the
// system asks), so while it is closed the ring is all it costs.
#pragma once

#include <windows.h>

#include "chart/speed_graph.h"
#include "monitor/charts/win32/chart_canvas_win32.h"
#include "monitor/framework/dialog.h"
#include "monitor/common/connection_selection.h"
#include "monitor/settings/monitor_settings.h"

namespace tral::win32 {

class CSpeedGraphWnd : public ui::Dialog, private ChartCanvas::Listener {
 public:
  // The ring and the settings are the main window's and outlive this window.
  CSpeedGraphWnd(const chart::SpeedRing& ring, const MonitorSettings& settings);

  // A new sample is in the ring (or the settings changed): `view` is what the main window shows.
  void Update(const MainView& view);

 protected:
  bool OnInitDialog() override;
  std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void PaintChart(HDC dc, const PixelRect& area) override;
  void LayOutControls();

  const chart::SpeedRing& ring_;
  const MonitorSettings& settings_;
  ChartCanvas canvas_;
  int dpi_ = 96;
  int figuresHeight_ = 0;  // pixels
};

}  // namespace tral::win32
