// Exchanging dialog controls with members, with the stock checks and messages of number fields.
#pragma once

#include <windows.h>

#include <cstdint>

namespace tral::ui {

class Dialog;

// One pass of a dialog's DoDataExchange. Saving takes the controls into the members; loading puts
// the members into the controls. The first failed check shows its message, gives its edit the focus
// with the text selected, and turns every later call of the pass into nothing.
class DataExchange {
 public:
  DataExchange(Dialog& dialog, bool save) : dialog_(dialog), save_(save) {}

  bool Saving() const { return save_; }
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
  void Fail(int id, const char* message);

  Dialog& dialog_;
  bool save_;
  bool failed_ = false;
};

}  // namespace tral::ui
