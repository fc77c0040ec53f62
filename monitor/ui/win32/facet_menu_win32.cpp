// Owner-drawn popup menus: building from a menu resource, item texts and images, the shared image
// list with its effect images, and release.
#include "monitor/ui/win32/facet_menu_win32.h"

#include <cstring>
#include <optional>

#include "monitor/ui/win32/facet_menu_images_win32.h"
#include "monitor/ui/win32/gdi_win32.h"

namespace tral::win32 {
namespace {

// Only these template flags reach the menu: states, popups and breaks, never the flags that
// would make Windows read the item data as a bitmap or a string.
constexpr UINT kTemplateFlagsKept =
    MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_POPUP | MF_MENUBARBREAK | MF_MENUBREAK | MF_RIGHTJUSTIFY;

struct SharedState {
  UniqueImageList images;
  ImageSlots slots;
  bool highColorBitmapsLoaded = false;
  DrawStyle styleForClassic = DrawStyle::Classic;
  DrawStyle styleForThemedXp = DrawStyle::Xp;
  std::optional<int> versionCode;
  std::optional<bool> classicTheme;
};

SharedState& Shared() {
  static SharedState state;
  return state;
}

HMODULE ResourceModule() { return ::GetModuleHandleA(nullptr); }

std::wstring AnsiToWide(const char* text) {
  const int n = ::MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (n <= 1) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), n);
  wide.resize(static_cast<std::size_t>(n - 1));
  return wide;
}

// Colours in the bitmap's colour table: biClrUsed, or the full table of a paletted bitmap.
int BitmapColourCount(int bitmapId) {
  HRSRC found = ::FindResourceA(ResourceModule(), MAKEINTRESOURCEA(bitmapId), MAKEINTRESOURCEA(2) /* RT_BITMAP */);
  if (found == nullptr) return -1;
  HGLOBAL loaded = ::LoadResource(ResourceModule(), found);
  const void* data = loaded != nullptr ? ::LockResource(loaded) : nullptr;
  if (data == nullptr || ::SizeofResource(ResourceModule(), found) < sizeof(BITMAPINFOHEADER)) return -1;
  BITMAPINFOHEADER header;
  std::memcpy(&header, data, sizeof header);
  WORD bitCount = header.biBitCount;
  if (header.biSize < sizeof(BITMAPINFOHEADER)) {  // the old core header has no colour count
    BITMAPCOREHEADER core;
    std::memcpy(&core, data, sizeof core);
    bitCount = core.bcBitCount;
  } else if (header.biClrUsed != 0) {
    return static_cast<int>(header.biClrUsed);
  }
  switch (bitCount) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
  }
}

// An owner-drawn item keeps its text in its record; the menu gets a copy as the item's string too,
// so that mnemonics, screen readers and other programs reading the menu see it.
void AttachItemText(HMENU menu, UINT position, const FacetMenuItem& item) {
  if (!item.hasText || (item.flags & MF_SEPARATOR) != 0) return;
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_STRING;
  std::wstring text = item.text;
  info.dwTypeData = text.data();
  ::SetMenuItemInfoW(menu, position, TRUE, &info);
}

}  // namespace

FacetMenu::~FacetMenu() { FacetMenu::DestroyMenu(); }

// ---- building ----

bool FacetMenu::LoadMenu(UINT id) {
  HRSRC found = ::FindResourceA(ResourceModule(), MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(4) /* RT_MENU */);
  if (found == nullptr) return false;
  HGLOBAL loaded = ::LoadResource(ResourceModule(), found);
  const void* data = loaded != nullptr ? ::LockResource(loaded) : nullptr;
  if (data == nullptr) return false;
  return LoadMenuTemplate(data, ::SizeofResource(ResourceModule(), found));
}

bool FacetMenu::LoadMenuTemplate(const void* data, std::size_t size) {
  DestroyMenu();
  if (!Attach(::CreateMenu())) return false;
  const MenuTemplate parsed = ParseMenuTemplate(data, size);
  BuildLevel(parsed.items, 0);
  AlignAccelerators();
  // The top level stays a plain menu: only the items of popups are drawn by the program.
  for (std::size_t position = 0; position < items_.size(); ++position) {
    FacetMenuItem& item = *items_[position];
    const UINT pos = static_cast<UINT>(position);
    if ((item.flags & MF_POPUP) != 0) {
      item.flags = MF_BYPOSITION | MF_POPUP;
      ::ModifyMenuW(Handle(), pos, MF_BYPOSITION | MF_POPUP | MF_STRING, item.commandId, item.text.c_str());
    } else {
      item.flags = MF_BYPOSITION;
      ::ModifyMenuW(Handle(), pos, MF_BYPOSITION | MF_STRING, item.commandId, item.text.c_str());
    }
  }
  return parsed.complete;
}

