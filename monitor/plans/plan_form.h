// What the dialog that edits one data plan shows and checks: its fields, their entries, the
// exchange table with a clear message per field, and the plan the fields give.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "history/data_plan.h"
#include "monitor/framework/data_exchange.h"

namespace tral {

// Entries of the drop-down lists, index 0 first; the index is what the form holds.
inline constexpr const char* kPlanMatchEntries[] = {"All connections", "One adapter (hardware address)",
                                                    "One IP address", "One network name (SSID)"};
inline constexpr const char* kPlanPeriodEntries[] = {"Every month", "Every week", "Every day", "Once"};
inline constexpr const char* kPlanUnitEntries[] = {"MB", "GB"};
inline constexpr const char* kPlanCountEntries[] = {"Downloaded and uploaded", "Downloaded only", "Uploaded only"};

inline constexpr int kPlanNameChars = 63;
inline constexpr int kPlanDateChars = 10;

// The fields as texts and drop-down indexes, and what the form was opened with.
struct PlanForm {
  std::string section;  // the plan's section; empty for a new plan
  std::string name;
  std::int32_t matchKind = 0;  // kPlanMatchEntries
  std::string matchValue;
  std::int32_t period = 0;  // kPlanPeriodEntries; -1 none chosen
  std::string start;  // YYYY-MM-DD
  std::string end;
  std::string limit;  // in MB or GB, up to two decimals
  std::int32_t limitUnit = 1;  // kPlanUnitEntries
  std::int32_t count = 0;  // kPlanCountEntries
  std::string warn = "80,100";
  // A limit left as it was shown keeps its exact bytes (a fleet's INI may hold any number), and a
  // plan whose counting did not change keeps the alerts it has given in this period.
  std::string shownLimit;
  std::int32_t shownUnit = 1;
  std::uint64_t shownLimitBytes = 0;
  std::optional<DataPlan> opened;
};

// A new plan starting today, every month, 80 and 100 % alerts, counting `suggested` (the connection
// on show, when there is one).
PlanForm NewPlanForm(const CivilDate& today, const ConnectionMatch& suggested);
// What a new plan counts at first: the network name of the connection on show when it has one,
// else its adapter, else all connections.
ConnectionMatch SuggestedMatch(std::string_view adapterKey, std::string_view ssid);
// A plan that is used, or a section with bad values as its texts stand.
PlanForm PlanFormOf(const DataPlan& plan);
PlanForm PlanFormOf(const PlanReading& reading);

// Loading puts the form into the controls. Saving takes them back and checks them in table order;
// the first bad field shows its message and ends the pass. After a pass without failure, `accepted`
// holds the plan the fields give.
void ExchangePlanForm(ui::DataExchange& exchange, PlanForm& form, std::optional<DataPlan>& accepted);

// Whether the match value field is used, and the end field.
inline bool MatchValueEnabled(std::int32_t matchKind) { return matchKind > 0; }
inline bool EndEnabled(std::int32_t period) { return period == 3; }

// A limit typed in MB or GB: digits with up to two decimals after a ".", above 0; the bytes.
std::optional<std::uint64_t> ParseLimit(std::string_view text, std::int32_t unit);
// The limit as the form shows it: in GB from 1 GB on, else in MB, trailing zero decimals dropped.
std::string LimitText(std::uint64_t bytes, std::int32_t& unit);

}  // namespace tral
