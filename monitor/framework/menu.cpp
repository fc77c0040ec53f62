// The framework's menu: owns one menu handle and finds the object attached to a menu handle.
#include "monitor/framework/menu.h"

#include <map>

namespace tral::ui {
namespace {

// Menus live on the user-interface thread only.
std::map<HMENU, Menu*>& Attached() {
  static std::map<HMENU, Menu*> attached;
  return attached;
}

}  // namespace

Menu::~Menu() { Menu::DestroyMenu(); }

bool Menu::Attach(HMENU menu) {
  if (menu == nullptr || menu_) return false;
  menu_.Reset(menu);
  Attached()[menu] = this;
  return true;
}

HMENU Menu::Detach() {
  if (menu_) Attached().erase(menu_.Get());
  return menu_.Release();
}

bool Menu::DestroyMenu() {
  if (!menu_) return false;
  Attached().erase(menu_.Get());
  return ::DestroyMenu(menu_.Release()) != FALSE;
}

Menu* Menu::GetSubMenu(int position) const {
  return menu_ ? FromHandle(::GetSubMenu(menu_.Get(), position)) : nullptr;
}

Menu* Menu::FromHandle(HMENU menu) {
  const auto it = Attached().find(menu);
  return it == Attached().end() ? nullptr : it->second;
}

void Menu::MeasureItem(MEASUREITEMSTRUCT&) {}
void Menu::DrawItem(const DRAWITEMSTRUCT&) {}
bool Menu::OwnsItemData(ULONG_PTR) const { return false; }

bool Menu::RouteOwnerDraw(UINT message, LPARAM lParam) {
  if (message == WM_DRAWITEM) {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (item == nullptr || item->CtlType != ODT_MENU) return false;
    Menu* menu = FromHandle(reinterpret_cast<HMENU>(item->hwndItem));
    if (menu == nullptr) return false;
    menu->DrawItem(*item);
    return true;
  }
  if (message == WM_MEASUREITEM) {
    auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
    if (item == nullptr || item->CtlType != ODT_MENU) return false;
    for (const auto& [handle, menu] : Attached()) {
      if (menu->OwnsItemData(item->itemData)) {
        menu->MeasureItem(*item);
        return true;
      }
    }
  }
  return false;
}

}  // namespace tral::ui
