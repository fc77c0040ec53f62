// Text comparison that both programs use for their command words and stored values.
#pragma once

#include <string_view>

namespace tral {

// Equal texts when the letters A-Z and a-z are taken as the same; every other byte must match
// exactly. No locale is consulted, so the result never depends on the user's language settings.
bool AsciiEqualIgnoringCase(std::string_view a, std::string_view b);

}  // namespace tral
