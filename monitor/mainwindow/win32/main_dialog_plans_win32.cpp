// The main window's data plans: reading them, their figures and alerts after each poll, the plan
// field and tooltip, and the Data plans command.
#include "monitor/mainwindow/win32/main_dialog_win32.h"

#include "history/win32/local_date_win32.h"
#include "monitor/plans/plan_form.h"
#include "monitor/plans/win32/plan_store_win32.h"
#include "monitor/plans/win32/plans_dialog_win32.h"
#include "monitor/settings/win32/settings_store_win32.h"

namespace tral::win32 {

void CMainDlg::LoadPlans() {
  plans_.SetPlans(ReadPlanFile(GetIniPath(false)));
  planProblem_ = PlanProblemText(plans_.Readings());
  ShowStatus();
}

void CMainDlg::RefreshPlans() {
  // Without plans a poll costs nothing more: not even the folder's listing.
  if (!plans_.States().empty()) {
    plans_.Update(TodayLocalDate(), connections_);
    GiveDueAlert();
  }
  ShowPlan();
}

void CMainDlg::GiveDueAlert() {
  // One balloon at a time: the shell would replace one that is up at once.
  if (alertShowing_ && static_cast<std::int32_t>(alertEnds_ - ticks_.Now()) > 0) return;
  alertShowing_ = false;
  for (std::size_t i = 0; i < plans_.States().size(); ++i) {
    const std::optional<PlanAlert> alert = plans_.DueAlert(i);
    if (!alert) continue;
    // Refused by the shell (no notification area yet): not noted, so a later poll tries again.
    const std::string text = PlanAlertText(plans_.States()[i], *alert, settings_);
    if (tray_.ShowAlertBalloon(Handle(), text, IsWarning(*alert)) == FALSE) return;
    const std::string section = plans_.States()[i].plan.section;
    const PlanAlerted alerted = plans_.NoteAlert(i, *alert);
    // Remembered in the plan's section, so that a restart does not tell it again.
    (void)WritePlanAlerted(GetIniPath(false), section, alerted);
    ++planAlerts_;
    alertShowing_ = true;
    alertEnds_ = ticks_.Now() + kBalloonSeconds * 1000;
    return;
  }
}

void CMainDlg::ShowPlan() {
  const PlanState* state = plans_.PlanOf(view_.hardwareAddress, view_.ipText, view_.ssid);
  const std::string text = state != nullptr ? PlanFieldText(*state, settings_) : std::string();
  if (ItemText(IDC_MAIN_PLAN) != text) SetItemText(IDC_MAIN_PLAN, text);
  ShowTrayIcon(state != nullptr ? PlanTipText(*state) : std::string());
}

void CMainDlg::OnPlans() {
  // As with Options: a second command brings the open dialog forward.
  if (openPlans_ != nullptr) {
    if (openPlans_->Handle() != nullptr) ::SetForegroundWindow(openPlans_->Handle());
    return;
  }
  const std::string ini = GetIniPath(false);
  // The sections as the file holds them now, and a new plan counting the connection on show.
  CPlansDialog dialog(ReadPlanFile(ini), settings_, TodayLocalDate(), SuggestedMatch(view_.hardwareAddress, view_.ssid));
  openPlans_ = &dialog;
  const INT_PTR result = dialog.DoModal(Handle());
  openPlans_ = nullptr;
  if (result != IDOK) return;
  (void)WritePlanChanges(ini, dialog.Changes());
  LoadPlans();
  RefreshPlans();
}

}  // namespace tral::win32
