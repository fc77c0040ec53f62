// The Statistics window's line about day files it could not count whole.
#pragma once

#include <string>
#include <vector>

#include "shared/civil_date.h"

namespace tral {

// "Not counted, could not be read: 20260313.bin" and/or "Counted in part, damaged: 20260201.bin,
// 20260202.bin", joined by "; "; at most three names of each, then "and N more". Empty when every
// day file of the span was read whole.
std::string DayProblemText(const std::vector<CivilDate>& unreadable, const std::vector<CivilDate>& damaged);

}  // namespace tral
