// Thin, non-owning wrappers of the controls the monitor's dialogs use, and control subclassing.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <string_view>

namespace tral::ui {

// Balloon tooltips as every dialog of the monitor sets them up: maximum tip width 300 pixels,
// background 0xFFFFAA, shown for 60 s. The window is owned by its dialog and goes with it.
class ToolTip {
 public:
  static constexpr int kMaxTipWidth = 300;  // pixels
  static constexpr COLORREF kBackground = 0xFFFFAA;
  static constexpr int kShowTimeMs = 60000;

  bool Create(HWND dialog);
  HWND Handle() const { return hwnd_; }
  explicit operator bool() const { return hwnd_ != nullptr; }
  // One tool for the control `id` of `dialog`, identified by its window handle.
  bool AddTool(HWND dialog, int id, const char* text);
  void SetToolText(HWND dialog, int id, const char* text);
  // A tool shown where and while the program says (TTF_TRACK), for figures that follow the pointer
  // or a key rather than the relayed mouse.
  bool AddTrackingTool(HWND dialog, int id);
  // Shows the tracking tool of control `id` with `text`, pointing at the screen point.
  void Track(HWND dialog, int id, const char* text, POINT screen);
  void Untrack(HWND dialog, int id);
  // Hands a message of the modal loop to the tooltip, which acts on the mouse messages.
  void Relay(MSG& message);
  void Detach() { hwnd_ = nullptr; }

 private:
  HWND hwnd_ = nullptr;
};

class ListBox {
 public:
  ListBox() = default;
  explicit ListBox(HWND hwnd) : hwnd_(hwnd) {}
  HWND Handle() const { return hwnd_; }
  int Count() const { return static_cast<int>(::SendMessageA(hwnd_, LB_GETCOUNT, 0, 0)); }
  int AddString(const char* text) {
    return static_cast<int>(::SendMessageA(hwnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
  }
  void ResetContent() { ::SendMessageA(hwnd_, LB_RESETCONTENT, 0, 0); }
  int CurSel() const { return static_cast<int>(::SendMessageA(hwnd_, LB_GETCURSEL, 0, 0)); }
  void SetCurSel(int index) { ::SendMessageA(hwnd_, LB_SETCURSEL, static_cast<WPARAM>(index), 0); }
  bool ItemRect(int index, RECT& rect) const {
    return ::SendMessageA(hwnd_, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rect)) !=
           LB_ERR;
  }

 protected:
  HWND hwnd_ = nullptr;
};

class ComboBox {
 public:
  ComboBox() = default;
  explicit ComboBox(HWND hwnd) : hwnd_(hwnd) {}
  HWND Handle() const { return hwnd_; }
  int AddString(const char* text) {
    return static_cast<int>(::SendMessageA(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
  }
  int Count() const { return static_cast<int>(::SendMessageA(hwnd_, CB_GETCOUNT, 0, 0)); }
  void ResetContent() { ::SendMessageA(hwnd_, CB_RESETCONTENT, 0, 0); }
  int CurSel() const { return static_cast<int>(::SendMessageA(hwnd_, CB_GETCURSEL, 0, 0)); }
  void SetCurSel(int index) { ::SendMessageA(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(index), 0); }

 private:
  HWND hwnd_ = nullptr;
};

class DateTimePicker {
 public:
  DateTimePicker() = default;
  explicit DateTimePicker(HWND hwnd) : hwnd_(hwnd) {}
  HWND Handle() const { return hwnd_; }
  bool GetTime(SYSTEMTIME& time) const {
    return ::SendMessageA(hwnd_, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&time)) == GDT_VALID;
  }
  bool SetTime(const SYSTEMTIME& time) {
    return ::SendMessageA(hwnd_, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&time)) != 0;
  }

 private:
  HWND hwnd_ = nullptr;
};

class UpDown {
 public:
  UpDown() = default;
  explicit UpDown(HWND hwnd) : hwnd_(hwnd) {}
  HWND Handle() const { return hwnd_; }
  void SetRange(int lower, int upper) { ::SendMessageA(hwnd_, UDM_SETRANGE32, lower, upper); }
  void SetPos(int pos) { ::SendMessageA(hwnd_, UDM_SETPOS32, 0, pos); }
  int Pos() const { return static_cast<int>(::SendMessageA(hwnd_, UDM_GETPOS32, 0, 0)); }

 private:
  HWND hwnd_ = nullptr;
};

// An object that takes over a dialog control's messages. The dialog reflects the owner-draw
// messages of the control (WM_DRAWITEM, WM_MEASUREITEM) to it. The subclass is removed when the
// control is destroyed, or when the object goes first.
class SubclassedControl {
 public:
  SubclassedControl() = default;
  virtual ~SubclassedControl();
  SubclassedControl(const SubclassedControl&) = delete;
  SubclassedControl& operator=(const SubclassedControl&) = delete;

  bool Subclass(HWND dialog, int id);
  HWND Handle() const { return hwnd_; }
  static SubclassedControl* FromHandle(HWND control);

  // The control's messages; the default passes them to the control's own procedure.
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // Owner-draw messages reflected from the parent. Return true when handled.
  virtual bool OnDrawItem(const DRAWITEMSTRUCT&) { return false; }
  virtual bool OnMeasureItem(MEASUREITEMSTRUCT&) { return false; }

 protected:
  LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR data);
  void Unsubclass();

  HWND hwnd_ = nullptr;
};

}  // namespace tral::ui
