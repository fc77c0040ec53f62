// Counting the data plans of an INI file over the day files.
#include "report/report_plans.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "history/plan_usage.h"
#include "history/profile_text.h"
#include "shared/saturating_sum.h"

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
  while (text.size() <= kMaxPlansFileBytes && (n = std::fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, n);
  const bool failed = std::ferror(file) != 0;
  const int why = errno;
  std::fclose(file);
  if (failed) {
    error = std::strerror(why);
    return std::nullopt;
  }
  return text;
}

std::optional<std::string> PlansText(const std::string& bytes, std::string (*fromUtf8)(std::string_view),
                                     std::string& error) {
  if (bytes.size() > kMaxPlansFileBytes) {
    error = "it is larger than " + std::to_string(kMaxPlansFileBytes >> 10) + " KB";
    return std::nullopt;
  }
  const std::optional<ProfileFileText> decoded = DecodeProfileFile(bytes, error);
  if (!decoded) return std::nullopt;
  return decoded->unicode ? fromUtf8(decoded->text) : decoded->text;
}

PlanReport CountPlans(const std::vector<DayFolder>& folders, TextEqualIgnoringCase equal,
                      const std::string& iniText, const CivilDate& day) {
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
  // All plans in one pass over each folder's day files: each file is opened once, however many
  // plans count it.
  std::vector<std::uint64_t> used(plans.size(), 0);
  std::vector<PlanPeriod> periods(plans.size());
  for (const DayFolder& folder : folders) {
    PlanUsage usage(*folder.files, equal);
    usage.Update(plans, day, true);
    for (const auto& [date, result] : usage.IncompleteDays()) {
      (result.outcome == DayReadOutcome::kDamaged ? report.damaged : report.unreadable)
          .push_back(FileProblem{date, folder.prefix + DayFileName(date), result.problem});
    }
    for (std::size_t i = 0; i < plans.size(); ++i) {
      periods[i] = usage.Period(i);
      used[i] = SaturatingSum(used[i], usage.FileBytes(i));
    }
  }
  const auto byDate = [](const FileProblem& a, const FileProblem& b) { return a.date < b.date; };
  std::stable_sort(report.damaged.begin(), report.damaged.end(), byDate);
  std::stable_sort(report.unreadable.begin(), report.unreadable.end(), byDate);
  for (std::size_t i = 0; i < plans.size(); ++i) {
    report.plans.push_back(
        PlanReportRow{plans[i].section, plans[i].name, FiguresOf(plans[i], periods[i], day, used[i])});
  }
  return report;
}

PlanAlert AlertOf(const PlanReport& report) {
  PlanAlert alert = PlanAlert::kNone;
  for (const PlanReportRow& row : report.plans) {
    const PlanFigures& f = row.figures;
    if (!f.period.active) continue;
    if (f.usedBytes >= f.limitBytes) return PlanAlert::kLimitReached;
    if (f.projectedBytes > f.limitBytes) alert = PlanAlert::kLimitProjected;
  }
  return alert;
}

}  // namespace tral::report
