// Texts of the live speeds for the tooltip and the speed strip.
#include "monitor/common/speed_readout.h"

#include <algorithm>
#include <limits>

#include "monitor/common/quantity_format.h"

namespace tral {

namespace {
constexpr char kNoFigure[] = "-";
}  // namespace

std::optional<SpeedPair> ShownSpeeds(const MainView& view) {
  // A view without a connection has no speed texts; its rates are 0 but mean nothing.
  if (view.downloadSpeed.empty() && view.uploadSpeed.empty()) return std::nullopt;
  return SpeedPair{view.rxRate, view.txRate};
}

SpeedPair SummedSpeeds(const ConnectionList& list) {
  std::uint64_t rx = 0;
  std::uint64_t tx = 0;
  for (const ConnectionGroup& group : list.Groups()) {
    for (const PublishedRecord& record : group.chain) {
      rx += record.rxRate;
      tx += record.txRate;
    }
  }
  constexpr std::uint64_t kLargest = std::numeric_limits<std::uint32_t>::max();
  return SpeedPair{static_cast<std::uint32_t>(std::min(rx, kLargest)), static_cast<std::uint32_t>(std::min(tx, kLargest))};
}

std::string SpeedWithUnit(std::uint32_t rate, const MonitorSettings& settings) {
  return FormatSpeed(rate, settings) + ' ' + SpeedLabel(settings);
}

std::string TraySpeedLine(const std::optional<SpeedPair>& speeds, const MonitorSettings& settings) {
  if (!speeds) return {};
  return "Download " + SpeedWithUnit(speeds->rx, settings) + ", upload " + SpeedWithUnit(speeds->tx, settings);
}

std::string TrayTipText(const std::string& title, const std::string& speedLine, const std::string& planLine) {
  std::string tip = title;
  for (const std::string* line : {&speedLine, &planLine}) {
    if (!line->empty()) tip += '\n' + *line;
  }
  return tip;
}

StripFigures StripFiguresOf(const std::optional<SpeedPair>& speeds, const MonitorSettings& settings) {
  if (!speeds) return StripFigures{kNoFigure, kNoFigure};
  return StripFigures{SpeedWithUnit(speeds->rx, settings), SpeedWithUnit(speeds->tx, settings)};
}

std::string StripWidthTemplate(const MonitorSettings& settings) {
  // 8888 in the unit: every digit as wide as the widest the font has for figures.
  return FormatDecimals(8888.888888, static_cast<std::uint32_t>(settings.speeddec)) + ' ' + SpeedLabel(settings);
}

std::string StripWindowText(const StripFigures& figures) {
  if (figures.down == kNoFigure && figures.up == kNoFigure) return "Speed strip";
  return "Download " + figures.down + ", upload " + figures.up;
}

}  // namespace tral
