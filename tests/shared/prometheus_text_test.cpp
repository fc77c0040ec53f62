// The shared Prometheus lines: samples of one identity merged into one with saturating sums (the
// lines themselves are checked byte for byte by the report's golden files and the service's textfile).
#include <gtest/gtest.h>

#include <limits>

#include "shared/prometheus_text.h"

namespace tral::prometheus {
namespace {

constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();

ConnectionSample S(std::string period, std::string adapter, std::string ip, std::string ssid, std::uint64_t down,
                   std::uint64_t up = 0) {
  return ConnectionSample{std::move(period), std::move(adapter), std::move(ip), "", std::move(ssid), down, up};
}

TEST(PrometheusMerge, OneSamplePerIdentityWithSaturatingSums) {
  struct Result {
    std::string ip;
    std::uint64_t down;
    std::uint64_t up;
  };
  const struct {
    const char* what;
    std::vector<ConnectionSample> in;
    std::vector<Result> out;
    std::vector<std::size_t> saturated;
  } cases[] = {
      {"distinct samples keep their order",
       {S("today", "K", "10.0.0.2", "", 5), S("today", "K", "10.0.0.1", "", 7)},
       {{"10.0.0.2", 5, 0}, {"10.0.0.1", 7, 0}},
       {}},
      {"equal identities are summed where the first one stood",
       {S("today", "K", "10.0.0.1", "Cafe", 5, 1), S("today", "K", "10.0.0.2", "", 1),
        S("today", "K", "10.0.0.1", "Cafe", 10, 2)},
       {{"10.0.0.1", 15, 3}, {"10.0.0.2", 1, 0}},
       {}},
      {"another period is another series",
       {S("today", "K", "10.0.0.1", "", 5), S("span", "K", "10.0.0.1", "", 9)},
       {{"10.0.0.1", 5, 0}, {"10.0.0.1", 9, 0}},
       {}},
      {"texts that only join alike stay apart",
       {S("today", "a:", "b", "", 1), S("today", "a", ":b", "", 2), S("today", "a", "b", ":", 4)},
       {{"b", 1, 0}, {":b", 2, 0}, {"b", 4, 0}},
       {}},
      {"a sum reaching the largest value exactly is no saturation",
       {S("today", "K", "10.0.0.1", "", kMax - 10), S("today", "K", "10.0.0.1", "", 10)},
       {{"10.0.0.1", kMax, 0}},
       {}},
      {"a sum past it stops there and is named",
       {S("today", "K", "10.0.0.9", "", 1), S("today", "K", "10.0.0.1", "", kMax - 10),
        S("today", "K", "10.0.0.1", "", 11), S("today", "K", "10.0.0.1", "", 3)},
       {{"10.0.0.9", 1, 0}, {"10.0.0.1", kMax, 0}},
       {1}},
      {"the upload saturates alone",
       {S("today", "K", "10.0.0.1", "", 1, kMax), S("today", "K", "10.0.0.1", "", 1, 1)},
       {{"10.0.0.1", 2, kMax}},
       {0}},
  };
  for (const auto& c : cases) {
    const MergedSamples m = MergeSamples(c.in);
    ASSERT_EQ(m.samples.size(), c.out.size()) << c.what;
    for (std::size_t i = 0; i < c.out.size(); ++i) {
      EXPECT_EQ(m.samples[i].ip, c.out[i].ip) << c.what << " #" << i;
      EXPECT_EQ(m.samples[i].downloadedBytes, c.out[i].down) << c.what << " #" << i;
      EXPECT_EQ(m.samples[i].uploadedBytes, c.out[i].up) << c.what << " #" << i;
    }
    EXPECT_EQ(m.saturated, c.saturated) << c.what;
  }
}

}  // namespace
}  // namespace tral::prometheus
