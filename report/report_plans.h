// traldenreport --plans: each data plan of an INI file as of a day, counted from the day files.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "history/data_plan.h"
#include "history/plan_period.h"
#include "history/statistic_data.h"

namespace tral::report {

struct PlanReportRow {
  std::string name;
  PlanFigures figures;
};

struct PlanReport {
  CivilDate day;
  std::vector<PlanReportRow> plans;  // the plans used, in section order
  std::vector<PlanReading> unused;  // the sections with bad values
  // The day files that ended early (counted as far as readable) or could not be read, with why.
  std::vector<std::pair<CivilDate, DayReadResult>> incompleteDays;
};

// The whole text of the plans file, or the reason it cannot be read.
std::optional<std::string> ReadPlansFile(const std::string& path, std::string& error);

// Every plan of the file's text as of `day`: its days from the period's first through `day`.
PlanReport CountPlans(DayFileSource& files, TextEqualIgnoringCase equal, const std::string& iniText,
                      const CivilDate& day);

}  // namespace tral::report
