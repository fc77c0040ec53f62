// The data plans list and the editor of one plan.
#include "monitor/plans/win32/plans_dialog_win32.h"

#include "monitor/resources/resource.h"

namespace tral::win32 {

namespace {

void LimitText(HWND edit, int characters) { ::SendMessageA(edit, EM_LIMITTEXT, static_cast<WPARAM>(characters), 0); }

template <std::size_t N>
void Fill(HWND combo, const char* const (&entries)[N]) {
  ui::ComboBox box(combo);
  for (const char* entry : entries) box.AddString(entry);
}

}  // namespace

// ---- one plan ----

CPlanEditDialog::CPlanEditDialog(PlanForm form) : ui::Dialog(IDD_PLAN_EDIT), form_(std::move(form)) {}

void CPlanEditDialog::DoDataExchange(ui::DataExchange& exchange) { ExchangePlanForm(exchange, form_, accepted_); }

bool CPlanEditDialog::OnInitDialog() {
  // The resource script has no list entries: they go in before the first exchange.
  Fill(Item(IDC_PLAN_MATCH_KIND), kPlanMatchEntries);
  Fill(Item(IDC_PLAN_PERIOD), kPlanPeriodEntries);
  Fill(Item(IDC_PLAN_LIMIT_UNIT), kPlanUnitEntries);
  Fill(Item(IDC_PLAN_COUNT), kPlanCountEntries);
  LimitText(Item(IDC_PLAN_NAME), kPlanNameChars);
  LimitText(Item(IDC_PLAN_START), kPlanDateChars);
  LimitText(Item(IDC_PLAN_END), kPlanDateChars);
  ui::Dialog::OnInitDialog();  // the form into the controls
  EnableFields();
  ::SetWindowTextA(Handle(), kPlanEditTitle);
  CreateTooltips({
      {IDC_PLAN_NAME, "The plan's name, shown in the main window, the tray icon's tooltip and the alerts."},
      {IDC_PLAN_MATCH_KIND, "Which connections count against the plan."},
      {IDC_PLAN_MATCH_VALUE, "The hardware address, IP address or network name, as the main window shows it."},
      {IDC_PLAN_PERIOD, "How the plan renews: each month on the billing day, each week on the first day's "
                        "weekday, each day, or not at all."},
      {IDC_PLAN_START, "Every month: its day is the billing day. Every week: its weekday starts each week. "
                       "Once: the first day."},
      {IDC_PLAN_END, "The last day of a plan that runs once."},
      {IDC_PLAN_LIMIT, "The allowance per period, in MB or GB with up to two decimals."},
      {IDC_PLAN_COUNT, "What counts against the limit."},
      {IDC_PLAN_WARN, "Percentages of the limit at which a balloon tells you, for example 80,100."},
      {IDOK, "Take the plan into the list."},
      {IDCANCEL, "Close the window and leave the plan as it was."},
  });
  return true;
}

void CPlanEditDialog::EnableFields() {
  const int kind = ui::ComboBox(Item(IDC_PLAN_MATCH_KIND)).CurSel();
  const int period = ui::ComboBox(Item(IDC_PLAN_PERIOD)).CurSel();
  EnableItem(IDC_PLAN_MATCH_VALUE_LABEL, MatchValueEnabled(kind));
  EnableItem(IDC_PLAN_MATCH_VALUE, MatchValueEnabled(kind));
  EnableItem(IDC_PLAN_END_LABEL, EndEnabled(period));
  EnableItem(IDC_PLAN_END, EndEnabled(period));
}

void CPlanEditDialog::OnCommand(int id, int code, HWND control) {
  if ((id == IDC_PLAN_MATCH_KIND || id == IDC_PLAN_PERIOD) && code == CBN_SELCHANGE) {
    EnableFields();
    return;
  }
  ui::Dialog::OnCommand(id, code, control);
}

// ---- the list ----

CPlansDialog::CPlansDialog(std::vector<PlanReading> readings, const MonitorSettings& settings, const CivilDate& today,
                           ConnectionMatch suggested)
    : ui::Dialog(IDD_PLANS),
      list_(std::move(readings)),
      settings_(settings),
      today_(today),
      suggested_(std::move(suggested)) {}

bool CPlansDialog::OnInitDialog() {
  ui::Dialog::OnInitDialog();
  plans_ = ui::ListBox(Item(IDC_PLANS_LIST));
  ::SetWindowTextA(Handle(), kPlansTitle);
  CreateTooltips({
      {IDC_PLANS_LIST, "The data plans; a plan that is not used says why."},
      {IDC_PLANS_ADD, "Add a data plan (at most 16)."},
      {IDC_PLANS_EDIT, "Change the chosen plan."},
      {IDC_PLANS_REMOVE, "Remove the chosen plan."},
      {IDOK, "Close the window and save the plans."},
      {IDCANCEL, "Close the window without saving the plans."},
  });
  FillList(0);
  return true;
}

void CPlansDialog::FillList(int select) {
  plans_.ResetContent();
  for (const PlanReading& entry : list_.Entries()) plans_.AddString(PlanListText(entry, settings_).c_str());
  if (select >= plans_.Count()) select = plans_.Count() - 1;
  plans_.SetCurSel(select);
  ShowSelection();
}

void CPlansDialog::ShowSelection() {
  const int selected = plans_.CurSel();
  const bool any = selected >= 0 && selected < static_cast<int>(list_.Entries().size());
  EnableItem(IDC_PLANS_EDIT, any);
  EnableItem(IDC_PLANS_REMOVE, any);
  EnableItem(IDC_PLANS_ADD, list_.CanAdd());
  // The whole line, wrapped: a long reason does not fit the list's width.
  SetItemText(IDC_PLANS_DETAIL, any ? PlanListText(list_.Entries()[static_cast<std::size_t>(selected)], settings_) : "");
}

std::optional<DataPlan> CPlansDialog::Edit(PlanForm form) {
  CPlanEditDialog editor(std::move(form));
  if (editor.DoModal(Handle()) != IDOK) return std::nullopt;
  return editor.Accepted();
}

void CPlansDialog::OnAdd() {
  if (!list_.CanAdd()) return;
  std::optional<DataPlan> plan = Edit(NewPlanForm(today_, suggested_));
  if (!plan) return;
  if (const std::optional<std::size_t> index = list_.Add(std::move(*plan))) FillList(static_cast<int>(*index));
}

void CPlansDialog::OnEdit() {
  const int selected = plans_.CurSel();
  if (selected < 0 || selected >= static_cast<int>(list_.Entries().size())) return;
  const auto index = static_cast<std::size_t>(selected);
  std::optional<DataPlan> plan = Edit(PlanFormOf(list_.Entries()[index]));
  if (!plan) return;
  list_.Replace(index, std::move(*plan));
  FillList(selected);
}

void CPlansDialog::OnRemove() {
  const int selected = plans_.CurSel();
  if (selected < 0 || selected >= static_cast<int>(list_.Entries().size())) return;
  list_.Remove(static_cast<std::size_t>(selected));
  FillList(selected);
}

void CPlansDialog::OnCommand(int id, int code, HWND control) {
  switch (id) {
    case IDC_PLANS_ADD:
      OnAdd();
      return;
    case IDC_PLANS_EDIT:
      OnEdit();
      return;
    case IDC_PLANS_REMOVE:
      OnRemove();
      return;
    case IDC_PLANS_LIST:
      if (code == LBN_SELCHANGE) ShowSelection();
      if (code == LBN_DBLCLK) OnEdit();
      return;
    default:
      ui::Dialog::OnCommand(id, code, control);
  }
}

}  // namespace tral::win32
