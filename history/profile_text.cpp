// Reading the text of a private-profile INI file line by line.
#include "history/profile_text.h"

#include <algorithm>

#include "shared/ascii_text.h"
#include "shared/utf8_text.h"

namespace tral {

namespace {

std::string_view Trimmed(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view Unquoted(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

// UTF-16 little-endian code units as UTF-8; false at half a surrogate pair or an odd byte count.
bool Utf16LeToUtf8(std::string_view bytes, std::string& out) {
  if (bytes.size() % 2 != 0) return false;
  const auto unit = [&](std::size_t i) {
    return static_cast<char32_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                 (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  };
  const std::size_t units = bytes.size() / 2;
  for (std::size_t i = 0; i < units; ++i) {
    char32_t c = unit(i);
    if (c >= 0xDC00 && c <= 0xDFFF) return false;
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 == units || unit(i + 1) < 0xDC00 || unit(i + 1) > 0xDFFF) return false;
      c = 0x10000 + ((c - 0xD800) << 10) + (unit(++i) - 0xDC00);
    }
    AppendUtf8(out, c);
  }
  return true;
}

}  // namespace

std::optional<ProfileFileText> DecodeProfileFile(std::string_view bytes, std::string& why) {
  ProfileFileText decoded;
  if (bytes.substr(0, 2) == "\xFF\xFE") {
    decoded.unicode = true;
    if (!Utf16LeToUtf8(bytes.substr(2), decoded.text)) {
      why = "it starts as UTF-16 text but is not UTF-16 throughout";
      return std::nullopt;
    }
  } else if (bytes.substr(0, 2) == "\xFE\xFF") {
    why = "it is UTF-16 big-endian text; save it as UTF-8 or UTF-16 little-endian";
    return std::nullopt;
  } else if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    decoded.unicode = true;
    decoded.text = bytes.substr(3);
    if (!IsUtf8(decoded.text)) {
      why = "it starts as UTF-8 text but is not UTF-8 throughout";
      return std::nullopt;
    }
  } else {
    // Without a mark: UTF-8 when it is UTF-8 throughout (plain ASCII is either), else the code page.
    decoded.unicode = IsUtf8(bytes);
    decoded.text = bytes;
  }
  // A text file holds no NUL and few control characters (a stray escape in a name is read, and
  // shown as "?"); a binary file is full of both.
  if (decoded.text.find('\0') != std::string::npos) {
    why = "it holds NUL bytes, which no text file does";
    return std::nullopt;
  }
  const auto controls = std::count_if(decoded.text.begin(), decoded.text.end(), [](char c) {
    return (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7F;
  });
  if (static_cast<std::size_t>(controls) * 20 > decoded.text.size()) {
    why = "more than one byte in 20 is a control character, which no text file has";
    return std::nullopt;
  }
  return decoded;
}

ProfileText::ProfileText(std::string_view text) {
  // A file saved with a UTF-8 byte order mark starts with it; it is not part of the first line.
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::string section;
  bool inSection = false;  // keys before the first section heading belong to none
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = Trimmed(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      const std::size_t close = line.find(']');
      section = std::string(Trimmed(line.substr(1, close == std::string_view::npos ? line.size() - 1 : close - 1)));
      inSection = true;
      continue;
    }
    const std::size_t equals = line.find('=');
    if (!inSection || equals == std::string_view::npos) continue;
    entries_.push_back(Entry{section, std::string(Trimmed(line.substr(0, equals))),
                             std::string(Unquoted(Trimmed(line.substr(equals + 1))))});
  }
}

std::optional<std::string> ProfileText::Find(const std::string& section, const std::string& key) {
  for (const Entry& entry : entries_) {
    if (AsciiEqualIgnoringCase(entry.section, section) && AsciiEqualIgnoringCase(entry.key, key)) return entry.value;
  }
  return std::nullopt;
}

}  // namespace tral
