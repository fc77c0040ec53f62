// The directory beside the service executable: day files, their temporaries and the service INI.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tral {

enum class ReadResult {
  kRead,  // the bytes are exactly the file's
  kAbsent,  // there is no such file
  kUnreadable,  // it exists but cannot be read (in use, access denied, too large, an I/O error)
};

enum class ReplaceResult {
  kReplaced,
  kBusy,  // another program holds the file without letting it be replaced: worth trying again soon
  kFailed,  // any other failure (no space, no rights)
};

class DayFileStore {
 public:
  virtual ~DayFileStore() = default;
  // Reads a whole file (opened for reading, others may read too). `out` is empty unless kRead.
  virtual ReadResult Read(const std::string& name, std::vector<std::uint8_t>& out) = 0;
  // Replaces a file by one holding exactly these bytes: written to a temporary of the same
  // directory, flushed, then renamed over the file, so readers see the old or the new file whole.
  // On any failure the old file is untouched.
  virtual ReplaceResult Replace(const std::string& name, std::span<const std::uint8_t> bytes) = 0;
  // Renames a file of the directory to a name that does not exist yet; false when it cannot.
  virtual bool Rename(const std::string& from, const std::string& to) = 0;
  // Names of the directory's files that match a pattern such as "*.bin".
  virtual std::vector<std::string> List(const std::string& pattern) = 0;
  virtual bool Remove(const std::string& name) = 0;
  // "OPTIONS"/"keepdays" of the service INI as text, "0" when the file or key is missing.
  virtual std::string ReadKeepDaysText() = 0;
};

}  // namespace tral
