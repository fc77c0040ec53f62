// The millisecond tick count as a seam, so that the selection's time rules can be driven by tests.
#pragma once

#include <cstdint>

namespace tral {

class TickSource {
 public:
  virtual ~TickSource() = default;
  // Milliseconds since an arbitrary start, wrapping at 2^32 (about 49.7 days).
  virtual std::uint32_t Now() = 0;
};

}  // namespace tral
