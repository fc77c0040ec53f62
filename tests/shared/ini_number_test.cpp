// The INI number conversion: white space, sign, digits modulo 2^32, 18 visible characters.
#include <gtest/gtest.h>

#include "shared/ini_number.h"

namespace tral {
namespace {

TEST(IniNumber, ConvertsLikeThePrivateProfileReaders) {
  struct Case {
    const char* text;
    std::uint32_t value;
  } cases[] = {
      {"0", 0},
      {"366", 366},
      {"  \t42abc", 42},
      {"+7", 7},
      {"-1", 4294967295u},
      {"4294967295", 4294967295u},
      {"4294967296", 0},  // modulo 2^32, no overflow check
      {"-5", 4294967291u},
      {"abc", 0},
      {"", 0},
      {"-", 0},
      {"1 2", 1},
      {"000000000000000001", 1},  // 18 characters are seen
      {"0000000000000000001", 0},  // the 19th is not
  };
  for (const Case& c : cases) EXPECT_EQ(ParseIniNumber(c.text), c.value) << '"' << c.text << '"';
}

}  // namespace
}  // namespace tral
