// Private-profile INI files read without the Windows profile functions: the lookup the data plans
// read their sections through, and a portable reader of the file's text with the same rules.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tral {

// One INI file as keys within sections. The monitor answers it with the Windows profile functions,
// the report (which also runs where there are none) with ProfileText below.
class ProfileLookup {
 public:
  virtual ~ProfileLookup() = default;
  // The value of `key` in `section` (both compared without letter case), or nothing when the file
  // has no such key in that section.
  virtual std::optional<std::string> Find(const std::string& section, const std::string& key) = 0;
};

// The text of an INI file's bytes, as the profile functions may have saved it: UTF-16 little-endian
// with its byte order mark, UTF-8 with or without one, or text in the system's code page.
struct ProfileFileText {
  std::string text;  // UTF-8 when `unicode` (without the byte order mark), else the bytes as they are
  bool unicode = false;
};
// The text, or nothing with the reason in `why` when the bytes are none of those forms: NUL bytes
// or many control characters (a binary file, or UTF-16 without its mark), UTF-16 big-endian, a
// UTF-8 mark before bytes that are not UTF-8, or UTF-16 with half a surrogate pair.
std::optional<ProfileFileText> DecodeProfileFile(std::string_view bytes, std::string& why);

// The text of an INI file, read as the profile functions read it: "[section]" lines start a
// section, "key=value" lines give a value; blanks around keys and values are dropped, and so is one
// pair of matching quotes around a value; lines starting with ";" and lines without "=" say nothing.
// A key given twice in a section (or in two sections of one name) counts where it comes first.
class ProfileText final : public ProfileLookup {
 public:
  explicit ProfileText(std::string_view text);
  std::optional<std::string> Find(const std::string& section, const std::string& key) override;

 private:
  struct Entry {
    std::string section;
    std::string key;
    std::string value;
  };
  std::vector<Entry> entries_;  // in file order
};

}  // namespace tral
