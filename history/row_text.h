// A text of a statistics row, kept inside the row: a count of many connections then allocates
// nothing per row, and rows move as plain bytes when their list grows.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace tral {

// At most N bytes; a longer text is cut to its first N. Reads as a std::string_view, and converts to
// std::string where one is wanted.
template <std::size_t N>
class RowText {
  static_assert(N < 256, "the length is kept in one byte");

 public:
  RowText() = default;
  RowText(std::string_view text) { assign(text); }  // NOLINT: a row's text is given as any text
  RowText(const char* text) : RowText(std::string_view(text)) {}  // NOLINT

  RowText& operator=(std::string_view text) {
    assign(text);
    return *this;
  }
  RowText& operator=(const char* text) { return *this = std::string_view(text); }

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  std::string_view view() const { return std::string_view(chars_, size_); }

  operator std::string_view() const { return view(); }  // NOLINT: read wherever a text is read
  operator std::string() const { return std::string(view()); }  // NOLINT

  friend bool operator==(const RowText& a, const RowText& b) { return a.view() == b.view(); }
  friend bool operator==(const RowText& a, std::string_view b) { return a.view() == b; }
  friend bool operator==(const RowText& a, const char* b) { return a.view() == std::string_view(b); }

 private:
  void assign(std::string_view text) {
    size_ = static_cast<std::uint8_t>(std::min(text.size(), N));
    if (size_ != 0) std::memcpy(chars_, text.data(), size_);
  }

  char chars_[N] = {};
  std::uint8_t size_ = 0;
};

}  // namespace tral
