// The data plans list of the dialog and the sections its OK writes.
#include "monitor/plans/plan_list.h"

#include <algorithm>

#include "monitor/plans/plan_status.h"
#include "shared/ascii_text.h"

namespace tral {

namespace {

const char* EveryText(PlanRenewal period) {
  switch (period) {
    case PlanRenewal::kMonth: return "every month";
    case PlanRenewal::kWeek: return "every week";
    case PlanRenewal::kDay: return "every day";
    case PlanRenewal::kOnce: return "once";
  }
  return "";
}

}  // namespace

std::optional<std::size_t> PlanList::Add(DataPlan plan) {
  if (!CanAdd()) return std::nullopt;
  for (int number = 1; number <= kMaxPlans; ++number) {
    const std::string section = PlanSectionName(number);
    const bool taken = std::any_of(entries_.begin(), entries_.end(),
                                   [&](const PlanReading& r) { return AsciiEqualIgnoringCase(r.section, section); });
    if (taken) continue;
    plan.section = section;
    removed_.erase(section);  // written whole below, which clears what was there
    edited_.insert(section);
    PlanReading reading{section, std::move(plan), {}, {}};
    reading.values = PlanValues(*reading.plan);
    // The list follows the sections' order, as the main window reads them.
    const auto at = std::find_if(entries_.begin(), entries_.end(), [&](const PlanReading& r) {
      return r.section.size() > section.size() || (r.section.size() == section.size() && r.section > section);
    });
    const auto index = static_cast<std::size_t>(at - entries_.begin());
    entries_.insert(at, std::move(reading));
    return index;
  }
  return std::nullopt;
}

void PlanList::Replace(std::size_t index, DataPlan plan) {
  PlanReading& entry = entries_[index];
  plan.section = entry.section;
  entry.values = PlanValues(plan);
  entry.problems.clear();
  entry.plan = std::move(plan);
  edited_.insert(entry.section);
}

void PlanList::Remove(std::size_t index) {
  const std::string section = entries_[index].section;
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
  edited_.erase(section);
  removed_.insert(section);
}

std::vector<PlanSectionWrite> PlanList::Changes() const {
  std::vector<PlanSectionWrite> writes;
  for (const std::string& section : removed_) writes.push_back(PlanSectionWrite{section, {}});
  for (const PlanReading& entry : entries_) {
    if (edited_.count(entry.section) == 0 || !entry.plan) continue;
    writes.push_back(PlanSectionWrite{entry.section, PlanValues(*entry.plan)});
  }
  return writes;
}

std::string PlanListText(const PlanReading& reading, const MonitorSettings& settings) {
  if (!reading.plan) {
    std::string text = reading.section;
    for (const auto& [key, value] : reading.values) {
      if (key == kPlanNameKey && !value.empty()) text += " (" + value + ")";
    }
    text += ": not used, ";
    for (std::size_t i = 0; i < reading.problems.size(); ++i) text += (i > 0 ? "; " : "") + reading.problems[i].reason;
    return text;
  }
  const DataPlan& plan = *reading.plan;
  return plan.name + ": " + PlanQuantity(plan.limitBytes, settings) + " " + EveryText(plan.period) + ", " +
         ConnectionMatchText(plan.match);
}

}  // namespace tral
