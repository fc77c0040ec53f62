// Exchanging dialog controls with members, with the stock checks and messages of number fields.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tral::ui {

// What one exchange pass needs from a dialog's controls. The dialog class gives the real controls;
// the deciding code of a dialog can be exercised over controls held in memory.
class ExchangeControls {
 public:
  virtual ~ExchangeControls() = default;
  // Drop-down list: index of the selected entry, -1 when none.
  virtual int ComboSelection(int id) = 0;
  virtual void SelectCombo(int id, int index) = 0;
  virtual bool IsChecked(int id) = 0;
  virtual void SetChecked(int id, bool checked) = 0;
  // Radio group that starts at `firstId` and runs until the next control that starts a group:
  // the position of the checked button, -1 when none is checked.
  virtual int CheckedRadio(int firstId) = 0;
  virtual void CheckRadio(int firstId, int index) = 0;
  virtual std::string Text(int id) = 0;
  virtual void SetText(int id, std::string_view text) = 0;
  // Shows a failed check's message and gives control `id` the focus with its text selected.
  virtual void ReportFailure(int id, const std::string& message) = 0;
};

// One pass of a dialog's DoDataExchange. Saving takes the controls into the members; loading puts
// the members into the controls. The first failed check shows its message, gives its edit the focus
// with the text selected, and turns every later call of the pass into nothing, so the members after
// it keep their values.
class DataExchange {
 public:
  DataExchange(ExchangeControls& controls, bool save) : controls_(controls), save_(save) {}

  bool Failed() const { return failed_; }

  // Index of the selected drop-down entry (-1 when none).
  void ComboIndex(int id, std::int32_t& index);
  // Check box state: 1 checked, 0 not.
  void CheckState(int id, std::int32_t& value);
  // Index of the checked radio button in the group that starts at `firstId` and runs until the
  // next control with WS_GROUP (-1 when none is checked).
  void RadioIndex(int firstId, std::int32_t& index);
  // Unsigned decimal number; "Please enter a positive integer." when the text is not one.
  void UnsignedNumber(int id, std::uint32_t& value);
  // The same, then "Please enter an integer between <min> and <max>." when outside the range.
  void UnsignedNumber(int id, std::uint32_t& value, std::uint32_t min, std::uint32_t max);

 private:
  void Fail(int id, const std::string& message);

  ExchangeControls& controls_;
  bool save_;
  bool failed_ = false;
};

}  // namespace tral::ui
