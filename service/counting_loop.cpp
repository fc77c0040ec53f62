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

// A change to the next day, or by as many days as really passed while the system slept (the tick
// count goes on during sleep), against a clock set wrong or put right.
bool IsOrdinaryDateChange(std::int64_t days, std::uint32_t gapMs) {
  return days == 1 || (days > 1 && gapMs / kDayMs >= days - 1);
}

void ChangeDate(CounterState& state, CountingLoop& loop, const CivilDate& today, std::uint32_t gapMs) {
  // The old day's file under the old date; a save that fails twice keeps the old day's table aside
  // instead of letting the reload below throw it away.
  if (!SaveDayFile(state, loop.currentDate, true) && !SaveDayFile(state, loop.currentDate, true)) {
    auto old = std::make_unique<CounterState>(state.net, state.files, state.clock);
    old->table = std::move(state.table);
    old->dayUptimeMs = state.dayUptimeMs;
    old->incidents = state.incidents;
    old->unreadableKnown = state.unreadableKnown;
    old->unreadableDate = state.unreadableDate;
    old->slotsUnsettled = state.slotsUnsettled;
    old->slotsUnsettledDate = state.slotsUnsettledDate;
    state.table = ConnectionTable();
    ForgetSavedEntryOwners(state);
    loop.unsavedDays.push_back(UnsavedDay{loop.currentDate, std::move(old)});
    ReportIncident(state, Incident::kCannotSave, DayFileName(loop.currentDate) + " could not be saved at the change of date");
  }
  loop.passCount = 0;
  // A clock that jumps years ahead would otherwise take every day file with it: only an ordinary
  // change prunes, and a day that comes back finds its file as it was left.
  if (IsOrdinaryDateChange(DaysFromCivil(today) - DaysFromCivil(loop.currentDate), gapMs)) {
    PruneDayFiles(state);
  } else {
    ReportIncident(state, Incident::kClockJump,
                   "The local date moved from " + DateText(loop.currentDate) + " to " + DateText(today) +
                       "; counting goes on in that day's file and no day files were pruned");
  }
  // A day whose file is still unwritten is written before its date could come back.
  SaveUnsavedDays(loop);
  loop.currentDate = today;
  StartDay(state, loop);
}

void PeriodicSave(CounterState& state, CountingLoop& loop) {
  if (SaveDayFile(state, loop.currentDate, false)) {
    loop.failedSaves = 0;
  } else if (++loop.failedSaves >= kFailedSavesReported) {
    // On failure the totals stay in memory for the next try.
    ReportIncident(state, Incident::kCannotSave, DayFileName(loop.currentDate) + " could not be saved");
  }
  SaveUnsavedDays(loop);
}

// After any sampling pass: the fallback reconciliation where notifications are not watched.
void AfterPass(CounterState& state, CountingLoop& loop, std::uint32_t now, bool notificationsArmed) {
  loop.lastPassTick = now;
  if (!notificationsArmed && now - loop.lastReconcileTick >= kFallbackReconcileMs) {
    ReconcileAdapters(state, false);
    loop.lastReconcileTick = now;
  }
}

// The timed pass, counted towards the periodic save; `sampled` when this wake-up's request has
// taken the sample already.
void TimedPass(CounterState& state, CountingLoop& loop, std::uint32_t now, bool sampled) {
  if (!sampled) SampleCounters(state, false);
  loop.lastTimedTick = now;
  if (++loop.passCount > kPassesBetweenSaves) {
    PeriodicSave(state, loop);
    loop.passCount = 0;
  }
}

// Reads the local date and time together: the date names the day file that passes credit, the time
// the slot they credit within it.
CivilDate ReadLocalTime(CounterState& state) {
  const LocalTime now = state.clock.LocalNow();
  state.slot = SlotOfTimeOfDay(now.hour, now.minute);
  return now.date;
}

