// The "Data plans" dialog's list, edited on a copy of the sections read: adding into the first free
// section, editing, removing, each line's text, and what OK writes (Cancel writes nothing).
#pragma once

#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "history/data_plan.h"
#include "monitor/settings/monitor_settings.h"

namespace tral {

// One section to write: its keys and texts; none to delete the section.
struct PlanSectionWrite {
  std::string section;
  std::vector<std::pair<std::string, std::string>> values;
};

class PlanList {
 public:
  explicit PlanList(std::vector<PlanReading> readings) : entries_(std::move(readings)) {}

  const std::vector<PlanReading>& Entries() const { return entries_; }
  bool CanAdd() const { return entries_.size() < static_cast<std::size_t>(kMaxPlans); }
  // Adds a plan in the first section number no plan holds; its place in the list, or nothing when
  // all sixteen are taken.
  std::optional<std::size_t> Add(DataPlan plan);
  void Replace(std::size_t index, DataPlan plan);
  void Remove(std::size_t index);

  // The sections removed (deleted) and those added or edited (deleted, then written whole, so no
  // stale key stays); sections not touched, a bad one included, are not written at all.
  std::vector<PlanSectionWrite> Changes() const;

 private:
  std::vector<PlanReading> entries_;
  std::set<std::string> edited_;
  std::set<std::string> removed_;
};

// A line of the list: "Home: 50 GB every month, adapter:00-1A-2B-3C-4D-5E", or for a section that is
// not used "PLAN3 (Broken): not used, period "weekly" is not month, week, day or once".
std::string PlanListText(const PlanReading& reading, const MonitorSettings& settings);

}  // namespace tral