void FacetMenu::BuildLevel(const std::vector<MenuTemplateItem>& items, int depth) {
  for (const MenuTemplateItem& entry : items) {
    const std::wstring text(entry.text.begin(), entry.text.end());
    const UINT flags = entry.flags & kTemplateFlagsKept;
    if (entry.IsPopup()) {
      auto sub = std::make_unique<FacetMenu>();
      if (!sub->Attach(::CreatePopupMenu())) continue;
      AppendItem(text.c_str(), flags, reinterpret_cast<UINT_PTR>(sub->Handle()), -1);
      sub->BuildLevel(entry.children, depth + 1);
      sub->AlignAccelerators();
      ownedSubMenus_.push_back(std::move(sub));
    } else {
      AppendItem(text.c_str(), flags, entry.id, -1);
    }
  }
}

void FacetMenu::AlignAccelerators() {
  std::vector<std::u16string> texts;
  texts.reserve(items_.size());
  for (const auto& item : items_) texts.emplace_back(item->text.begin(), item->text.end());

  WindowDc dc(MeasuringWindow());
  UniqueGdiObject font = CreateMenuFont();
  if (dc.Get() == nullptr) return;
  Selection selected(dc.Get(), font.Get());
  tral::AlignAccelerators(texts, [&](std::u16string_view text) -> std::optional<int> {
    const std::wstring wide(text.begin(), text.end());
    SIZE size{};
    if (::GetTextExtentPoint32W(dc.Get(), wide.c_str(), static_cast<int>(wide.size()), &size) == FALSE) {
      return std::nullopt;
    }
    return static_cast<int>(size.cx);
  });
  for (std::size_t i = 0; i < items_.size(); ++i) items_[i]->text.assign(texts[i].begin(), texts[i].end());
}

bool FacetMenu::AppendItem(const wchar_t* text, UINT flags, UINT_PTR id, int bitmapId) {
  if (!Handle()) return false;
  if (id != 0) {
    flags |= MF_OWNERDRAW;
  } else {
    flags = (flags & MF_BYPOSITION) | MF_SEPARATOR | MF_OWNERDRAW;
  }
  if ((flags & MF_POPUP) != 0) subMenus_.push_back(reinterpret_cast<HMENU>(id));
  auto item = std::make_unique<FacetMenuItem>();
  if (text != nullptr) {
    item->text = text;
    item->hasText = true;
  }
  if (bitmapId == -1) {
    item->imageIndex = FindSharedImage(id);
  } else if (const int image = AddBitmapImage(bitmapId, id); image >= 0) {
    item->imageIndex = image;
  }
  item->flags = flags;
  item->commandId = id;
  FacetMenuItem* record = item.get();
  items_.push_back(std::move(item));
  if (::AppendMenuW(Handle(), flags, id, reinterpret_cast<LPCWSTR>(record)) == FALSE) return false;
  AttachItemText(Handle(), static_cast<UINT>(::GetMenuItemCount(Handle()) - 1), *record);
  return true;
}

// ---- finding and changing items ----

FacetMenu* FacetMenu::GetSubMenu(int position) const { return dynamic_cast<FacetMenu*>(ui::Menu::GetSubMenu(position)); }

FacetMenu::Found FacetMenu::FindItemMenu(UINT_PTR commandId) { return FindItemMenu(commandId, {}); }

FacetMenu::Found FacetMenu::FindItemMenu(UINT_PTR commandId, const std::vector<std::pair<FacetMenu*, int>>& skip) {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    const FacetMenuItem& item = *items_[i];
    const int position = static_cast<int>(i);
    if (item.commandId == commandId) {
      bool handled = false;
      for (const auto& [menu, pos] : skip) handled = handled || (menu == this && pos == position);
      if (!handled) return {this, position};
    }
    if ((item.flags & MF_POPUP) != 0) {
      auto* sub = dynamic_cast<FacetMenu*>(ui::Menu::FromHandle(reinterpret_cast<HMENU>(item.commandId)));
      if (sub != nullptr && sub != this) {
        const Found found = sub->FindItemMenu(commandId, skip);
        if (found.menu != nullptr) return found;
      }
    }
  }
  return {};
}

