// The Speed graph window: painting the ring's last minutes and the current figures.
#include "monitor/charts/win32/speed_graph_wnd_win32.h"

#include "monitor/charts/speed_view.h"
#include "monitor/resources/resource.h"

namespace tral::win32 {

namespace {
constexpr char kCaption[] = "Speed graph";
constexpr char kWaiting[] = "Waiting for the first figures";
constexpr int kLineWidth = 2;
}  // namespace

CSpeedGraphWnd::CSpeedGraphWnd(const chart::SpeedRing& ring, const MonitorSettings& settings)
    : ui::Dialog(IDD_SPEED_GRAPH), ring_(ring), settings_(settings), canvas_(*this) {}

bool CSpeedGraphWnd::OnInitDialog() {
  ::SetWindowTextA(Handle(), kCaption);
  dpi_ = WindowDpi(Handle());
  figuresHeight_ = ControlHeight(Handle(), IDC_SPEED_FIGURES);
  canvas_.Subclass(Handle(), IDC_SPEED_CANVAS);
  SetItemText(IDC_SPEED_FIGURES, kWaiting);
  KeepMinimumSize();
  LayOutControls();
  return true;
}

std::optional<LRESULT> CSpeedGraphWnd::OnMessage(UINT message, WPARAM, LPARAM) {
  if (message != WM_SIZE) return std::nullopt;
  LayOutControls();
  return 0;
}

void CSpeedGraphWnd::LayOutControls() {
  LayOutCanvasAndLine(Handle(), IDC_SPEED_CANVAS, IDC_SPEED_FIGURES, figuresHeight_, dpi_);
}

void CSpeedGraphWnd::Update(const MainView& view) {
  if (Handle() == nullptr) return;
  SetItemText(IDC_SPEED_FIGURES, ring_.Size() == 0 ? kWaiting : SpeedFiguresText(view, settings_));
  canvas_.Repaint();
}

void CSpeedGraphWnd::PaintChart(HDC dc, const PixelRect& area) {
  ChartPainter paint(dc, reinterpret_cast<HFONT>(::SendMessageA(Handle(), WM_GETFONT, 0, 0)));
  const chart::SpeedGraphLayout layout =
      chart::LayOutSpeedGraph(SpeedGraphOf(ring_, settings_, area, dpi_), paint.Measure());
  paint.Fill(area, chart::kBackgroundColor);
  paint.Axis(layout.axis, layout.plot);
  paint.Text(layout.unit, chart::kTextColor);
  // The upload line thinner and in front: where both speeds are equal (ping) both stay visible.
  paint.Lines(layout.rxLines, chart::kDownloadColor, ScaleForDpi(kLineWidth, dpi_));
  paint.Lines(layout.txLines, chart::kUploadColor, ScaleForDpi(1, dpi_));
  if (ring_.Size() > 0) {
    for (const chart::PlacedLabel& label : layout.timeLabels) paint.Text(label.label, chart::kTextColor, true);
  }
  paint.Legend(layout.legend);
}

}  // namespace tral::win32
