// Reading the text of a private-profile INI file line by line.
#include "history/profile_text.h"

#include "shared/ascii_text.h"

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

}  // namespace

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
