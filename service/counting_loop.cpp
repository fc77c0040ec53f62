// The counting worker's loop decisions over the core verbs, free of any operating-system call.
#include "service/counting_loop.h"

#include <utility>

#include "service/day_files.h"
#include "service/sampler.h"

namespace tral {

namespace {

void StartDay(CounterState& state, CountingLoop& loop) {
  loop.samplePeriodMs = kSamplePeriodMs;
  loop.elapsedMs = 0;
  loop.lastTick = 0;
  state.savedUptimeMs = 0;
  // Rebuilds the table from the day's file (which also sets savedUptimeMs) and matches the adapters.
  ReconcileAdapters(state, true);
  loop.lastReconcileTick = state.clock.TickCount();
}

// Writes the days whose file could not be written at their change of date; each one that succeeds
// is dropped from memory.
void SaveUnsavedDays(CountingLoop& loop) {
  std::vector<UnsavedDay>& days = loop.unsavedDays;
  for (std::size_t i = 0; i < days.size();) {
    if (SaveDayFile(*days[i].state, days[i].date, false)) {
      days.erase(days.begin() + static_cast<std::ptrdiff_t>(i));
    } else {
      ++i;
    }
  }
}

void ChangeDate(CounterState& state, CountingLoop& loop, const CivilDate& today) {
  // The old day's file under the old date; a save that fails twice keeps the old day's table aside
  // instead of letting the reload below throw it away.
  if (!SaveDayFile(state, loop.currentDate, true) && !SaveDayFile(state, loop.currentDate, true)) {
    auto old = std::make_unique<CounterState>(state.net, state.files, state.clock);
    old->table = std::move(state.table);
    old->dayUptimeMs = state.dayUptimeMs;
    state.table = ConnectionTable();
    ForgetSavedEntryOwners(state);
    loop.unsavedDays.push_back(UnsavedDay{loop.currentDate, std::move(old)});
  }
  loop.passCount = 0;
  PruneDayFiles(state);
  StartDay(state, loop);
  loop.currentDate = today;
}

// A sampling pass (timed or requested) is counted; more than kPassesBetweenSaves of them, of any
// kind, save the day file. The fallback reconciliation runs here too, after any answer was given.
void AfterPass(CounterState& state, CountingLoop& loop, bool notificationsArmed) {
  ++loop.passCount;
  if (loop.passCount > kPassesBetweenSaves) {
    (void)SaveDayFile(state, loop.currentDate, false);  // on failure the totals stay for the next try
    SaveUnsavedDays(loop);
    loop.passCount = 0;
  }
  if (!notificationsArmed) {
    const std::uint32_t now = state.clock.TickCount();
    if (now - loop.lastReconcileTick >= kFallbackReconcileMs) {
      ReconcileAdapters(state, false);
      loop.lastReconcileTick = now;
    }
  }
}

}  // namespace

std::uint32_t RunningTimeIncrement(std::uint32_t lastTick, std::uint32_t now, std::uint32_t periodMs) {
  if (now < lastTick) return periodMs;  // the tick count wrapped
  const std::uint32_t d = now - lastTick;
  return d > kStallPeriods * periodMs ? periodMs : d;
}

void StartCounting(CounterState& state, CountingLoop& loop) {
  RemoveInterruptedSaves(state.files);
  PruneDayFiles(state);
  loop.currentDate = state.clock.LocalDate();
  loop.passCount = 0;
  loop.resumed = false;
  StartDay(state, loop);
  SampleCounters(state, true);
}

std::uint32_t BeginIteration(CounterState& state, CountingLoop& loop) {
  state.dayUptimeMs = state.savedUptimeMs + loop.elapsedMs;
  return loop.samplePeriodMs;
}

bool AfterWake(CounterState& state, CountingLoop& loop, WakeReason reason, bool notificationsArmed,
               RequestAnswerer& answerer) {
  const std::uint32_t now = state.clock.TickCount();
  loop.elapsedMs += loop.resumed ? loop.samplePeriodMs : RunningTimeIncrement(loop.lastTick, now, loop.samplePeriodMs);
  loop.resumed = false;
  loop.lastTick = now;

  const CivilDate today = state.clock.LocalDate();
  if (today != loop.currentDate) ChangeDate(state, loop, today);

  switch (reason) {
    case WakeReason::kStop:
      return false;
    case WakeReason::kRequest:
      SampleCounters(state, false);
      answerer.AnswerRequest(state.table);
      AfterPass(state, loop, notificationsArmed);
      return true;
    case WakeReason::kAddressChange:
    case WakeReason::kRouteChange:
      ReconcileAdapters(state, false);
      loop.lastReconcileTick = state.clock.TickCount();
      return true;
    case WakeReason::kTimeout:
      SampleCounters(state, false);
      AfterPass(state, loop, notificationsArmed);
      return true;
  }
  return true;
}

void NoteResumed(CountingLoop& loop) { loop.resumed = true; }

void FinishCounting(CounterState& state, CountingLoop& loop) {
  // The running time up to the stop's wake-up, which has been accounted already.
  state.dayUptimeMs = state.savedUptimeMs + loop.elapsedMs;
  (void)SaveDayFile(state, loop.currentDate, false);
  SaveUnsavedDays(loop);
  state.table.Clear();
  ForgetSavedEntryOwners(state);
}

}  // namespace tral
