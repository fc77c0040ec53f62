// The dialog class: creation from a template, the modal loop, dispatch to the object, exchange.
#include "monitor/framework/dialog.h"

#include <vector>

#include "monitor/framework/application.h"
#include "monitor/framework/data_exchange.h"

namespace tral::ui {

namespace {
// Marks the windows of this class with their object, so an owner window can be told apart from
// any other window.
constexpr char kDialogProperty[] = "TraldenDialog";

struct OwnedBoxSearch {
  HWND owner;
  std::vector<HWND> boxes;
};

// Collects the system dialogs (message boxes) owned by the searched window that are not ours.
BOOL CALLBACK CollectOwnedMessageBox(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<OwnedBoxSearch*>(param);
  char className[16] = {};
  ::GetClassNameA(window, className, sizeof className);
  if (::GetWindow(window, GW_OWNER) == search->owner && Dialog::FromHandle(window) == nullptr &&
      std::string_view(className) == "#32770") {
    search->boxes.push_back(window);
  }
  return TRUE;
}

// The exchange's view of a dialog's real controls.
class DialogExchangeControls final : public ExchangeControls {
 public:
  explicit DialogExchangeControls(Dialog& dialog) : dialog_(dialog) {}

  int ComboSelection(int id) override {
    return static_cast<int>(::SendMessageA(dialog_.Item(id), CB_GETCURSEL, 0, 0));
  }
  void SelectCombo(int id, int index) override {
    ::SendMessageA(dialog_.Item(id), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  }
  bool IsChecked(int id) override { return ::SendMessageA(dialog_.Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  void SetChecked(int id, bool checked) override {
    ::SendMessageA(dialog_.Item(id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  int CheckedRadio(int firstId) override {
    int index = -1;
    ForEachRadio(firstId, [&](HWND button, int position) {
      if (::SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED) index = position;
    });
    return index;
  }
  void CheckRadio(int firstId, int index) override {
    ForEachRadio(firstId, [&](HWND button, int position) {
      ::SendMessageA(button, BM_SETCHECK, position == index ? BST_CHECKED : BST_UNCHECKED, 0);
    });
  }
  std::string Text(int id) override { return dialog_.ItemText(id); }
  void SetText(int id, std::string_view text) override { dialog_.SetItemText(id, text); }
  void ReportFailure(int id, const std::string& message) override {
    ::MessageBoxA(dialog_.Handle(), message.c_str(), Application::Name().c_str(), MB_OK | MB_ICONEXCLAMATION);
    HWND edit = dialog_.Item(id);
    // WM_NEXTDLGCTL moves the focus the way the dialog manager does, default button included.
    ::SendMessageA(dialog_.Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
    ::SendMessageA(edit, EM_SETSEL, 0, -1);
  }

 private:
  // The buttons of the group in window order, from `firstId` to the next control with WS_GROUP.
  template <typename Visit>
  void ForEachRadio(int firstId, Visit visit) {
    HWND button = dialog_.Item(firstId);
    for (int position = 0; button != nullptr; ++position) {
      visit(button, position);
      button = ::GetWindow(button, GW_HWNDNEXT);
      if (button == nullptr || (::GetWindowLongA(button, GWL_STYLE) & WS_GROUP) != 0) break;
      if (::GetParent(button) != dialog_.Handle()) break;
    }
  }

  Dialog& dialog_;
};

}  // namespace

Dialog::Dialog(int templateId) : templateId_(templateId) {}

Dialog::~Dialog() {
  if (hwnd_ != nullptr) ::DestroyWindow(hwnd_);
}

INT_PTR Dialog::DoModal(HWND owner) {
  if (hwnd_ != nullptr) return -1;  // already running
  modeless_ = false;
  Dialog* parent = owner != nullptr ? FromHandle(owner) : nullptr;
  running_ = true;
  ending_ = false;
  result_ = IDCANCEL;
  // The owner goes disabled before the window exists, so nothing reaches it in between.
  const bool ownerWasEnabled = owner != nullptr && ::IsWindowEnabled(owner);
  if (ownerWasEnabled) ::EnableWindow(owner, FALSE);
  if (parent != nullptr) {
    modalParent_ = parent;
    parent->modalChild_ = this;
  }
  HWND window = ::CreateDialogParamA(Application::Instance(), MAKEINTRESOURCEA(templateId_), owner, DialogProc,
                                     reinterpret_cast<LPARAM>(this));
  if (window == nullptr) {
    running_ = false;
    result_ = -1;
  } else if (!ending_ && !::IsWindowVisible(window)) {
    ::ShowWindow(window, SW_SHOW);
  }

  MSG message;
  while (running_ && !ending_) {
    const BOOL got = ::GetMessageA(&message, nullptr, 0, 0);
    if (got == 0) {  // WM_QUIT: end this loop and hand the quit to the loop outside
      ::PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (got == -1) break;
    if (RouteToModeless(message)) continue;
    if (PreTranslateMessage(message)) continue;
    if (hwnd_ != nullptr && ::IsDialogMessageA(hwnd_, &message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  running_ = false;

  // The owner is enabled before this window goes, so that activation returns to it.
  if (ownerWasEnabled) ::EnableWindow(owner, TRUE);
  if (hwnd_ != nullptr) {
    if (owner != nullptr && ::GetActiveWindow() == hwnd_) ::SetActiveWindow(owner);
    ::DestroyWindow(hwnd_);
  }
  if (parent != nullptr && parent->modalChild_ == this) parent->modalChild_ = nullptr;
  modalParent_ = nullptr;
  return result_;
}

bool Dialog::Create(HWND owner) {
  if (hwnd_ != nullptr) return false;
  modeless_ = true;
  ending_ = false;
  result_ = IDCANCEL;
  HWND window = ::CreateDialogParamA(Application::Instance(), MAKEINTRESOURCEA(templateId_), owner, DialogProc,
                                     reinterpret_cast<LPARAM>(this));
  if (window == nullptr) return false;
  if (!ending_ && !::IsWindowVisible(window)) ::ShowWindow(window, SW_SHOW);
  return hwnd_ != nullptr;
}

bool Dialog::RouteToModeless(MSG& message) {
  if (message.hwnd == nullptr) return false;
  HWND root = ::GetAncestor(message.hwnd, GA_ROOT);
  Dialog* dialog = FromHandle(root);
  if (dialog == nullptr || !dialog->modeless_) return false;
  return dialog->PreTranslateMessage(message) || ::IsDialogMessageA(root, &message) != FALSE;
}

void Dialog::EndDialog(INT_PTR result) {
  if (ending_) return;
  ending_ = true;
  result_ = result;
  OnEnding(result);
  if (modeless_) {
    // No loop of its own to leave: the window goes now (also from inside its own handlers).
    if (hwnd_ != nullptr) ::DestroyWindow(hwnd_);
    return;
  }
  // The loop may be waiting in GetMessage (an ending sent from another thread or process).
  if (hwnd_ != nullptr) ::PostMessageA(hwnd_, WM_NULL, 0, 0);
}

void Dialog::EndModalChildren(INT_PTR result) {
  // Innermost first: each dialog stores what it stores on closing before the one below it.
  std::vector<Dialog*> chain;
  for (Dialog* child = modalChild_; child != nullptr; child = child->modalChild_) chain.push_back(child);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    (*it)->EndDialog(result);
    (*it)->EndOwnedMessageBoxes();
  }
  EndOwnedMessageBoxes();
}

void Dialog::EndOwnedMessageBoxes() {
  if (hwnd_ == nullptr) return;
  // A message box of a failed check runs its own loop inside this dialog's; it is a system dialog
  // of this thread owned by this window, so it can be ended like one.
  OwnedBoxSearch search{hwnd_, {}};
  ::EnumThreadWindows(::GetCurrentThreadId(), CollectOwnedMessageBox, reinterpret_cast<LPARAM>(&search));
  for (HWND box : search.boxes) ::EndDialog(box, IDCANCEL);
}

bool Dialog::UpdateData(bool save) {
  DialogExchangeControls controls(*this);
  DataExchange exchange(controls, save);
  DoDataExchange(exchange);
  return !exchange.Failed();
}

std::string Dialog::ItemText(int id) const {
  HWND item = Item(id);
  if (item == nullptr) return {};
  const int length = ::GetWindowTextLengthA(item);
  if (length <= 0) return {};
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const int copied = ::GetWindowTextA(item, text.data(), length + 1);
  text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
  return text;
}

void Dialog::SetItemText(int id, std::string_view text) {
  const std::string terminated(text);
  ::SetDlgItemTextA(hwnd_, id, terminated.c_str());
}

void Dialog::EnableItem(int id, bool enabled) {
  HWND item = Item(id);
  if (item != nullptr) ::EnableWindow(item, enabled ? TRUE : FALSE);
}

void Dialog::ShowItem(int id, bool shown) {
  HWND item = Item(id);
  if (item != nullptr) ::ShowWindow(item, shown ? SW_SHOW : SW_HIDE);
}

Dialog* Dialog::FromHandle(HWND window) {
  if (window == nullptr) return nullptr;
  return static_cast<Dialog*>(::GetPropA(window, kDialogProperty));
}

bool Dialog::OnInitDialog() {
  UpdateData(false);
  return true;
}

void Dialog::OnCommand(int id, int, HWND) {
  if (id == IDOK) OnOK();
  if (id == IDCANCEL) OnCancel();
}

void Dialog::OnOK() {
  if (UpdateData(true)) EndDialog(IDOK);
}

void Dialog::OnCancel() { EndDialog(IDCANCEL); }

std::optional<LRESULT> Dialog::OnMessage(UINT, WPARAM, LPARAM) { return std::nullopt; }

bool Dialog::PreTranslateMessage(MSG& message) {
  tooltips_.Relay(message);
  return false;
}

void Dialog::DoDataExchange(DataExchange&) {}

void Dialog::OnEnding(INT_PTR) {}

INT_PTR Dialog::Answer(UINT message, LRESULT result) {
  switch (message) {
    // These few return their answer from the dialog procedure itself.
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
      return static_cast<INT_PTR>(result);
    default:
      // Every other answer goes through the result slot; TRUE says the message was handled.
      ::SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, result);
      return TRUE;
  }
}

void Dialog::KeepMinimumSize() {
  RECT rect{};
  if (hwnd_ != nullptr && ::GetWindowRect(hwnd_, &rect)) minimumSize_ = SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

void Dialog::CreateTooltips(std::initializer_list<ToolText> tools) {
  if (!tooltips_ && !tooltips_.Create(hwnd_)) return;
  for (const ToolText& tool : tools) tooltips_.AddTool(hwnd_, tool.id, tool.text);
}

bool Dialog::ReflectToControl(UINT message, WPARAM, LPARAM lParam) {
  if (message == WM_DRAWITEM) {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (item->CtlType == ODT_MENU) return false;
    SubclassedControl* control = SubclassedControl::FromHandle(item->hwndItem);
    return control != nullptr && control->OnDrawItem(*item);
  }
  if (message == WM_MEASUREITEM) {
    auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
    if (item->CtlType == ODT_MENU) return false;
    SubclassedControl* control = SubclassedControl::FromHandle(Item(static_cast<int>(item->CtlID)));
    return control != nullptr && control->OnMeasureItem(*item);
  }
  return false;
}

INT_PTR CALLBACK Dialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<Dialog*>(lParam);
    ::SetWindowLongPtrA(window, DWLP_USER, lParam);
    ::SetPropA(window, kDialogProperty, self);
    self->hwnd_ = window;
    return self->OnInitDialog() ? TRUE : FALSE;
  }
  auto* self = reinterpret_cast<Dialog*>(::GetWindowLongPtrA(window, DWLP_USER));
  if (self == nullptr) return FALSE;
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrA(window, DWLP_USER, 0);
    ::RemovePropA(window, kDialogProperty);
    self->hwnd_ = nullptr;
    self->tooltips_.Detach();  // an owned popup: it went with the dialog
    return FALSE;
  }
  if (message == WM_GETMINMAXINFO && self->minimumSize_.cx > 0) {
    auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
    info->ptMinTrackSize = POINT{self->minimumSize_.cx, self->minimumSize_.cy};
    return self->Answer(message, 0);
  }
  if ((message == WM_DRAWITEM || message == WM_MEASUREITEM) && self->ReflectToControl(message, wParam, lParam)) {
    return self->Answer(message, TRUE);
  }
  if (const std::optional<LRESULT> answer = self->OnMessage(message, wParam, lParam)) {
    return self->Answer(message, *answer);
  }
  if (message == WM_COMMAND) {
    self->OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
    return TRUE;
  }
  return FALSE;
}

}  // namespace tral::ui
