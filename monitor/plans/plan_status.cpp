// The data plans' figures after each poll, the alerts due, and their texts.
#include "monitor/plans/plan_status.h"

#include <algorithm>
#include <cmath>

#include "monitor/common/quantity_format.h"
#include "shared/saturating_sum.h"
#include "shared/text_field.h"

namespace tral {

namespace {

constexpr const char* kUnitLabels[] = {"KB", "MB", "GB", "TB"};

// The unit for a figure: from the window's own unit up while the figure is 1024 of it or more.
int UnitFor(std::uint64_t bytes, const MonitorSettings& settings) {
  int unit = settings.quantity == 0 ? 0 : 1;
  while (unit < 3 && bytes >= (std::uint64_t{1} << (10 * (unit + 2)))) ++unit;
  return unit;
}

std::string InUnit(std::uint64_t bytes, int unit, const MonitorSettings& settings) {
  return FormatDecimals(std::ldexp(static_cast<double>(bytes), -10 * (unit + 1)),
                        static_cast<std::uint32_t>(settings.quantitydec)) +
         " " + kUnitLabels[unit];
}

std::string Percent(std::uint64_t percent) { return std::to_string(percent) + "%"; }

}  // namespace

void PlanMonitor::SetPlans(std::vector<PlanReading> readings) {
  readings_ = std::move(readings);
  states_.clear();
  plans_.clear();
  for (const PlanReading& reading : readings_) {
    if (!reading.plan) continue;
    states_.push_back(PlanState{*reading.plan, {}});
    plans_.push_back(*reading.plan);
  }
}

void PlanMonitor::Update(const CivilDate& today, const ConnectionList& live) {
  usage_.Update(plans_, today, false);
  for (std::size_t i = 0; i < states_.size(); ++i) {
    PlanState& state = states_[i];
    const PlanPeriod& period = usage_.Period(i);
    std::uint64_t used = usage_.FileBytes(i);
    // Today's totals come from the service's snapshot, which holds every connection with traffic
    // today; today's day file would lag behind it by up to one save.
    if (period.first <= today && today <= period.last) {
      for (const ConnectionGroup& group : live.Groups()) {
        for (const PublishedRecord& record : group.chain) {
          if (!PlanCounts(state.plan, FieldText(record.adapterKey), FieldText(record.ipText), FieldText(record.ssid),
                          equal_)) {
            continue;
          }
          const std::uint64_t counted = CountedBytes(state.plan.count, record.rxTotal, record.txTotal);
          used = SaturatingSum(used, counted);
        }
      }
    }
    state.figures = FiguresOf(state.plan, period, today, used);
  }
}

const PlanState* PlanMonitor::PlanOf(std::string_view adapterKey, std::string_view ipText,
                                     std::string_view ssid) const {
  if (adapterKey.empty()) return nullptr;  // no connection on show
  for (const PlanState& state : states_) {
    if (state.figures.period.active && PlanCounts(state.plan, adapterKey, ipText, ssid, equal_)) return &state;
  }
  return nullptr;
}

std::optional<PlanAlert> PlanMonitor::DueAlert(std::size_t index) const {
  const PlanState& state = states_[index];
  const PlanFigures& f = state.figures;
  if (!f.period.active) return std::nullopt;
  const bool thisPeriod = state.plan.alerted && state.plan.alerted->periodStart == f.period.first;
  const PlanAlerted given = thisPeriod ? *state.plan.alerted : PlanAlerted{};
  PlanAlert alert;
  for (const std::uint32_t threshold : state.plan.warn) {
    const bool told = std::find(given.thresholds.begin(), given.thresholds.end(), threshold) != given.thresholds.end();
    if (!told && ReachesPercent(f.usedBytes, f.limitBytes, threshold)) alert.thresholds.push_back(threshold);
  }
  alert.projected = !given.projected && f.projectedBytes > f.limitBytes;
  if (alert.thresholds.empty() && !alert.projected) return std::nullopt;
  return alert;
}

PlanAlerted PlanMonitor::NoteAlert(std::size_t index, const PlanAlert& alert) {
  DataPlan& plan = states_[index].plan;
  const CivilDate first = states_[index].figures.period.first;
  PlanAlerted alerted = plan.alerted && plan.alerted->periodStart == first ? *plan.alerted : PlanAlerted{first, {}, false};
  alerted.thresholds.insert(alerted.thresholds.end(), alert.thresholds.begin(), alert.thresholds.end());
  std::sort(alerted.thresholds.begin(), alerted.thresholds.end());
  alerted.thresholds.erase(std::unique(alerted.thresholds.begin(), alerted.thresholds.end()), alerted.thresholds.end());
  alerted.projected = alerted.projected || alert.projected;
  plan.alerted = alerted;
  // The dialog opens on the readings: they carry the same state.
  for (PlanReading& reading : readings_) {
    if (reading.plan && reading.section == plan.section) reading.plan->alerted = alerted;
  }
  return alerted;
}

std::string PlanQuantity(std::uint64_t bytes, const MonitorSettings& settings) {
  return InUnit(bytes, UnitFor(bytes, settings), settings);
}

std::string PlanFieldText(const PlanState& state, const MonitorSettings& settings) {
  const PlanFigures& f = state.figures;
  const int unit = UnitFor(f.limitBytes, settings);
  std::string text = state.plan.name + ": " + InUnit(f.usedBytes, unit, settings) + " of " +
                     InUnit(f.limitBytes, unit, settings) + " (" + Percent(f.percent) + "), ";
  if (f.usedBytes >= f.limitBytes) return text + "limit reached";
  return text + PlanQuantity(f.allowanceBytes, settings) + " a day left";
}

std::string PlanTipText(const PlanState& state) { return state.plan.name + ": " + Percent(state.figures.percent); }

bool IsWarning(const PlanAlert& alert) {
  return (!alert.thresholds.empty() && alert.thresholds.back() >= 100) || (alert.thresholds.empty() && alert.projected);
}

std::string PlanAlertText(const PlanState& state, const PlanAlert& alert, const MonitorSettings& settings) {
  const PlanFigures& f = state.figures;
  const std::string limit = PlanQuantity(f.limitBytes, settings);
  const std::string until = DateText(f.period.last);
  std::string text;
  if (!alert.thresholds.empty()) {
    const std::uint32_t threshold = alert.thresholds.back();
    text = state.plan.name + ": " + Percent(threshold) + " of " + limit + " used (" + PlanQuantity(f.usedBytes, settings) +
           "); ";
    text += f.usedBytes >= f.limitBytes ? std::string("the limit is reached")
                                        : PlanQuantity(f.allowanceBytes, settings) + " a day left until " + until;
  }
  if (alert.projected) {
    if (!text.empty()) text += "\n";
    text += state.plan.name + ": at this rate " + PlanQuantity(f.projectedBytes, settings) + " by " + until +
            ", above the limit of " + limit;
  }
  return text;
}

std::string PlanProblemText(const std::vector<PlanReading>& readings) {
  std::size_t unused = 0;
  std::string first;
  for (const PlanReading& reading : readings) {
    if (reading.plan) continue;
    if (unused++ == 0) first = UnusedPlanText(reading);
  }
  if (unused == 0) return {};
  first[0] = 'T';  // "The data plan ..."
  if (unused > 1) first += " (and " + std::to_string(unused - 1) + " more)";
  return first;
}

}  // namespace tral
