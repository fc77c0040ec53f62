// Control exchange of the dialogs: drop-down lists, check boxes, radio groups and number fields.
#include "monitor/framework/data_exchange.h"

#include "monitor/framework/number_entry.h"

namespace tral::ui {

void DataExchange::ComboIndex(int id, std::int32_t& index) {
  if (failed_) return;
  if (save_) {
    index = controls_.ComboSelection(id);
  } else {
    controls_.SelectCombo(id, index);
  }
}

void DataExchange::CheckState(int id, std::int32_t& value) {
  if (failed_) return;
  if (save_) {
    value = controls_.IsChecked(id) ? 1 : 0;
  } else {
    controls_.SetChecked(id, value != 0);
  }
}

void DataExchange::RadioIndex(int firstId, std::int32_t& index) {
  if (failed_) return;
  if (save_) {
    index = controls_.CheckedRadio(firstId);
  } else {
    controls_.CheckRadio(firstId, index);
  }
}

void DataExchange::UnsignedNumber(int id, std::uint32_t& value) {
  if (failed_) return;
  if (!save_) {
    controls_.SetText(id, std::to_string(value));
    return;
  }
  const auto parsed = ParseUnsignedEntry(controls_.Text(id));
  if (!parsed) {
    Fail(id, kPositiveIntegerMessage);
    return;
  }
  value = *parsed;
}

void DataExchange::UnsignedNumber(int id, std::uint32_t& value, std::uint32_t min, std::uint32_t max) {
  if (failed_) return;
  if (!save_) {
    controls_.SetText(id, std::to_string(value));
    return;
  }
  std::uint32_t typed = value;
  UnsignedNumber(id, typed);
  if (failed_) return;
  if (typed < min || typed > max) {
    Fail(id, RangeMessage(min, max));
    return;
  }
  value = typed;
}

void DataExchange::Text(int id, std::string& value) {
  if (failed_) return;
  if (save_) {
    value = controls_.Text(id);
  } else {
    controls_.SetText(id, value);
  }
}

void DataExchange::Reject(int id, const std::string& message) {
  if (!failed_) Fail(id, message);
}

void DataExchange::Fail(int id, const std::string& message) {
  failed_ = true;
  controls_.ReportFailure(id, message);
}

}  // namespace tral::ui
