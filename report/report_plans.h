// traldenreport --plans: each data plan of an INI file as of a day, counted from the day files.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "history/data_plan.h"
#include "history/plan_period.h"
#include "history/statistic_data.h"
#include "report/report_data.h"

namespace tral::report {

struct PlanReportRow {
  std::string section;  // "PLAN1" .. "PLAN16"
  std::string name;
  PlanFigures figures;
};

struct PlanReport {
  CivilDate day;
  std::vector<PlanReportRow> plans;  // the plans used, in section order
  std::vector<PlanReading> unused;  // the sections with bad values
  // The day files that ended early (counted as far as readable) or could not be read, with why.
  std::vector<FileProblem> damaged;
  std::vector<FileProblem> unreadable;
};

// What the plans' figures say to a task that acts on them: a plan has used its limit, or none has
// but one will pass it at its rate so far (plans outside their days count for neither).
enum class PlanAlert { kNone, kLimitReached, kLimitProjected };
PlanAlert AlertOf(const PlanReport& report);

// A plans file is a few KB; anything larger is not one (and is not read further).
inline constexpr std::size_t kMaxPlansFileBytes = 1u << 20;

// The bytes of the plans file (up to one past kMaxPlansFileBytes), or the reason it cannot be read.
std::optional<std::string> ReadPlansFile(const std::string& path, std::string& error);

// The INI text of a plans file's bytes in the program's own code page (`fromUtf8` converts text
// saved as Unicode to it), or why the bytes are not a plans file.
std::optional<std::string> PlansText(const std::string& bytes, std::string (*fromUtf8)(std::string_view),
                                     std::string& error);

// Every plan of the file's text as of `day`: its days from the period's first through `day`, in
// every folder (their bytes summed, stopping at the largest number).
PlanReport CountPlans(const std::vector<DayFolder>& folders, TextEqualIgnoringCase equal,
                      const std::string& iniText, const CivilDate& day);

}  // namespace tral::report
