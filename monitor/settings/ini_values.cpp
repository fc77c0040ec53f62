// INI value texts and the typed reads and writes built on them.
#include "monitor/settings/ini_values.h"

#include <charconv>

#include "shared/ascii_text.h"
#include "shared/ini_number.h"

namespace tral {

namespace {

template <typename Int>
std::string DecimalText(Int value) {
  char buffer[20];  // the writers' buffer size; "%d" and "%u" need at most 11 characters
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

}  // namespace

std::string IniIntText(std::int32_t value) { return DecimalText(value); }
std::string IniUIntText(std::uint32_t value) { return DecimalText(value); }
const char* IniBoolText(bool value) { return value ? "YES" : "NO"; }

std::int32_t IniTextToInt(std::string_view text) {
  return static_cast<std::int32_t>(ParseIniNumber(text));
}

std::uint32_t IniTextToUInt(std::string_view text) { return ParseIniNumber(text); }

bool IniTextToBool(std::string_view text) { return AsciiEqualIgnoringCase(text, "YES"); }

std::int32_t ReadIniInt(IniFile& file, const char* section, const char* key, std::int32_t def) {
  return IniTextToInt(file.ReadText(section, key, IniIntText(def).c_str()));
}

std::uint32_t ReadIniUInt(IniFile& file, const char* section, const char* key, std::uint32_t def) {
  return IniTextToUInt(file.ReadText(section, key, IniUIntText(def).c_str()));
}

bool ReadIniBool(IniFile& file, const char* section, const char* key, bool def) {
  return IniTextToBool(file.ReadText(section, key, IniBoolText(def)));
}

bool WriteIniInt(IniFile& file, const char* section, const char* key, std::int32_t value) {
  return file.WriteText(section, key, IniIntText(value).c_str());
}

bool WriteIniUInt(IniFile& file, const char* section, const char* key, std::uint32_t value) {
  return file.WriteText(section, key, IniUIntText(value).c_str());
}

bool WriteIniBool(IniFile& file, const char* section, const char* key, bool value) {
  return file.WriteText(section, key, IniBoolText(value));
}

}  // namespace tral
