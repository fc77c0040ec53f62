// An in-memory directory of day files, slot files and the service INI's keepdays value.
#pragma once

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "service/day_file_store.h"
#include "shared/civil_date.h"

namespace tral::fakes {

class FakeDayStore final : public DayFileStore {
 public:
  std::map<std::string, std::vector<std::uint8_t>> files;
  std::string keepDays = "0";
  bool replaceFails = false;
  int busyReplaces = 0;  // this many replaces from now on meet a file held by another program
  std::string busyName;  // when set, only replaces of this name do
  std::set<std::string> unreadable;  // files that exist but cannot be read
  std::set<std::string> unrenamable;  // files that cannot be renamed
  std::set<std::string> unwritable;  // names whose replace fails, as if the service died before it
  int replaces = 0;  // of anything but slot files: one per save of a day file
  int slotReplaces = 0;  // of slot files
  int reads = 0;

  ReadResult Read(const std::string& name, std::vector<std::uint8_t>& out) override {
    ++reads;
    out.clear();
    auto it = files.find(name);
    if (it == files.end()) return ReadResult::kAbsent;
    if (unreadable.contains(name)) return ReadResult::kUnreadable;
    out = it->second;
    return ReadResult::kRead;
  }

  ReplaceResult Replace(const std::string& name, std::span<const std::uint8_t> bytes) override {
    ++(IsSlotFileName(name) ? slotReplaces : replaces);
    if (busyReplaces > 0 && (busyName.empty() || busyName == name)) {
      --busyReplaces;
      return ReplaceResult::kBusy;
    }
    if (replaceFails || unreadable.contains(name) || unwritable.contains(name)) return ReplaceResult::kFailed;
    files[name].assign(bytes.begin(), bytes.end());
    return ReplaceResult::kReplaced;
  }

  bool Rename(const std::string& from, const std::string& to) override {
    if (!files.contains(from) || files.contains(to) || unrenamable.contains(from)) return false;
    files[to] = std::move(files[from]);
    files.erase(from);
    if (unreadable.erase(from) != 0) unreadable.insert(to);
    return true;
  }

  // Matches "*.ext" patterns case-insensitively, as the directory search does.
  std::vector<std::string> List(const std::string& pattern) override {
    std::vector<std::string> names;
    const std::string ext = Lower(pattern.substr(1));
    for (const auto& [name, bytes] : files) {
      const std::string lower = Lower(name);
      if (lower.size() >= ext.size() && lower.compare(lower.size() - ext.size(), ext.size(), ext) == 0) {
        names.push_back(name);
      }
    }
    return names;
  }

  bool Remove(const std::string& name) override { return files.erase(name) == 1; }

  std::string ReadKeepDaysText() override { return keepDays; }

 private:
  static std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; });
    return s;
  }
};

}  // namespace tral::fakes
