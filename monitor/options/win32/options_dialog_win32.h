// The Options dialog: units, decimals, refresh time, preference, idle hiding, start-up, closing,
// minimising and the service's days of history, edited on a copy of the main window's settings.
#pragma once

#include "monitor/settings/monitor_settings.h"
#include "monitor/framework/controls.h"
#include "monitor/framework/dialog.h"
#include "monitor/options/options_form.h"

namespace tral::win32 {

inline constexpr char kOptionsTitle[] = "Options";

class COptionsDialog : public ui::Dialog {
 public:
  COptionsDialog();

  // The record being edited: the caller copies its settings in before DoModal and takes them back
  // after OK. `keepdays` is the service's value, or kKeepDaysOff to switch the Keep history field off.
  MonitorSettings& Settings() { return form_.settings; }

 protected:
  bool OnInitDialog() override;
  void OnCommand(int id, int code, HWND control) override;
  void OnOK() override;
  void DoDataExchange(ui::DataExchange& exchange) override;

 private:
  void FillDropDowns();
  void SetTexts();
  // Takes the controls back and enables the idle time controls to match; nothing changes when a
  // check fails.
  void OnHideIdleClicked();

  ui::ComboBox quantityUnit_;
  ui::ComboBox quantityDecimals_;
  ui::ComboBox speedDecimals_;
  ui::ComboBox speedUnit_;
  OptionsForm form_;
};

}  // namespace tral::win32
