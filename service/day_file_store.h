// The directory beside the service executable: day files, their temporaries and the service INI.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tral {

class DayFileStore {
 public:
  virtual ~DayFileStore() = default;
  // Reads a whole file (opened for reading, others may read too); false when it cannot be opened
  // or read. The bytes are exactly the file's.
  virtual bool Read(const std::string& name, std::vector<std::uint8_t>& out) = 0;
  // Replaces a file by one holding exactly these bytes: written to a temporary of the same
  // directory, flushed, then renamed over the file, so readers see the old or the new file whole.
  // False (and the old file untouched) when any step fails.
  virtual bool Replace(const std::string& name, std::span<const std::uint8_t> bytes) = 0;
  // Names of the directory's files that match a pattern such as "*.bin".
  virtual std::vector<std::string> List(const std::string& pattern) = 0;
  virtual bool Remove(const std::string& name) = 0;
  // "OPTIONS"/"keepdays" of the service INI as text, "0" when the file or key is missing.
  virtual std::string ReadKeepDaysText() = 0;
};

}  // namespace tral
