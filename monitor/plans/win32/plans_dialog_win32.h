// The "Data plans" dialog (the list with Add, Edit and Remove) and the dialog that edits one plan,
// both on copies: nothing is written before the list's OK, and its Cancel writes nothing.
#pragma once

#include <optional>
#include <vector>

#include "monitor/framework/controls.h"
#include "monitor/framework/dialog.h"
#include "monitor/plans/plan_form.h"
#include "monitor/plans/plan_list.h"
#include "monitor/settings/monitor_settings.h"

namespace tral::win32 {

inline constexpr char kPlansTitle[] = "Data plans";
inline constexpr char kPlanEditTitle[] = "Data plan";

class CPlanEditDialog : public ui::Dialog {
 public:
  explicit CPlanEditDialog(PlanForm form);
  // The plan the fields gave, after OK.
  const std::optional<DataPlan>& Accepted() const { return accepted_; }

 protected:
  bool OnInitDialog() override;
  void OnCommand(int id, int code, HWND control) override;
  void DoDataExchange(ui::DataExchange& exchange) override;

 private:
  // The match value follows its kind, the last day a plan that runs once.
  void EnableFields();

  PlanForm form_;
  std::optional<DataPlan> accepted_;
};

class CPlansDialog : public ui::Dialog {
 public:
  // `suggested` is what a new plan counts at first: the connection on show.
  CPlansDialog(std::vector<PlanReading> readings, const MonitorSettings& settings, const CivilDate& today,
               ConnectionMatch suggested);
  // What OK writes.
  std::vector<PlanSectionWrite> Changes() const { return list_.Changes(); }

 protected:
  bool OnInitDialog() override;
  void OnCommand(int id, int code, HWND control) override;

 private:
  void FillList(int select);
  void ShowSelection();
  void OnAdd();
  void OnEdit();
  void OnRemove();
  // Runs the editor on `form`; the plan it gave, or nothing after Cancel.
  std::optional<DataPlan> Edit(PlanForm form);

  PlanList list_;
  MonitorSettings settings_;
  CivilDate today_;
  ConnectionMatch suggested_;
  ui::ListBox plans_;
};

}  // namespace tral::win32
