// INI value texts: the typed reads and writes over one INI file, independent of how it is stored.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tral {

// One INI file as text. Reads see at most 18 characters of a value (the private-profile buffer
// of 19); a missing file, section or key reads as `defaultText`.
class IniFile {
 public:
  virtual ~IniFile() = default;
  virtual std::string ReadText(const char* section, const char* key, const char* defaultText) = 0;
  [[nodiscard]] virtual bool WriteText(const char* section, const char* key, const char* value) = 0;
};

// Value texts as they are written: "%d", "%u", "YES"/"NO". The 20-byte buffers of the writers
// always suffice for these.
std::string IniIntText(std::int32_t value);
std::string IniUIntText(std::uint32_t value);
const char* IniBoolText(bool value);

// Value texts as they are read: the shared decimal conversion taken as signed or unsigned; a
// boolean is true exactly for "YES" in any ASCII letter case ("1", "true", "Y" are false).
std::int32_t IniTextToInt(std::string_view text);
std::uint32_t IniTextToUInt(std::string_view text);
bool IniTextToBool(std::string_view text);

// Typed access to one INI file; the default is passed to the file as the text it would be written as.
std::int32_t ReadIniInt(IniFile& file, const char* section, const char* key, std::int32_t def);
std::uint32_t ReadIniUInt(IniFile& file, const char* section, const char* key, std::uint32_t def);
bool ReadIniBool(IniFile& file, const char* section, const char* key, bool def);
[[nodiscard]] bool WriteIniInt(IniFile& file, const char* section, const char* key, std::int32_t value);
[[nodiscard]] bool WriteIniUInt(IniFile& file, const char* section, const char* key, std::uint32_t value);
[[nodiscard]] bool WriteIniBool(IniFile& file, const char* section, const char* key, bool value);

}  // namespace tral
