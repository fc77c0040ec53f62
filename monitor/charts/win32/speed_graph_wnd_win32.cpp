// The Speed graph window: painting the ring's last minutes and the current figures.
#include "monitor/charts/win32/speed_graph_wnd_win32.h"

#include "monitor/charts/speed_view.h"
#include "monitor/resources/resource.h"

namespace tral::win32 {

namespace {
constexpr char kCaption[] = "Speed graph";
constexpr char kWaiting[] = "Waiting for the first figures";
constexpr int kFiguresGap = 2;  // pixels at 96 DPI around the figures line
constexpr int kLineWidth = 2;
}  // namespace

CSpeedGraphWnd::CSpeedGraphWnd(const chart::SpeedRing& ring, const MonitorSettings& settings)
    : ui::Dialog(IDD_SPEED_GRAPH), ring_(ring), settings_(settings), canvas_(*this) {}

bool CSpeedGraphWnd::OnInitDialog() {
  ::SetWindowTextA(Handle(), kCaption);
  dpi_ = WindowDpi(Handle());
  RECT figures{};
  ::GetWindowRect(Item(IDC_SPEED_FIGURES), &figures);
  figuresHeight_ = figures.bottom - figures.top;
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
  RECT client{};
  ::GetClientRect(Handle(), &client);
  const int gap = ScaleForDpi(kFiguresGap, dpi_);
  const int figuresTop = std::max(0, static_cast<int>(client.bottom) - figuresHeight_ - gap);
  ::MoveWindow(Item(IDC_SPEED_CANVAS), 0, 0, client.right, std::max(0, figuresTop - gap), TRUE);
  ::MoveWindow(Item(IDC_SPEED_FIGURES), 2 * gap, figuresTop, std::max(0, static_cast<int>(client.right) - 4 * gap),
               figuresHeight_, TRUE);
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
  const int width = ScaleForDpi(kLineWidth, dpi_);
  paint.Lines(layout.txLines, chart::kUploadColor, width);
  paint.Lines(layout.rxLines, chart::kDownloadColor, width);  // in front: the figure most people watch
  if (ring_.Size() > 0) {
    for (const chart::PlacedLabel& label : layout.timeLabels) paint.Text(label.label, chart::kTextColor, true);
  }
  paint.Legend(layout.legend);
}

}  // namespace tral::win32
