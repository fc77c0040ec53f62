// Quantity and speed texts: units, decimals, labels and the rounding of exact halves.
#include <gtest/gtest.h>

#include <clocale>

#include "monitor/common/quantity_format.h"
#include "monitor_test_support.h"

namespace tral {
namespace {

MonitorSettings Quantity(std::int32_t unit, std::int32_t decimals) {
  MonitorSettings s;
  s.quantity = unit;
  s.quantitydec = decimals;
  return s;
}

using test::SpeedSettings;

TEST(QuantityFormat, DayTotalsInKilobytesAndMegabytes) {
  const struct {
    std::uint64_t bytes;
    std::int32_t unit;
    std::int32_t decimals;
    const char* text;
  } cases[] = {
      {1536, 0, 2, "1.50"},
      {1536, 0, 0, "2"},  // 1.5 -> nearest even
      {1572863, 1, 2, "1.50"},  // 1,535 whole KB = 1.4990234375 MB
      {1572863, 0, 3, "1535.999"},  // 1535.9990234375 KB
      {1023, 1, 2, "0.00"},  // the kilobyte shift leaves 0
      {1023, 0, 2, "1.00"},  // 0.9990234375 KB
      {0, 0, 2, "0.00"},
      {0, 1, 0, "0"},
      {1048576, 7, 1, "1.0"},  // any non-zero unit is MB
      {1536, 0, 7, "1.500000"},
      {1536, 0, -1, "1.500000"},
      {1536, 0, 4, "1.500000"},
      {1536, 0, 1, "1.5"},
      {1152, 0, 2, "1.12"},  // exactly 1.125 KB: the half goes to the even digit
      {1176, 0, 2, "1.15"},  // 1.1484375 KB rounds up
      {18446744073709551615ULL, 1, 0, "17592186044416"},  // (2^64 - 1) >> 10 is 2^54 - 1 -> 2^44
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatQuantity(c.bytes, Quantity(c.unit, c.decimals)), c.text)
        << c.bytes << " unit " << c.unit << " dec " << c.decimals;
  }
}

TEST(QuantityFormat, SpeedsInEveryUnit) {
  const struct {
    std::uint32_t rate;
    std::int32_t unit;
    std::int32_t decimals;
    const char* text;
  } cases[] = {
      {1000, 0, 0, "1000"},
      {1000, 1, 2, "0.98"},  // 0.9765625
      {1000, 2, 3, "0.001"},  // 0.00095367...
      {1000, 3, 2, "7.81"},  // 7.8125
      {1000, 4, 3, "0.008"},  // 0.00762939...
      {1000, 9, 3, "0.008"},  // outside 0..4: Mb/s like its label
      {4294967295u, 0, 0, "4294967295"},
      {4294967295u, 0, 2, "4294967295.00"},
      {0, 4, 3, "0.000"},
      {1000, 0, 7, "1000.000000"},
      {1000, 0, -1, "1000.000000"},
      {2560, 1, 0, "2"},  // 2.5 -> 2
      {3584, 1, 0, "4"},  // 3.5 -> 4
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatSpeed(c.rate, SpeedSettings(c.unit, c.decimals)), c.text)
        << c.rate << " unit " << c.unit << " dec " << c.decimals;
  }
}

TEST(QuantityFormat, LabelsAndSuffixes) {
  const char* speedLabels[] = {"B/s", "KB/s", "MB/s", "Kb/s", "Mb/s", "Mb/s", "Mb/s"};
  const std::int32_t speeds[] = {0, 1, 2, 3, 4, 5, -1};
  for (int i = 0; i < 7; ++i) EXPECT_STREQ(SpeedLabel(SpeedSettings(speeds[i], 2)), speedLabels[i]) << speeds[i];
  EXPECT_STREQ(QuantityLabel(Quantity(0, 2)), "KB");
  EXPECT_STREQ(QuantityLabel(Quantity(1, 2)), "MB");
  EXPECT_STREQ(QuantityLabel(Quantity(-3, 2)), "MB");
  EXPECT_STREQ(QuantitySuffix(Quantity(0, 2)), " KB");
  EXPECT_STREQ(QuantitySuffix(Quantity(2, 2)), " MB");
}

TEST(QuantityFormat, IgnoresTheProcessLocale) {
  // A locale with a decimal comma, when the machine has one; the text must not change.
  const char* chosen = nullptr;
  for (const char* name : {"de_DE.UTF-8", "de_DE", "fr_FR.UTF-8", "German_Germany.1252", "de-DE"}) {
    if ((chosen = std::setlocale(LC_ALL, name)) != nullptr) break;
  }
  EXPECT_EQ(FormatDecimals(1234567.5, 1), "1234567.5");
  EXPECT_EQ(FormatQuantity(1536, Quantity(0, 2)), "1.50");
  std::setlocale(LC_ALL, "C");
  if (chosen == nullptr) GTEST_SKIP() << "no locale with a decimal comma installed";
}

}  // namespace
}  // namespace tral
