// Decimal conversion of INI values with 32-bit wrap-around, as every reader of the INI files uses.
#include "shared/ini_number.h"

namespace tral {

std::uint32_t ParseIniNumber(std::string_view text) {
  return ParseDecimalWrapping(text.substr(0, kIniReadChars));
}

std::uint32_t ParseDecimalWrapping(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  std::uint32_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
  }
  return negative ? 0u - value : value;
}

}  // namespace tral
