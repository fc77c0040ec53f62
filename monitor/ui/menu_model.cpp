// Decisions of the owner-drawn menu that need no window: accelerator alignment, the shared image
// slots, the system's version code and the classic-theme setting.
#include "monitor/ui/menu_model.h"

#include <algorithm>

namespace tral {
namespace {

std::u16string_view LabelOf(std::u16string_view text) {
  const std::size_t tab = text.find(u'\t');
  return tab == std::u16string_view::npos ? text : text.substr(0, tab);
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

void AlignAccelerators(std::vector<std::u16string>& texts, const MeasureText& measure) {
  int widest = 0;
  for (const std::u16string& text : texts) {
    std::u16string label(LabelOf(text));
    label.push_back(u' ');
    if (const auto width = measure(label)) widest = std::max(widest, *width);
  }
  for (std::u16string& text : texts) {
    const std::size_t tab = text.find(u'\t');
    if (tab == std::u16string::npos) continue;
    std::u16string label = text.substr(0, tab);
    auto width = measure(label);
    while (width && *width < widest) {
      label.push_back(u' ');
      const auto wider = measure(label);
      if (!wider || *wider <= *width) {  // a blank that adds nothing would never get there
        label.pop_back();
        break;
      }
      width = wider;
    }
    text = label + text.substr(tab);
  }
}

int ImageSlots::Find(std::uintptr_t id) const {
  const auto it = std::find(ids_.begin(), ids_.end(), id);
  return it == ids_.end() ? -1 : static_cast<int>(it - ids_.begin());
}

ImageSlots::Placement ImageSlots::Register(std::uintptr_t id, bool withEffects) {
  Placement placement;
  placement.index = Find(id);
  if (placement.index < 0) {
    placement.index = static_cast<int>(ids_.size());
    placement.appended = true;
    placement.withEffects = withEffects;
    ids_.insert(ids_.end(), withEffects ? 4 : 1, id);
    return placement;
  }
  placement.withEffects = withEffects && HasEffectImages(placement.index);
  return placement;
}

bool ImageSlots::HasEffectImages(int index) const {
  if (index < 0) return false;
  const auto i = static_cast<std::size_t>(index);
  return i + 3 < ids_.size() && ids_[i + 1] == ids_[i] && ids_[i + 2] == ids_[i] && ids_[i + 3] == ids_[i];
}

int WindowsVersionCode(std::uint32_t getVersionValue, const std::optional<VersionRecord>& record) {
  const bool notNt = (getVersionValue & 0x80000000u) != 0;
  if (notNt) {
    if ((getVersionValue & 0xFF) < 4) return 0;
    if (!record) return 2;
    if (record->major == 4 && record->minor == 10) return 3;
    if (record->major == 4 && record->minor == 90) return 4;
    return 2;
  }
  if (!record) return 1;
  if (record->major == 4) return 5;
  if (record->major == 5 && record->minor == 0) return 6;
  if (record->major == 5 && record->minor == 1) return 7;
  return 1;
}

bool IsClassicThemeText(const char* buffer, std::size_t capacity, std::size_t bytesRead) {
  static constexpr std::string_view kSuffix = "Windows Classic.theme";
  if (buffer == nullptr) return false;
  const std::size_t limit = std::min(capacity, bytesRead);
  std::size_t length = 0;
  while (length < limit && buffer[length] != '\0') ++length;
  if (length < kSuffix.size()) return false;
  const char* tail = buffer + length - kSuffix.size();
  for (std::size_t i = 0; i < kSuffix.size(); ++i) {
    if (LowerAscii(tail[i]) != LowerAscii(kSuffix[i])) return false;
  }
  return true;
}

}  // namespace tral
