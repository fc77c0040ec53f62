// The counting worker's decisions: running time, change of date, the four actions, save cadence.
//
// The Windows shell owns the kernel objects and waits; after every wake-up it tells the loop why it
// woke, and the loop samples, answers, reconciles or saves through the core verbs. Everything here
// runs natively with a fake network, an in-memory directory and a hand-set clock.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "service/counter_state.h"
#include "shared/civil_date.h"

namespace tral {

inline constexpr std::uint32_t kSamplePeriodMs = 995;  // time-out of the wait
// A wake-up later than this many periods after the previous one (a stall, a sleep, a pause) counts
// as one period of running time.
inline constexpr std::uint32_t kStallPeriods = 10;
inline constexpr std::uint32_t kPassesBetweenSaves = 40;  // the day file is saved above this count of timed passes
// A request is answered from a fresh pass unless the last pass is younger than this; then it gets
// that pass's snapshot. So a flood of requests costs at most one pass per this many ms.
inline constexpr std::uint32_t kMinPassGapMs = 10;
// Where address or route changes cannot be watched, adapters are reconciled this often instead.
inline constexpr std::uint32_t kFallbackReconcileMs = 10000;
// Two saves in a row that fail make "cannot save" an incident.
inline constexpr std::uint32_t kFailedSavesReported = 2;
inline constexpr std::uint32_t kDayMs = 86400000;

enum class WakeReason {
  kStop,
  kRequest,
  kAddressChange,
  kRouteChange,
  kTimeout,
  kSuspending,  // the system is about to sleep
  kResumed,  // the system has woken from sleep
};

// The shared block's owner, as the loop needs it.
class RequestAnswerer {
 public:
  virtual ~RequestAnswerer() = default;
  // Publishes the table into the block and signals the answer, whatever became of the publishing.
  virtual void AnswerRequest(const ConnectionTable& table) = 0;
};

// A finished day whose file could not be written at the change of date: kept in memory and written
// at the next save moment, so that a passing failure does not lose the day.
struct UnsavedDay {
  CivilDate date;
  std::unique_ptr<CounterState> state;  // the day's table and running time
};

struct CountingLoop {
  std::uint32_t samplePeriodMs = kSamplePeriodMs;  // ms between timed passes
  std::uint32_t elapsedMs = 0;  // running time since the start or the last change of date
  std::uint32_t lastTick = 0;  // tick count at the previous wake-up, 0 at the start of a day
  std::uint32_t wakeTick = 0;  // tick count at the previous wake-up, whatever the day
  CivilDate currentDate;  // names the current day file
  std::uint32_t passCount = 0;  // timed passes since the last periodic save
  std::uint32_t lastTimedTick = 0;  // tick of the last timed pass (or the start)
  std::uint32_t lastPassTick = 0;  // tick of the last pass of any kind (or the start)
  std::uint32_t lastReconcileTick = 0;  // tick of the last reconciliation, of whatever cause
  std::uint32_t failedSaves = 0;  // periodic saves in a row that failed
  bool resumed = false;  // the next wake-up ends a pause: it adds one period of running time
  std::vector<UnsavedDay> unsavedDays;
};

// Start: removes interrupted saves, prunes, takes the date, loads today's file with the adapters
// and takes the first baselines.
void StartCounting(CounterState& state, CountingLoop& loop);

// Top of an iteration: the day's running time so far. Returns the wait's time-out in ms: the time
// left until the next timed pass is due, which requests do not put off.
std::uint32_t BeginIteration(CounterState& state, CountingLoop& loop);

// Everything after a wake-up: running time, change of date, then the action of `reason`, then the
// timed pass when one is due (after a time-out or a request). A change to the next day prunes; a
// jump of the date by more than the time that passed, or back, moves to the right day's file
// without pruning.
// `notificationsArmed` tells whether both the address and the route change notifications are being
// watched. Returns false when the loop is to be left.
bool AfterWake(CounterState& state, CountingLoop& loop, WakeReason reason, bool notificationsArmed,
               RequestAnswerer& answerer);

// The worker was held by a pause of the service: the wake-up that ends it counts one period.
void NoteResumed(CountingLoop& loop);

// Leaving: saves today's file (and any day still unsaved), trying for up to kFinalSaveRetryMs while
// another program holds it, and empties the table. False when something counted was not saved.
[[nodiscard]] bool FinishCounting(CounterState& state, CountingLoop& loop);

// Running time of one wake-up: the ticks since the previous one, or one period when the tick count
// wrapped or the gap exceeds kStallPeriods periods.
std::uint32_t RunningTimeIncrement(std::uint32_t lastTick, std::uint32_t now, std::uint32_t periodMs);

}  // namespace tral
