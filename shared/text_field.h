// Fixed-width text fields: always read bounded by their width, always written NUL-terminated.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

namespace tral {

// The text held in a field: up to the first NUL, never beyond the field's width.
inline std::string_view BoundedText(const char* field, std::size_t width) {
  std::size_t n = 0;
  while (n < width && field[n] != '\0') ++n;
  return std::string_view(field, n);
}

template <std::size_t N>
std::string_view FieldText(const char (&field)[N]) {
  return BoundedText(field, N);
}

// Copies text into a field, cut to width - 1 characters; the rest of the field is zeroed so that
// the whole field can be written to a file or a block byte for byte.
template <std::size_t N>
void SetFieldText(char (&field)[N], std::string_view text) {
  std::size_t n = text.size() < N - 1 ? text.size() : N - 1;
  if (n > 0) std::memcpy(field, text.data(), n);  // an empty view may have no data at all
  std::memset(field + n, 0, N - n);
}

template <std::size_t N>
bool FieldEmpty(const char (&field)[N]) {
  return field[0] == '\0';
}

}  // namespace tral
