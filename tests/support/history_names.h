// Names that may lie beside the day files, with what the day-file rule and the slot-file rule say of
// each: one table for the rules themselves and for everything that prunes or deletes history.
#pragma once

#include "shared/civil_date.h"

namespace tral::test {

struct HistoryName {
  const char* name;
  bool dayFile;
  bool slotFile;
  CivilDate date;  // the date the rule reads from it, when either rule accepts it
};

inline const HistoryName kHistoryNames[] = {
    {"20090313.bin", true, false, {2009, 3, 13}},
    {"20090313.BIN", true, false, {2009, 3, 13}},  // file names compare without case
    {"20080229.Bin", true, false, {2008, 2, 29}},
    {"16010101.bin", true, false, {1601, 1, 1}},
    {"99991231.bin", true, false, {9999, 12, 31}},
    {"20090313.slots", false, true, {2009, 3, 13}},
    {"20090312.SLOTS", false, true, {2009, 3, 12}},
    {"20080229.Slots", false, true, {2008, 2, 29}},
    {"20090229.bin", false, false, {}},  // no leap day in 2009
    {"20090229.slots", false, false, {}},
    {"21000229.bin", false, false, {}},  // nor in 2100
    {"20260230.slots", false, false, {}},
    {"20090431.bin", false, false, {}},
    {"20091301.slots", false, false, {}},
    {"20090001.bin", false, false, {}},
    {"20090300.bin", false, false, {}},
    {"2009031.bin", false, false, {}},
    {"200903133.slots", false, false, {}},
    {"2009-313.bin", false, false, {}},
    {"20090313.tmp", false, false, {}},  // a save's temporaries
    {"20090313.slots.tmp", false, false, {}},
    {"20090313.bin.unreadable", false, false, {}},  // kept aside
    {"20090313.slots.unreadable-2", false, false, {}},
    {"20090313.binary", false, false, {}},  // found through its short alias
    {"ABCDEF~1.BIN", false, false, {}},
    {"20090313.slot", false, false, {}},
    {"20090313.slotsx", false, false, {}},
    {"20090313.bin.slots", false, false, {}},
    {"20090313slots", false, false, {}},
    {"notes.bin", false, false, {}},
    {"notes.slots", false, false, {}},
    {"", false, false, {}},
};

}  // namespace tral::test
