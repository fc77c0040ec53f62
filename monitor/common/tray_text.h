// Texts of the notification-area icon cut to their fields without splitting a double-byte character.
#pragma once

#include <cstddef>
#include <string_view>

namespace tral {

// True when the byte starts a double-byte character in the code page of the text.
using LeadBytePredicate = bool (*)(unsigned char byte);

inline constexpr std::size_t kTrayTipField = 128;      // bytes with the terminator
inline constexpr std::size_t kTrayBalloonField = 256;
inline constexpr std::size_t kTrayTitleField = 64;

// Length of the longest prefix of `text` (up to its first NUL) that has at most `maxBytes` bytes
// and ends on a character boundary. A lead byte at the very end counts as one character.
std::size_t CutLength(std::string_view text, std::size_t maxBytes, LeadBytePredicate isLeadByte);

// Writes the cut text and its terminator into a field of `width` bytes, zeroing the rest.
void CopyCutText(char* field, std::size_t width, std::string_view text, LeadBytePredicate isLeadByte);

template <std::size_t N>
void CopyCutText(char (&field)[N], std::string_view text, LeadBytePredicate isLeadByte) {
  CopyCutText(field, N, text, isLeadByte);
}

}  // namespace tral
