// Timing of the plain benchmark programs: one call in milliseconds, and the summaries of many.
#pragma once

#include <algorithm>
#include <chrono>
#include <vector>

namespace tral::bench {

template <typename F>
double TimeMs(F&& f) {
  const auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

inline double Min(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

inline double Mean(const std::vector<double>& v) {
  double sum = 0;
  for (const double x : v) sum += x;
  return sum / static_cast<double>(v.size());
}

}  // namespace tral::bench
