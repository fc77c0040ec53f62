// The Speed graph window: the shown connection's download and upload speed over the last five
// minutes from the main window's ring of samples, or over the last hour or 24 hours from the slot
// files (today's with the live figures since the service's last save), scaled to the largest value
// shown, with the current figures as text. Modeless and resizable; it paints only when a sample
// comes (or the system asks), so while it is closed the ring is all it costs.
#pragma once

#include <windows.h>

#include "chart/speed_graph.h"
#include "monitor/charts/slot_days.h"
#include "monitor/charts/speed_view.h"
#include "monitor/charts/win32/chart_canvas_win32.h"
#include "monitor/framework/dialog.h"
#include "monitor/common/connection_selection.h"
#include "monitor/settings/monitor_settings.h"

namespace tral::win32 {

class CSpeedGraphWnd : public ui::Dialog, private ChartCanvas::Listener {
 public:
  // The ring, the settings, the day files and the live figures are the main window's and outlive
  // this window.
  CSpeedGraphWnd(const chart::SpeedRing& ring, const MonitorSettings& settings, DayFileSource& files,
                 const LiveToday& live);

  // A new sample is in the ring (or the settings changed): `view` is what the main window shows.
  void Update(const MainView& view);
  SpeedRange Range() const { return range_; }

 protected:
  bool OnInitDialog() override;
  void OnCommand(int id, int code, HWND control) override;
  std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void PaintChart(HDC dc, const PixelRect& area) override;
  void LayOutControls();
  chart::SpeedGraphInput GraphInput(const PixelRect& area);

  const chart::SpeedRing& ring_;
  const MonitorSettings& settings_;
  const LiveToday& live_;
  SlotDays slotDays_;
  ChartCanvas canvas_;
  SpeedRange range_ = SpeedRange::kFiveMinutes;
  int dpi_ = 96;
  int figuresHeight_ = 0;  // pixels
};

}  // namespace tral::win32
