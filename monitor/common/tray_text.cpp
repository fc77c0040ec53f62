// Texts of the notification-area icon cut to their fields without splitting a double-byte character.
#include "monitor/common/tray_text.h"

#include <algorithm>
#include <cstring>

namespace tral {

std::size_t CutLength(std::string_view text, std::size_t maxBytes, LeadBytePredicate isLeadByte) {
  const std::size_t end = std::min(text.find('\0'), text.size());
  std::size_t length = 0;
  while (length < end) {
    const auto byte = static_cast<unsigned char>(text[length]);
    const std::size_t step = (isLeadByte(byte) && length + 1 < end) ? 2 : 1;
    if (length + step > maxBytes) break;
    length += step;
  }
  return length;
}

void CopyCutText(char* field, std::size_t width, std::string_view text, LeadBytePredicate isLeadByte) {
  if (field == nullptr || width == 0) return;
  const std::size_t n = CutLength(text, width - 1, isLeadByte);
  std::memcpy(field, text.data(), n);
  std::memset(field + n, 0, width - n);
}

}  // namespace tral
