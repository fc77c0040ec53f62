// Loading and saving the monitor's settings record in its INI file.
#include "monitor/settings/monitor_settings.h"

#include "shared/names.h"

namespace tral {

namespace {

void ReadBoolField(IniFile& ini, const char* key, std::int32_t& field) {
  field = ReadIniBool(ini, kOptionsSection, key, field != 0) ? 1 : 0;
}

}  // namespace

void LoadSettings(MonitorSettings& s, IniFile& ini, const std::function<bool()>& isAutostartRegistered) {
  // Each key defaults to the field's current value, so a missing key keeps the built-in default.
  ReadBoolField(ini, "hideidle", s.hideidle);
  ReadBoolField(ini, "launch", s.launch);
  ReadBoolField(ini, "mintray", s.mintray);
  s.idletime = ReadIniUInt(ini, kOptionsSection, "idletime", s.idletime);
  s.quantity = ReadIniInt(ini, kOptionsSection, "quantity", s.quantity);
  s.quantitydec = ReadIniInt(ini, kOptionsSection, "quantitydec", s.quantitydec);
  s.speed = ReadIniInt(ini, kOptionsSection, "speed", s.speed);
  s.speeddec = ReadIniInt(ini, kOptionsSection, "speeddec", s.speeddec);
  s.prefer = ReadIniInt(ini, kOptionsSection, "prefer", s.prefer);
  s.refresh = ReadIniUInt(ini, kOptionsSection, "refresh", s.refresh);
  ReadBoolField(ini, "minclose", s.minclose);

  // Read unsigned, so "-5" is a very large number and ends at the upper bound.
  if (s.refresh < kMinRefreshSeconds) s.refresh = kMinRefreshSeconds;
  if (s.refresh > kMaxRefreshSeconds) s.refresh = kMaxRefreshSeconds;
  s.launch = isAutostartRegistered() ? 1 : 0;
}

void SaveSettings(MonitorSettings& s, IniFile& ini, const std::function<bool()>& isAutostartRegistered) {
  // A failed write leaves the old value in the file; the settings in memory stay as they are.
  (void)WriteIniBool(ini, kOptionsSection, "hideidle", s.hideidle != 0);
  (void)WriteIniBool(ini, kOptionsSection, "launch", s.launch != 0);
  (void)WriteIniBool(ini, kOptionsSection, "mintray", s.mintray != 0);
  (void)WriteIniUInt(ini, kOptionsSection, "idletime", s.idletime);
  (void)WriteIniInt(ini, kOptionsSection, "quantity", s.quantity);
  (void)WriteIniInt(ini, kOptionsSection, "quantitydec", s.quantitydec);
  (void)WriteIniInt(ini, kOptionsSection, "speed", s.speed);
  (void)WriteIniInt(ini, kOptionsSection, "speeddec", s.speeddec);
  (void)WriteIniInt(ini, kOptionsSection, "prefer", s.prefer);
  (void)WriteIniUInt(ini, kOptionsSection, "refresh", s.refresh);
  (void)WriteIniBool(ini, kOptionsSection, "minclose", s.minclose != 0);
  s.launch = isAutostartRegistered() ? 1 : 0;
}

}  // namespace tral