// Back from sleep: adapters and their identities are read again (an adapter may be gone, another
// access point joined) and every counter takes a fresh baseline, so that a counter the driver
// restarted meanwhile credits nothing it did not count since.
void ResumeAfterSleep(CounterState& state, CountingLoop& loop, std::uint32_t now) {
  state.unmatchedKeys.clear();
  state.wirelessRefreshCounter = 0;
  ReconcileAdapters(state, false);
  loop.lastReconcileTick = now;
  SampleCounters(state, true);
  loop.lastTimedTick = loop.lastPassTick = now;
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
  loop.currentDate = ReadLocalTime(state);
  loop.passCount = 0;
  loop.resumed = false;
  StartDay(state, loop);
  SampleCounters(state, true);
  loop.wakeTick = loop.lastTimedTick = loop.lastPassTick = state.clock.TickCount();
}

std::uint32_t BeginIteration(CounterState& state, CountingLoop& loop) {
  state.dayUptimeMs = state.savedUptimeMs + loop.elapsedMs;
  const std::uint32_t since = state.clock.TickCount() - loop.lastTimedTick;
  return since >= loop.samplePeriodMs ? 0 : loop.samplePeriodMs - since;
}

bool AfterWake(CounterState& state, CountingLoop& loop, WakeReason reason, bool notificationsArmed,
               RequestAnswerer& answerer) {
  const std::uint32_t now = state.clock.TickCount();
  const std::uint32_t gapMs = now - loop.wakeTick;
  loop.wakeTick = now;
  loop.elapsedMs += loop.resumed ? loop.samplePeriodMs : RunningTimeIncrement(loop.lastTick, now, loop.samplePeriodMs);
  loop.resumed = false;
  loop.lastTick = now;

  const CivilDate today = ReadLocalTime(state);
  if (today != loop.currentDate) ChangeDate(state, loop, today, gapMs);

  const bool timedDue = now - loop.lastTimedTick >= loop.samplePeriodMs;
  bool sampled = false;
  switch (reason) {
    case WakeReason::kStop:
      return false;
    case WakeReason::kRequest:
      // A fresh pass, unless one was taken a moment ago: then its snapshot is the newest there is.
      if (timedDue || now - loop.lastPassTick >= kMinPassGapMs) {
        SampleCounters(state, false);
        sampled = true;
      }
      answerer.AnswerRequest(state.table);
      break;
    case WakeReason::kAddressChange:
    case WakeReason::kRouteChange:
      ReconcileAdapters(state, false);
      loop.lastReconcileTick = now;
      return true;
    case WakeReason::kSuspending:
      // The traffic up to the sleep, on disk before it: the system may never wake up again.
      SampleCounters(state, false);
      AfterPass(state, loop, now, notificationsArmed);
      (void)SaveDayFile(state, loop.currentDate, false);
      return true;
    case WakeReason::kResumed:
      ResumeAfterSleep(state, loop, now);
      return true;
    case WakeReason::kTimeout:
      break;
  }
  if (timedDue) TimedPass(state, loop, now, sampled);
  if (sampled || timedDue) AfterPass(state, loop, now, notificationsArmed);
  return true;
}

void NoteResumed(CountingLoop& loop) { loop.resumed = true; }

bool FinishCounting(CounterState& state, CountingLoop& loop) {
  // The running time up to the stop's wake-up, which has been accounted already.
  state.dayUptimeMs = state.savedUptimeMs + loop.elapsedMs;
  const bool saved = SaveDayFile(state, loop.currentDate, false, kFinalSaveRetryMs);
  if (!saved) {
    ReportIncident(state, Incident::kCannotSave, DayFileName(loop.currentDate) + " could not be saved at the stop");
  }
  SaveUnsavedDays(loop);
  const bool all = saved && loop.unsavedDays.empty();
  state.table.Clear();
  ForgetSavedEntryOwners(state);
  return all;
}

}  // namespace tral
