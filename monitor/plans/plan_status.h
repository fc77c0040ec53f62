// The monitor's data plans while it runs: each plan's figures after every poll (its period's past
// days from the day files, read again only when something changed, plus today's live totals), the
// plan of the connection on show, the alerts that are due, and the texts of the field, the tray
// tooltip, the balloons and the status line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "history/plan_usage.h"
#include "monitor/common/connection_list.h"
#include "monitor/settings/monitor_settings.h"

namespace tral {

struct PlanState {
  DataPlan plan;
  PlanFigures figures;
};

// An alert that is due: the thresholds reached for the first time in the period (the highest is
// the one told) and whether the projection went above the limit for the first time.
struct PlanAlert {
  std::vector<std::uint32_t> thresholds;  // ascending
  bool projected = false;
};

class PlanMonitor {
 public:
  explicit PlanMonitor(DayFileSource& files, TextEqualIgnoringCase equal = AsciiEqualIgnoringCase)
      : usage_(files, equal), equal_(equal) {}

  // The sections as read from the INI file: the good ones are watched, the bad ones named.
  void SetPlans(std::vector<PlanReading> readings);
  const std::vector<PlanReading>& Readings() const { return readings_; }

  // The figures of every plan on `today`: the past days of its period from the day files and
  // today's totals of the connections it matches in the service's last snapshot.
  void Update(const CivilDate& today, const ConnectionList& live);
  const std::vector<PlanState>& States() const { return states_; }

  // The first active plan that counts a connection with these texts, or null.
  const PlanState* PlanOf(std::string_view adapterKey, std::string_view ipText, std::string_view ssid) const;

  // What is due for plan `index`: never a threshold or the projection already alerted in the
  // current period. Nothing for an inactive plan.
  std::optional<PlanAlert> DueAlert(std::size_t index) const;
  // Notes the alert as given and returns the plan's alerts of the period to store.
  PlanAlerted NoteAlert(std::size_t index, const PlanAlert& alert);

 private:
  PlanUsage usage_;
  TextEqualIgnoringCase equal_;
  std::vector<PlanReading> readings_;
  std::vector<PlanState> states_;  // one per good section, in section order
  std::vector<DataPlan> plans_;  // the same plans, as the usage cache takes them
};

// A quantity in the window's decimals, in the window's unit (KB or MB) or, while the figure is
// 1024 of it or more, the next larger one (MB, GB, TB): "12.34 GB".
std::string PlanQuantity(std::uint64_t bytes, const MonitorSettings& settings);
// Field 1080: "Home: 12.34 GB of 50.00 GB (24%), 1.61 GB a day left" (used and limit in the
// limit's unit), or "..., limit reached" once the whole limit is used.
std::string PlanFieldText(const PlanState& state, const MonitorSettings& settings);
// The tray tooltip's line: "Home: 24%".
std::string PlanTipText(const PlanState& state);
// The balloon of an alert; NIIF_WARNING-worthy when `IsWarning`.
std::string PlanAlertText(const PlanState& state, const PlanAlert& alert, const MonitorSettings& settings);
bool IsWarning(const PlanAlert& alert);
// The status line's text about the sections that are not used, or empty: the first one with its
// reasons, and how many more there are.
std::string PlanProblemText(const std::vector<PlanReading>& readings);

}  // namespace tral
