// Reading and writing UTF-8 characters.
#include "shared/utf8_text.h"

namespace tral {

std::size_t Utf8CharAt(std::string_view text, std::size_t at, char32_t& character) {
  const auto lead = static_cast<unsigned char>(text[at]);
  std::size_t more = 0;
  if (lead < 0x80) {
    character = lead;
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    more = 1, character = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    more = 2, character = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    more = 3, character = lead & 0x07;
  } else {
    return 0;
  }
  if (text.size() - at <= more) return 0;
  for (std::size_t k = 1; k <= more; ++k) {
    const auto next = static_cast<unsigned char>(text[at + k]);
    if ((next & 0xC0) != 0x80) return 0;
    character = (character << 6) | (next & 0x3F);
  }
  if ((more == 2 && (character < 0x800 || (character >= 0xD800 && character <= 0xDFFF))) ||
      (more == 3 && (character < 0x10000 || character > 0x10FFFF))) {
    return 0;
  }
  return more + 1;
}

bool IsUtf8(std::string_view text) {
  char32_t character = 0;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = Utf8CharAt(text, at, character);
    if (length == 0) return false;
    at += length;
  }
  return true;
}

void AppendUtf8(std::string& out, char32_t character) {
  if (character < 0x80) {
    out += static_cast<char>(character);
  } else if (character < 0x800) {
    out += static_cast<char>(0xC0 | (character >> 6));
    out += static_cast<char>(0x80 | (character & 0x3F));
  } else if (character < 0x10000) {
    out += static_cast<char>(0xE0 | (character >> 12));
    out += static_cast<char>(0x80 | ((character >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (character & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (character >> 18));
    out += static_cast<char>(0x80 | ((character >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((character >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (character & 0x3F));
  }
}

}  // namespace tral
