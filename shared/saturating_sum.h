// Sums of byte counts that stop at the largest 64-bit number instead of wrapping around to a small one.
#pragma once

#include <cstdint>

namespace tral {

inline constexpr std::uint64_t kLargestSum = UINT64_MAX;

// `a + b`, or the largest number when the sum does not fit.
constexpr std::uint64_t SaturatingSum(std::uint64_t a, std::uint64_t b) {
  return a > kLargestSum - b ? kLargestSum : a + b;
}

// Adds `b` to `sum`; true when the sum did not fit and stopped at the largest number.
constexpr bool AddSaturating(std::uint64_t& sum, std::uint64_t b) {
  const bool capped = sum > kLargestSum - b;
  sum = capped ? kLargestSum : sum + b;
  return capped;
}

}  // namespace tral
