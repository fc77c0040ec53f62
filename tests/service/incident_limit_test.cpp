// Incidents reach the writer at most once an hour per kind, across the tick count's wrap.
#include <gtest/gtest.h>

#include "service/incident_limit.h"
#include "service_test_support.h"

namespace tral {
namespace {

TEST(RateLimitedIncidents, OncePerKindAndHour) {
  struct Step {
    std::uint32_t tick;
    Incident kind;
    bool written;
  };
  const Step steps[] = {
      {0xFFFF0000u, Incident::kClockJump, true},
      {0xFFFF0001u, Incident::kClockJump, false},
      {0xFFFF0002u, Incident::kCannotSave, true},  // another kind has its own hour
      // 3,599,999 ms after the first, across the wrap of the tick count: still within the hour.
      {0xFFFF0000u + 3599999u, Incident::kClockJump, false},
      {0xFFFF0000u + 3600000u, Incident::kClockJump, true},
      {0xFFFF0002u + 3600000u, Incident::kCannotSave, true},
      {0xFFFF0002u + 3600001u, Incident::kCannotSave, false},
  };
  testing::RecordingIncidents writer;
  fakes::FakeClock clock;
  RateLimitedIncidents limited(writer, clock);
  std::size_t written = 0;
  for (const Step& s : steps) {
    clock.tick = s.tick;
    limited.Report(s.kind, "detail");
    written += s.written ? 1 : 0;
    ASSERT_EQ(writer.reported.size(), written) << "at tick " << s.tick;
  }
  EXPECT_EQ(writer.reported.back().second, "detail");
}

}  // namespace
}  // namespace tral