bool FacetMenu::ModifyItem(const char* text, UINT_PTR commandId, int bitmapId) {
  const std::optional<std::wstring> wide = text != nullptr ? std::optional(AnsiToWide(text)) : std::nullopt;
  // The bitmap is registered once; every item of the command then shows the same slot.
  int image = -1;
  if (bitmapId != -1) image = AddBitmapImage(bitmapId, commandId);

  auto update = [&](FacetMenuItem& item) {
    if (wide) {
      item.text = *wide;
      item.hasText = true;
    }
    if (bitmapId == -1) {
      item.imageIndex = FindSharedImage(commandId);
    } else if (image >= 0) {
      item.imageIndex = image;
    }
    item.flags = (item.flags & ~MF_BYPOSITION) | MF_OWNERDRAW;
    item.commandId = commandId;
  };

  std::vector<std::pair<FacetMenu*, int>> handled;
  Found found = FindItemMenu(commandId, handled);
  if (found.menu == nullptr) {
    // Not in the menu: the record is kept, and the change of a missing item fails.
    items_.push_back(std::make_unique<FacetMenuItem>());
    FacetMenuItem& item = *items_.back();
    update(item);
    return ::ModifyMenuW(Handle(), static_cast<UINT>(commandId), MF_BYCOMMAND | item.flags, commandId,
                         reinterpret_cast<LPCWSTR>(&item)) != FALSE;
  }
  bool result = false;
  while (found.menu != nullptr) {
    FacetMenuItem& item = *found.menu->items_[static_cast<std::size_t>(found.position)];
    update(item);
    result = ::ModifyMenuW(found.menu->Handle(), static_cast<UINT>(found.position), MF_BYPOSITION | item.flags,
                           commandId, reinterpret_cast<LPCWSTR>(&item)) != FALSE;
    if (result) AttachItemText(found.menu->Handle(), static_cast<UINT>(found.position), item);
    handled.emplace_back(found.menu, found.position);
    found = FindItemMenu(commandId, handled);
  }
  return result;
}

bool FacetMenu::OwnsItemData(ULONG_PTR itemData) const {
  for (const auto& item : items_) {
    if (reinterpret_cast<ULONG_PTR>(item.get()) == itemData) return true;
  }
  return false;
}

// ---- release ----

void FacetMenu::ReleaseContent() {
  // The submenu handles go with this menu's handle (Windows destroys the popups of a menu with
  // it), so the objects give theirs up instead of destroying them twice.
  for (auto& sub : ownedSubMenus_) {
    sub->ReleaseContent();
    sub->Detach();
  }
  ownedSubMenus_.clear();
  subMenus_.clear();
  items_.clear();
}

bool FacetMenu::DestroyMenu() {
  ReleaseContent();
  return ui::Menu::DestroyMenu();
}

// ---- process-wide: styles, system, images ----

void FacetMenu::SetDrawStyle(DrawStyle style) {
  Shared().styleForClassic = style;
  Shared().styleForThemedXp = style;
}

int FacetMenu::WindowsVersionCode() {
  SharedState& s = Shared();
  if (!s.versionCode) {
    std::optional<VersionRecord> record;
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (::GetVersionExA(&info) != FALSE) record = VersionRecord{info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion};
    s.versionCode = tral::WindowsVersionCode(static_cast<std::uint32_t>(::GetVersion()), record);
  }
  return *s.versionCode;
}

bool FacetMenu::IsClassicTheme() {
  SharedState& s = Shared();
  if (!s.classicTheme) {
    s.classicTheme = false;
    HKEY opened = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Plus!\\Themes\\Current", 0, KEY_READ, &opened) ==
        ERROR_SUCCESS) {
      UniqueRegKey key(opened);
      char buffer[260];
      DWORD size = sizeof buffer;
      if (::RegQueryValueExA(key.Get(), nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size) ==
          ERROR_SUCCESS) {
        s.classicTheme = IsClassicThemeText(buffer, sizeof buffer, size);
      }
    }
  }
  return *s.classicTheme;
}

bool FacetMenu::IsThemedXp() { return WindowsVersionCode() == kVersionCodeXp && !IsClassicTheme(); }

bool FacetMenu::XpLookInForce() {
  const SharedState& s = Shared();
  return (IsThemedXp() ? s.styleForThemedXp : s.styleForClassic) == DrawStyle::Xp;
}

bool FacetMenu::HighColorBitmapsLoaded() { return Shared().highColorBitmapsLoaded; }

int FacetMenu::FindSharedImage(UINT_PTR commandId) { return Shared().slots.Find(commandId); }

