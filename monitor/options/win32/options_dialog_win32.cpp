// The Options dialog: opening, the Hide idle enabling, OK and the exchange with the copy it edits.
#include "monitor/options/win32/options_dialog_win32.h"

#include "monitor/resources/resource.h"

namespace tral::win32 {

namespace {

void LimitText(HWND edit, int characters) { ::SendMessageA(edit, EM_LIMITTEXT, static_cast<WPARAM>(characters), 0); }

}  // namespace

COptionsDialog::COptionsDialog() : ui::Dialog(IDD_OPTIONS) {}

void COptionsDialog::DoDataExchange(ui::DataExchange& exchange) { ExchangeOptions(exchange, form_); }

bool COptionsDialog::OnInitDialog() {
  quantityUnit_ = ui::ComboBox(Item(IDC_OPT_QUANTITY_UNIT));
  quantityDecimals_ = ui::ComboBox(Item(IDC_OPT_QUANTITY_DEC));
  speedDecimals_ = ui::ComboBox(Item(IDC_OPT_SPEED_DEC));
  speedUnit_ = ui::ComboBox(Item(IDC_OPT_SPEED_UNIT));
  // The resource script has no initial list entries: they go in before the first exchange.
  FillDropDowns();

  ui::Dialog::OnInitDialog();  // members into the controls
  OnHideIdleClicked();

  LimitText(Item(IDC_OPT_IDLE_TIME), kIdleTimeChars);
  LimitText(Item(IDC_OPT_REFRESH), kRefreshChars);
  LimitText(Item(IDC_OPT_KEEP_DAYS), kKeepDaysChars);

  if (!PrepareKeepHistory(form_)) {
    EnableItem(IDC_OPT_KEEP_LABEL, false);
    EnableItem(IDC_OPT_KEEP_DAYS, false);
    EnableItem(IDC_OPT_KEEP_UNIT, false);
  }
  UpdateData(false);

  SetTexts();
  CreateTooltips({
      {IDC_OPT_QUANTITY_UNIT, "Unit for data quantity."},
      {IDC_OPT_QUANTITY_DEC, "Data quantity decimation."},
      {IDC_OPT_SPEED_UNIT, "Unit for data transfer speed."},
      {IDC_OPT_SPEED_DEC, "Data speed decimation."},
      {IDC_OPT_REFRESH, "Preview refresh time"},
      {IDC_OPT_PREFER_ACTIVE, "Connection with data changes will be kept on top of the list."},
      {IDC_OPT_PREFER_ADAPTER, "Connection selected by the user will be kept on top of the list."},
      {IDC_OPT_HIDE_IDLE, "Hide connection which has no data changes for a defined period of time."},
      {IDC_OPT_IDLE_TIME,
       "Number of minutes needed to declare connection as unactive and hide it from preview.\n"
       "When any activitiy is detected, connection will automaticaly come back to preview."},
      {IDC_OPT_KEEP_DAYS, "Number of days to keep download/upload history.\nZero means infinity."},
      {IDC_OPT_LAUNCH, "Open TraldenView when I start Windows."},
      {IDC_OPT_MINCLOSE, "Close button has the same function as the minimize button."},
      {IDC_OPT_MINTRAY, "Minimize application to icon in the Windows notification area."},
      {IDOK, "Close the window and save settings."},
      {IDCANCEL, "Close the window without saving settings."},
  });
  return true;
}

void COptionsDialog::FillDropDowns() {
  for (const char* entry : kQuantityUnitEntries) quantityUnit_.AddString(entry);
  for (const char* entry : kDecimalsEntries) quantityDecimals_.AddString(entry);
  for (const char* entry : kDecimalsEntries) speedDecimals_.AddString(entry);
  for (const char* entry : kSpeedUnitEntries) speedUnit_.AddString(entry);
}

void COptionsDialog::SetTexts() {
  ::SetWindowTextA(Handle(), kOptionsTitle);
  SetItemText(IDC_OPT_PRESENTATION_GROUP, "Data presentation");
  SetItemText(IDC_OPT_QUANTITY_LABEL, "Quantity");
  SetItemText(IDC_OPT_QUANTITY_DEC_LABEL, "decimal");
  SetItemText(IDC_OPT_SPEED_LABEL, "Speed");
  SetItemText(IDC_OPT_SPEED_DEC_LABEL, "decimal");
  SetItemText(IDC_OPT_REFRESH_LABEL, "Refresh time");
  SetItemText(IDC_OPT_REFRESH_UNIT, "sec.");
  SetItemText(IDC_OPT_PREFER_GROUP, "Connection prefered on top");
  SetItemText(IDC_OPT_PREFER_ACTIVE, "Active connection");
  SetItemText(IDC_OPT_PREFER_ADAPTER, "Adapter configuration");
  SetItemText(IDC_OPT_HIDE_IDLE, "Hide idle connection");
  SetItemText(IDC_OPT_IDLE_LABEL, "Idle time");
  SetItemText(IDC_OPT_IDLE_UNIT, "min.");
  SetItemText(IDC_OPT_KEEP_LABEL, "Keep history");
  SetItemText(IDC_OPT_KEEP_UNIT, "days");
  SetItemText(IDC_OPT_LAUNCH, "Launch applicatin on start up");
  SetItemText(IDC_OPT_MINCLOSE, "Use close button to minimize application");
  SetItemText(IDC_OPT_MINTRAY, "Minimize to tray icon");
  SetItemText(IDOK, "OK");
  SetItemText(IDCANCEL, "Cancel");
}

void COptionsDialog::OnCommand(int id, int code, HWND control) {
  if (id == IDC_OPT_HIDE_IDLE && code == BN_CLICKED) {
    OnHideIdleClicked();
    return;
  }
  ui::Dialog::OnCommand(id, code, control);
}

void COptionsDialog::OnHideIdleClicked() {
  if (!UpdateData(true)) return;
  const bool enabled = IdleControlsEnabled(form_.settings);
  EnableItem(IDC_OPT_IDLE_LABEL, enabled);
  EnableItem(IDC_OPT_IDLE_TIME, enabled);
  EnableItem(IDC_OPT_IDLE_UNIT, enabled);
}

void COptionsDialog::OnOK() {
  if (!UpdateData(true)) return;  // the message has been shown; the dialog stays open
  AcceptKeepHistory(form_);
  ui::Dialog::OnOK();
}

}  // namespace tral::win32
