// Reading and writing the data plans' sections of the monitor's INI file.
#include "monitor/plans/win32/plan_store_win32.h"

#include <windows.h>

#include "monitor/settings/win32/settings_store_win32.h"

namespace tral::win32 {

std::vector<PlanReading> ReadPlanFile(const std::string& iniPath) {
  PrivateProfileLookup file(iniPath);
  return ReadPlans(file);
}

bool WritePlanChanges(const std::string& iniPath, const std::vector<PlanSectionWrite>& writes) {
  bool written = true;
  for (const PlanSectionWrite& write : writes) written = ReplaceIniSection(iniPath, write.section, write.values) && written;
  return written;
}

bool WritePlanAlerted(const std::string& iniPath, const std::string& section, const PlanAlerted& alerted) {
  return ::WritePrivateProfileStringA(section.c_str(), kPlanAlertedKey, PlanAlertedText(alerted).c_str(),
                                      iniPath.c_str()) != FALSE;
}

}  // namespace tral::win32
