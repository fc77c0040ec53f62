// Owner-drawn popup menus with an image beside each item, in the XP or the classic look.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "monitor/framework/menu.h"
#include "monitor/ui/menu_model.h"
#include "monitor/ui/menu_template.h"

namespace tral::win32 {

enum class DrawStyle { Classic = 0, Xp = 1 };

// One item of a FacetMenu level; its address is the menu item's data.
struct FacetMenuItem {
  std::wstring text;      // label, optionally a TAB and the accelerator text
  bool hasText = false;   // separators have none
  int imageIndex = -1;    // slot in the shared image list, -1 for none
  UINT flags = 0;         // MF_ flags the item was put into the menu with
  UINT_PTR commandId = 0; // command id, or the submenu's handle for a popup item
};

class FacetMenu : public ui::Menu {
 public:
  FacetMenu() = default;
  ~FacetMenu() override;

  // Builds the menu from the program's menu resource `id`. False when the resource is missing or
  // damaged (a damaged one keeps the items read before the damage) or no menu could be made.
  bool LoadMenu(UINT id);
  // The same from template bytes.
  bool LoadMenuTemplate(const void* data, std::size_t size);
  bool DestroyMenu() override;

  // Gives every item of `commandId`, in this menu and its submenus, the text (ANSI, in the code
  // page in use; null keeps the text) and the image of bitmap resource `bitmapId` (-1: the image
  // already registered for the command, if any). Result of the last menu change.
  bool ModifyItem(const char* text, UINT_PTR commandId, int bitmapId);
  // Appends an owner-drawn item (a separator when `id` is 0). `id` is the submenu's handle for a
  // popup. Result of AppendMenu.
  bool AppendItem(const wchar_t* text, UINT flags, UINT_PTR id, int bitmapId);
  FacetMenu* GetSubMenu(int position) const;

  // The level holding the first item of the command (depth first) and its position, or null / -1.
  struct Found {
    FacetMenu* menu = nullptr;
    int position = -1;
  };
  Found FindItemMenu(UINT_PTR commandId);
  const std::vector<std::unique_ptr<FacetMenuItem>>& Items() const { return items_; }

  void MeasureItem(MEASUREITEMSTRUCT& item) override;
  void DrawItem(const DRAWITEMSTRUCT& item) override;
  bool OwnsItemData(ULONG_PTR itemData) const override;

  // ---- process-wide ----
  static void SetDrawStyle(DrawStyle style);
  static int FindSharedImage(UINT_PTR commandId);
  static HIMAGELIST SharedImages();
  static bool HasEffectImages(int index);
  static int WindowsVersionCode();
  static bool IsClassicTheme();
  static bool IsThemedXp();      // Windows XP with a theme
  static bool XpLookInForce();   // the applicable style is Xp
  static bool HighColorBitmapsLoaded();
  static constexpr int kIconWidth = 16;
  static constexpr int kIconHeight = 15;
  // For tests: forget the registered images (the list is made again on next use).
  static void ResetSharedImagesForTesting();

 private:
  void BuildLevel(const std::vector<MenuTemplateItem>& items, int depth);
  void AlignAccelerators();
  void ReleaseContent();
  Found FindItemMenu(UINT_PTR commandId, const std::vector<std::pair<FacetMenu*, int>>& skip);
  static int AddBitmapImage(int bitmapId, UINT_PTR commandId);

  std::vector<std::unique_ptr<FacetMenuItem>> items_;
  std::vector<HMENU> subMenus_;                        // popups appended to this level
  std::vector<std::unique_ptr<FacetMenu>> ownedSubMenus_;  // the objects LoadMenu made for them
};

}  // namespace tral::win32
