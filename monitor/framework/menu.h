// The framework's menu: owns one menu handle and finds the object attached to a menu handle.
#pragma once

#include <windows.h>

#include "shared/win32/unique_handle.h"

namespace tral::ui {

// Owns its menu handle (destroyed with the object) and registers itself for that handle, so that
// a submenu handle leads back to its object and an owner window can hand the owner-draw messages
// of menu items to the object that drew them.
class Menu {
 public:
  Menu() = default;
  virtual ~Menu();
  Menu(const Menu&) = delete;
  Menu& operator=(const Menu&) = delete;

  HMENU Handle() const { return menu_.Get(); }
  // Takes ownership of the handle; false when it is null or this object holds one already.
  bool Attach(HMENU menu);
  // Gives the handle up without destroying it.
  HMENU Detach();
  // Destroys the handle (and, as Windows does, the submenus in it).
  virtual bool DestroyMenu();

  // The object attached to the submenu at `position`, or null.
  Menu* GetSubMenu(int position) const;
  static Menu* FromHandle(HMENU menu);

  virtual void MeasureItem(MEASUREITEMSTRUCT& item);
  virtual void DrawItem(const DRAWITEMSTRUCT& item);
  // True when `itemData` is one of this menu's item records (measuring messages carry no handle).
  virtual bool OwnsItemData(ULONG_PTR itemData) const;

  // For the owner window: WM_MEASUREITEM and WM_DRAWITEM of menu items go to the attached object.
  // True when an object took the message.
  static bool RouteOwnerDraw(UINT message, LPARAM lParam);

 private:
  win32::UniqueMenu menu_;
};

}  // namespace tral::ui
