// Control exchange of the dialogs: drop-down lists, check boxes, radio groups and number fields.
#include "monitor/framework/data_exchange.h"

#include <string>

#include "monitor/framework/application.h"
#include "monitor/framework/dialog.h"
#include "monitor/framework/number_entry.h"

namespace tral::ui {

void DataExchange::ComboIndex(int id, std::int32_t& index) {
  if (failed_) return;
  HWND box = dialog_.Item(id);
  if (save_) {
    index = static_cast<std::int32_t>(::SendMessageA(box, CB_GETCURSEL, 0, 0));
  } else {
    ::SendMessageA(box, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  }
}

void DataExchange::CheckState(int id, std::int32_t& value) {
  if (failed_) return;
  HWND box = dialog_.Item(id);
  if (save_) {
    value = ::SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
  } else {
    ::SendMessageA(box, BM_SETCHECK, value != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
  }
}

void DataExchange::RadioIndex(int firstId, std::int32_t& index) {
  if (failed_) return;
  HWND dialog = dialog_.Handle();
  HWND button = dialog_.Item(firstId);
  if (save_) index = -1;
  for (std::int32_t position = 0; button != nullptr; ++position) {
    if (save_) {
      if (::SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED) index = position;
    } else {
      ::SendMessageA(button, BM_SETCHECK, position == index ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    button = ::GetWindow(button, GW_HWNDNEXT);
    if (button == nullptr || (::GetWindowLongA(button, GWL_STYLE) & WS_GROUP) != 0) break;
    if (::GetParent(button) != dialog) break;
  }
}

void DataExchange::UnsignedNumber(int id, std::uint32_t& value) {
  if (failed_) return;
  if (!save_) {
    dialog_.SetItemText(id, std::to_string(value));
    return;
  }
  const auto parsed = ParseUnsignedEntry(dialog_.ItemText(id));
  if (!parsed) {
    Fail(id, kPositiveIntegerMessage);
    return;
  }
  value = *parsed;
}

void DataExchange::UnsignedNumber(int id, std::uint32_t& value, std::uint32_t min, std::uint32_t max) {
  if (failed_) return;
  if (!save_) {
    dialog_.SetItemText(id, std::to_string(value));
    return;
  }
  std::uint32_t typed = value;
  UnsignedNumber(id, typed);
  if (failed_) return;
  if (typed < min || typed > max) {
    Fail(id, RangeMessage(min, max).c_str());
    return;
  }
  value = typed;
}

void DataExchange::Fail(int id, const char* message) {
  failed_ = true;
  ::MessageBoxA(dialog_.Handle(), message, Application::Name(), MB_OK | MB_ICONEXCLAMATION);
  HWND edit = dialog_.Item(id);
  // WM_NEXTDLGCTL moves the focus the way the dialog manager does, default button included.
  ::SendMessageA(dialog_.Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
  ::SendMessageA(edit, EM_SETSEL, 0, -1);
}

}  // namespace tral::ui