HIMAGELIST FacetMenu::SharedImages() { return Shared().images.Get(); }

bool FacetMenu::HasEffectImages(int index) { return Shared().slots.HasEffectImages(index); }

void FacetMenu::ResetSharedImagesForTesting() {
  Shared().images.Reset();
  Shared().slots = ImageSlots();
}

int FacetMenu::AddBitmapImage(int bitmapId, UINT_PTR commandId) {
  // No toolbar resources exist in this program: the image is always the bitmap's first one.
  UniqueImageList temporary(::ImageList_Create(kIconWidth, kIconHeight, ILC_COLORDDB | ILC_MASK, 1, 1));
  if (!temporary) return -1;
  const Color face = ::GetSysColor(COLOR_BTNFACE);
  bool added = false;
  if (BitmapColourCount(bitmapId) == 16) {
    // Black, dark grey, light grey and white become the system's button colours.
    UniqueGdiObject bitmap(::CreateMappedBitmap(ResourceModule(), bitmapId, 0, nullptr, 0));
    added = bitmap && ::ImageList_AddMasked(temporary.Get(), static_cast<HBITMAP>(bitmap.Get()), face) >= 0;
  } else {
    UniqueGdiObject loaded(::LoadImageA(ResourceModule(), MAKEINTRESOURCEA(bitmapId), IMAGE_BITMAP, 0, 0, 0));
    if (loaded) {
      Shared().highColorBitmapsLoaded = true;
      PixelBitmap copy = CopyToPixels(static_cast<HBITMAP>(loaded.Get()));
      if (copy.Valid()) {
        PixelImage pixels = copy.Read();
        ReplaceColor(pixels, 0x00C0C0C0, face);
        copy.Write(pixels);
        added = ::ImageList_AddMasked(temporary.Get(), copy.Handle(), face) >= 0;
      }
    }
  }
  if (!added) return -1;
  return AddToSharedImages(temporary.Get(), 0, commandId);
}

int AddToSharedImages(HIMAGELIST list, int position, UINT_PTR commandId) {
  SharedState& s = Shared();
  if (!s.images) {
    s.images.Reset(::ImageList_Create(FacetMenu::kIconWidth, FacetMenu::kIconHeight, ILC_COLORDDB | ILC_MASK, 1, 1));
    if (!s.images) return -1;
  }
  UniqueIcon icon(::ImageList_GetIcon(list, position, ILD_NORMAL));
  if (!icon) return -1;

  std::vector<UniqueIcon> effects;
  if (FacetMenu::XpLookInForce()) {
    const Color face = ::GetSysColor(COLOR_BTNFACE);
    const Color buttonShadow = ::GetSysColor(COLOR_BTNSHADOW);
    const PixelImage image = IconOnFace(icon.Get());
    PixelImage faded = image, shadow = image, disabled = image;
    MakeFaded(faded, face);
    MakeShadow(shadow, face, ShadowColor(buttonShadow, FacetMenu::IsThemedXp()));
    MakeGreyShaded(disabled, face, buttonShadow, 0);
    for (const PixelImage* effect : {&faded, &shadow, &disabled}) {
      effects.push_back(MaskedIcon(*effect, face));
      if (!effects.back()) return -1;
    }
  }

  const int known = s.slots.Find(commandId);
  if (known < 0) {
    // All four images go in, or none: the slots must stay beside the list.
    const int before = ::ImageList_GetImageCount(s.images.Get());
    bool ok = ::ImageList_ReplaceIcon(s.images.Get(), -1, icon.Get()) >= 0;
    for (const UniqueIcon& effect : effects) ok = ok && ::ImageList_ReplaceIcon(s.images.Get(), -1, effect.Get()) >= 0;
    if (!ok || before != static_cast<int>(s.slots.Size())) {
      while (::ImageList_GetImageCount(s.images.Get()) > before) {
        ::ImageList_Remove(s.images.Get(), ::ImageList_GetImageCount(s.images.Get()) - 1);
      }
      return -1;
    }
  }
  const ImageSlots::Placement placement = s.slots.Register(commandId, !effects.empty());
  if (!placement.appended) {
    ::ImageList_ReplaceIcon(s.images.Get(), placement.index, icon.Get());
    if (placement.withEffects) {
      for (int i = 0; i < 3; ++i) ::ImageList_ReplaceIcon(s.images.Get(), placement.index + 1 + i, effects[static_cast<std::size_t>(i)].Get());
    }
  }
  return placement.index;
}

}  // namespace tral::win32
