// Deciding the Options command: the dialog's keepdays, the refresh clamp and what OK applies.
#include "monitor/options/options_flow.h"

#include "monitor/options/options_form.h"

namespace tral {

std::uint32_t ServiceKeepDays(std::uint32_t stored) {
  // The service takes the value as signed and prunes only for a positive number of days.
  return static_cast<std::int32_t>(stored) <= 0 ? 0 : stored;
}

std::uint32_t KeepDaysForDialog(std::uint32_t stored, bool serviceIniWritable) {
  return serviceIniWritable ? ServiceKeepDays(stored) : kKeepDaysOff;
}

std::optional<std::uint32_t> KeepDaysToWrite(std::uint32_t fromDialog, std::uint32_t storedNow) {
  if (fromDialog == kKeepDaysOff) return std::nullopt;
  if (fromDialog == ServiceKeepDays(storedNow)) return std::nullopt;
  return fromDialog;
}

std::uint32_t ClampOptionsRefresh(std::uint32_t refresh) {
  return refresh == 0 || refresh > kOptionsMaxRefresh ? kOptionsRefreshFallback : refresh;
}

OptionsOutcome ApplyOptions(const MonitorSettings& current, const MonitorSettings& accepted,
                            std::uint32_t storedKeepDays) {
  OptionsOutcome outcome;
  outcome.settings = accepted;
  outcome.settings.refresh = ClampOptionsRefresh(accepted.refresh);
  outcome.restartRefreshTimer = outcome.settings.refresh != current.refresh;
  outcome.keepDaysToWrite = KeepDaysToWrite(accepted.keepdays, storedKeepDays);
  const bool serviceAlreadyKeeps = accepted.keepdays != kKeepDaysOff && !outcome.keepDaysToWrite;
  outcome.settings.keepdays = serviceAlreadyKeeps ? accepted.keepdays : current.keepdays;
  return outcome;
}

}  // namespace tral
