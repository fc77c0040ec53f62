// The data plans in the monitor's INI file through the profile functions: reading every section,
// writing what the dialog's OK changed, and the alerts given in a period.
#pragma once

#include <string>
#include <vector>

#include "history/data_plan.h"
#include "monitor/plans/plan_list.h"

namespace tral::win32 {

std::vector<PlanReading> ReadPlanFile(const std::string& iniPath);
// False when a write failed; the sections written before it stay written.
bool WritePlanChanges(const std::string& iniPath, const std::vector<PlanSectionWrite>& writes);
bool WritePlanAlerted(const std::string& iniPath, const std::string& section, const PlanAlerted& alerted);

}  // namespace tral::win32
