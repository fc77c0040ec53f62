// Reading and writing the live speed read-outs' settings.
#include "monitor/settings/readout_settings.h"

#include <algorithm>
#include <iterator>

#include "shared/names.h"

namespace tral {

std::int32_t KnownStripOpacity(std::int32_t percent) {
  return std::find(std::begin(kStripOpacities), std::end(kStripOpacities), percent) != std::end(kStripOpacities)
             ? percent
             : 100;
}

std::uint8_t OpacityAlpha(std::int32_t percent) {
  return static_cast<std::uint8_t>(std::clamp(percent, 0, 100) * 255 / 100);
}

ReadoutSettings LoadReadoutSettings(IniFile& ini) {
  ReadoutSettings s;
  s.speedIcon = ReadIniBool(ini, kOptionsSection, kSpeedIconKey, s.speedIcon);
  s.speedStrip = ReadIniBool(ini, kOptionsSection, kSpeedStripKey, s.speedStrip);
  s.stripSum = ReadIniBool(ini, kOptionsSection, kStripSumKey, s.stripSum);
  s.stripOpacity = KnownStripOpacity(ReadIniInt(ini, kOptionsSection, kStripOpacityKey, s.stripOpacity));
  return s;
}

bool SaveReadoutSettings(const ReadoutSettings& s, IniFile& ini) {
  bool written = WriteIniBool(ini, kOptionsSection, kSpeedIconKey, s.speedIcon);
  written = WriteIniBool(ini, kOptionsSection, kSpeedStripKey, s.speedStrip) && written;
  written = WriteIniBool(ini, kOptionsSection, kStripSumKey, s.stripSum) && written;
  written = WriteIniInt(ini, kOptionsSection, kStripOpacityKey, s.stripOpacity) && written;
  return written;
}

}  // namespace tral
