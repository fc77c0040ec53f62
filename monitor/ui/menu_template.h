// Reading a plain MENU resource (the template with 16-bit ids and UTF-16 texts) into a tree.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tral {

inline constexpr std::uint16_t kMenuFlagPopup = 0x0010;  // MF_POPUP
inline constexpr std::uint16_t kMenuFlagEnd = 0x0080;    // MF_END: last item of its level
inline constexpr int kMenuTemplateMaxDepth = 32;         // nesting levels below the top

struct MenuTemplateItem {
  std::uint16_t flags = 0;  // as in the template, without MF_END
  std::uint16_t id = 0;     // command id; 0 for popups and separators
  std::u16string text;
  std::vector<MenuTemplateItem> children;  // items of a popup

  bool IsPopup() const { return (flags & kMenuFlagPopup) != 0; }
};

struct MenuTemplate {
  std::vector<MenuTemplateItem> items;
  // false when the template ended early, went past the resource's size, had an unknown version
  // or nested too deeply: `items` then holds what was read before the fault.
  bool complete = false;
};

// Reads at most `size` bytes from `data`. The header is a version word (0) and an offset word;
// the items start 4 + offset bytes in. Each item is a flags word, a 16-bit id unless it opens a
// popup, and its terminated UTF-16 text. The parse stops when the top level's last item is read.
MenuTemplate ParseMenuTemplate(const void* data, std::size_t size);

}  // namespace tral
