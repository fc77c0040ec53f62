// Counting the data plans of an INI file over the day files.
#include "report/report_plans.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "history/plan_usage.h"
#include "history/profile_text.h"

namespace tral::report {

std::optional<std::string> ReadPlansFile(const std::string& path, std::string& error) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    error = std::strerror(errno);
    return std::nullopt;
  }
  std::string text;
  char chunk[4096];
  std::size_t n = 0;
  while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, n);
  const bool failed = std::ferror(file) != 0;
  const int why = errno;
  std::fclose(file);
  if (failed) {
    error = std::strerror(why);
    return std::nullopt;
  }
  return text;
}

PlanReport CountPlans(DayFileSource& files, TextEqualIgnoringCase equal, const std::string& iniText,
                      const CivilDate& day) {
  PlanReport report;
  report.day = day;
  ProfileText ini(iniText);
  std::vector<DataPlan> plans;
  for (PlanReading& reading : ReadPlans(ini)) {
    if (reading.plan) {
      plans.push_back(*reading.plan);
    } else {
      report.unused.push_back(std::move(reading));
    }
  }
  // All plans in one pass over the day files: each file is opened once, however many plans count it.
  PlanUsage usage(files, equal);
  usage.Update(plans, day, true);
  report.incompleteDays = usage.IncompleteDays();
  for (std::size_t i = 0; i < plans.size(); ++i) {
    report.plans.push_back(PlanReportRow{plans[i].name, FiguresOf(plans[i], usage.Period(i), day, usage.FileBytes(i))});
  }
  return report;
}

}  // namespace tral::report
