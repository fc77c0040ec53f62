// The dialog class: a dialog made from its template, run by its own modal loop.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "monitor/framework/controls.h"

namespace tral::ui {

class DataExchange;

// A dialog created from its template with `this` as the creation parameter and run modally by its
// own loop: GetMessage, then PreTranslateMessage (the tooltip relay), then IsDialogMessage, then
// dispatch, until EndDialog. The owner window is disabled while the dialog runs, so a modal dialog
// opened from the main window can be opened only once and the main window cannot act behind it.
// A dialog can also be created modeless (Create): it then lives beside the others, and the loop of
// whichever modal dialog runs hands it its messages first.
class Dialog {
 public:
  explicit Dialog(int templateId);
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Creates the window owned by `owner` (null: no owner), runs it and destroys it. Returns the
  // value given to EndDialog, or -1 when the window could not be created.
  INT_PTR DoModal(HWND owner = nullptr);
  // Creates the window modeless, owned by `owner` (null: a top-level window of its own), and shows
  // it. False when it could not be created or is open already.
  bool Create(HWND owner = nullptr);
  // Ends the modal run, or destroys a modeless window. The first call counts; OnEnding runs at
  // once, before EndDialog returns, so whatever a closing dialog stores is stored before a caller
  // who ended it goes on.
  void EndDialog(INT_PTR result);
  // Ends every modal dialog running on top of this one, innermost first, with `result`, and the
  // message boxes those dialogs and this one have open.
  void EndModalChildren(INT_PTR result);

  // Exchanges the controls with the members: save = true takes the controls into the members.
  // False when a check failed (its message has been shown and its control has the focus).
  bool UpdateData(bool save);

  HWND Handle() const { return hwnd_; }
  HWND Item(int id) const { return ::GetDlgItem(hwnd_, id); }
  std::string ItemText(int id) const;
  void SetItemText(int id, std::string_view text);
  void EnableItem(int id, bool enabled);
  void ShowItem(int id, bool shown);

  // The dialog object of a window created by this class, or null.
  static Dialog* FromHandle(HWND window);

 protected:
  // Called at WM_INITDIALOG; true lets the system focus the first tab stop.
  virtual bool OnInitDialog();
  // WM_COMMAND. The default ends the dialog with OK (after a successful exchange) or cancel.
  virtual void OnCommand(int id, int code, HWND control);
  virtual void OnOK();
  virtual void OnCancel();
  // Every other message. The message's answer when handled (the framework hands it back the way
  // the message needs: returned directly for the colour and drag-icon messages, through the
  // dialog's result slot for all others); nothing to leave the message to the dialog manager.
  virtual std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // Sees every message of the modal loop before dispatch; true when consumed. The default relays
  // it to the dialog's tooltips.
  virtual bool PreTranslateMessage(MSG& message);
  virtual void DoDataExchange(DataExchange& exchange);
  // The dialog ends with `result`; runs once, inside EndDialog.
  virtual void OnEnding(INT_PTR result);

  // Keeps the window at least as large as it is now (its template's size, when called while it
  // opens): a resizable dialog is never dragged smaller than its controls need.
  void KeepMinimumSize();

  ToolTip& Tooltips() { return tooltips_; }
  // Creates the tooltips with the common balloon set-up and adds one tool per (id, text).
  struct ToolText {
    int id;
    const char* text;
  };
  void CreateTooltips(std::initializer_list<ToolText> tools);

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // Hands a message for a modeless dialog to that dialog's PreTranslateMessage and
  // IsDialogMessage; true when one of them took it.
  static bool RouteToModeless(MSG& message);
  bool ReflectToControl(UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Answer(UINT message, LRESULT result);
  void EndOwnedMessageBoxes();

  int templateId_;
  HWND hwnd_ = nullptr;
  bool running_ = false;
  bool ending_ = false;
  bool modeless_ = false;
  SIZE minimumSize_{0, 0};  // window pixels; 0: any size
  INT_PTR result_ = IDCANCEL;
  Dialog* modalParent_ = nullptr;  // the dialog that owns this one while it runs
  Dialog* modalChild_ = nullptr;  // the dialog running on top of this one
  ToolTip tooltips_;
};

}  // namespace tral::ui
