// The Options dialog's exchange table and the rules of its Keep history field.
#include "monitor/options/options_form.h"

#include "monitor/resources/resource.h"

namespace tral {

void ExchangeOptions(ui::DataExchange& exchange, OptionsForm& form) {
  MonitorSettings& s = form.settings;
  exchange.ComboIndex(IDC_OPT_QUANTITY_UNIT, s.quantity);
  exchange.ComboIndex(IDC_OPT_QUANTITY_DEC, s.quantitydec);
  exchange.ComboIndex(IDC_OPT_SPEED_DEC, s.speeddec);
  exchange.ComboIndex(IDC_OPT_SPEED_UNIT, s.speed);
  exchange.CheckState(IDC_OPT_HIDE_IDLE, s.hideidle);
  exchange.UnsignedNumber(IDC_OPT_IDLE_TIME, s.idletime);
  exchange.CheckState(IDC_OPT_LAUNCH, s.launch);
  exchange.CheckState(IDC_OPT_MINTRAY, s.mintray);
  exchange.RadioIndex(IDC_OPT_PREFER_ACTIVE, s.prefer);
  exchange.UnsignedNumber(IDC_OPT_REFRESH, s.refresh, kOptionsMinRefresh, kOptionsMaxRefresh);
  exchange.CheckState(IDC_OPT_MINCLOSE, s.minclose);
  exchange.UnsignedNumber(IDC_OPT_KEEP_DAYS, form.keepDays, 0, kOptionsMaxKeepDays);
}

bool PrepareKeepHistory(OptionsForm& form) {
  if (form.settings.keepdays == kKeepDaysOff) {
    form.keepDays = 0;
    return false;
  }
  form.keepDays = form.settings.keepdays;
  return true;
}

void AcceptKeepHistory(OptionsForm& form) {
  if (form.settings.keepdays != kKeepDaysOff) form.settings.keepdays = form.keepDays;
}

}  // namespace tral
