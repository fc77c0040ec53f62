// The textfile's target in memory: the INI value, folders that exist, a set clock, every write kept
// as its text.
#pragma once

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "service/metrics_file.h"

namespace tral::fakes {

class FakeMetricsTarget final : public MetricsFileTarget {
 public:
  std::string setting;  // "OPTIONS"/"prometheusfile" as the INI holds it; empty when absent
  std::set<std::string> folders;
  std::uint64_t nowMs = 1767225600000;  // 2026-01-01 00:00:00 UTC
  std::vector<std::pair<std::string, std::string>> writes;  // (path, text), in order
  TextToUtf8 toUtf8 = [](std::string_view text) { return std::string(text); };
  int settingReads = 0;

  std::string ReadPathSetting() override {
    ++settingReads;
    return setting;
  }
  bool IsFolder(const std::string& path) override { return folders.contains(path); }
  std::uint64_t UnixTimeMs() override { return nowMs; }
  void Write(const std::string& path, MetricsSnapshot snapshot) override {
    writes.emplace_back(path, MetricsFileText(snapshot, toUtf8));
  }
};

}  // namespace tral::fakes
