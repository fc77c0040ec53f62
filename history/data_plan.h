// A data plan: an allowance of bytes per period on the connections it matches, as one INI section
// "[PLAN1]" to "[PLAN16]" holds it; reading a section with every bad value and its reason, and the
// key texts a plan is written as.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "history/connection_match.h"
#include "history/profile_text.h"
#include "shared/civil_date.h"

namespace tral {

inline constexpr int kMaxPlans = 16;
inline constexpr std::size_t kMaxPlanNameChars = 63;

enum class PlanRenewal { kMonth, kWeek, kDay, kOnce };
enum class PlanCount { kBoth, kReceived, kSent };

// The keys of a plan's section, in the order they are written.
inline constexpr const char* kPlanNameKey = "name";
inline constexpr const char* kPlanMatchKey = "match";
inline constexpr const char* kPlanPeriodKey = "period";
inline constexpr const char* kPlanStartKey = "start";
inline constexpr const char* kPlanEndKey = "end";
inline constexpr const char* kPlanLimitKey = "limit";
inline constexpr const char* kPlanCountKey = "count";
inline constexpr const char* kPlanWarnKey = "warn";
inline constexpr const char* kPlanAlertedKey = "alerted";

// The alerts already given in one period: "<period's first day>:<thresholds>", the word
// "projected" among the thresholds once the projection alert was given.
struct PlanAlerted {
  CivilDate periodStart;
  std::vector<std::uint32_t> thresholds;  // ascending, each once
  bool projected = false;

  friend bool operator==(const PlanAlerted&, const PlanAlerted&) = default;
};

struct DataPlan {
  std::string section;  // "PLAN1" .. "PLAN16"
  std::string name;  // 1 to 63 characters
  ConnectionMatch match;
  PlanRenewal period = PlanRenewal::kMonth;
  CivilDate start;  // month: its day is the billing day; week: its weekday starts each week; once: first day
  CivilDate end;  // once: the last day
  std::uint64_t limitBytes = 0;  // per period, > 0
  PlanCount count = PlanCount::kBoth;
  std::vector<std::uint32_t> warn{80, 100};  // alert thresholds in percent, ascending, each once
  std::optional<PlanAlerted> alerted;

  friend bool operator==(const DataPlan&, const DataPlan&) = default;
};

struct PlanProblem {
  std::string key;
  std::string reason;  // e.g. "period \"fortnight\" is not month, week, day or once"
};

// What one section gave: a plan to use, or the reasons it is not used (every bad value), and the
// texts found, so that a dialog can show a bad section as it stands.
struct PlanReading {
  std::string section;
  std::optional<DataPlan> plan;
  std::vector<PlanProblem> problems;
  std::vector<std::pair<std::string, std::string>> values;  // key, text as found, in key order
};

// "PLAN1" for 1 .. "PLAN16" for 16.
std::string PlanSectionName(int number);

// Reads one section. A missing `count` is "both", a missing `warn` "80,100"; every other key but
// `end` (for a plan that is not "once") and `alerted` must be there. A bad `alerted` text is taken
// as no alerts given.
PlanReading ReadPlan(ProfileLookup& file, const std::string& section);
// The sections "[PLAN1]" to "[PLAN16]" that hold any key of a plan, in that order.
std::vector<PlanReading> ReadPlans(ProfileLookup& file);

// Why a section is not used: "the data plan PLAN3 ("Broken") is not used: <reason>; <reason>".
std::string UnusedPlanText(const PlanReading& reading);

// The texts of the period, count and alerted keys, and a whole plan as the keys and texts it is
// written as (in key order; `end` for "once" only, `alerted` when there is one).
const char* PlanRenewalText(PlanRenewal period);
const char* PlanCountText(PlanCount count);
std::string PlanAlertedText(const PlanAlerted& alerted);
std::vector<std::pair<std::string, std::string>> PlanValues(const DataPlan& plan);

// Percentages as written in `warn`: whole numbers from 1 to 1000 joined by commas (blanks around
// them allowed, the empty text for none); ascending and each once after reading. Nothing when the
// text is not such a list.
std::optional<std::vector<std::uint32_t>> ParseThresholds(std::string_view text);
// A `limit` text: a whole number of bytes above 0, digits only.
std::optional<std::uint64_t> ParseLimitBytes(std::string_view text);
std::string ThresholdsText(const std::vector<std::uint32_t>& thresholds);

}  // namespace tral
