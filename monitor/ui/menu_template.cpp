// Reading a plain MENU resource (the template with 16-bit ids and UTF-16 texts) into a tree.
#include "monitor/ui/menu_template.h"

namespace tral {
namespace {

// A cursor that never moves past the end of the resource.
class Reader {
 public:
  Reader(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}

  bool Word(std::uint16_t& value) {
    if (size_ - pos_ < 2) return false;
    value = static_cast<std::uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
    pos_ += 2;
    return true;
  }
  bool Skip(std::size_t bytes) {
    if (size_ - pos_ < bytes) return false;
    pos_ += bytes;
    return true;
  }
  // A terminated UTF-16 text; false when the terminator is not inside the resource.
  bool Text(std::u16string& text) {
    text.clear();
    std::uint16_t unit = 0;
    while (Word(unit)) {
      if (unit == 0) return true;
      text.push_back(static_cast<char16_t>(unit));
    }
    return false;
  }

 private:
  const unsigned char* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

}  // namespace

MenuTemplate ParseMenuTemplate(const void* data, std::size_t size) {
  MenuTemplate result;
  if (data == nullptr) return result;
  Reader in(static_cast<const unsigned char*>(data), size);
  std::uint16_t version = 0;
  std::uint16_t offset = 0;
  if (!in.Word(version) || !in.Word(offset) || version != 0 || !in.Skip(offset)) return result;

  // The level being filled is the last one, with its nesting depth; a level is left when its
  // last item has been read. Only the top of the stack grows, so the pointers to the outer levels
  // stay valid.
  struct Level {
    std::vector<MenuTemplateItem>* items;
    int depth;
  };
  std::vector<Level> levels{{&result.items, 0}};
  while (!levels.empty()) {
    MenuTemplateItem item;
    if (!in.Word(item.flags)) return result;
    const bool last = (item.flags & kMenuFlagEnd) != 0;
    item.flags = static_cast<std::uint16_t>(item.flags & ~kMenuFlagEnd);
    if (!item.IsPopup() && !in.Word(item.id)) return result;
    if (!in.Text(item.text)) return result;

    const Level current = levels.back();
    current.items->push_back(std::move(item));
    if (last) levels.pop_back();  // a popup closes this level once its own items are read
    if (current.items->back().IsPopup()) {
      if (current.depth >= kMenuTemplateMaxDepth) return result;
      levels.push_back({&current.items->back().children, current.depth + 1});
    }
  }
  result.complete = true;
  return result;
}

}  // namespace tral
