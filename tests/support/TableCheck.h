// The generic property-table check: walks the table of a creatable class (and every nested
// object reachable from a new instance) and reports every fault it finds:
//   - a new object's values equal the table defaults, enum defaults are members and defaults
//     of Limit/Refuse entries lie in their range;
//   - assigning the current value notifies nothing (no global listener call, no change callback);
//   - a changed value survives save -> load (in the loading state, then Loaded) and the saved
//     text is the same again;
//   - the bad-input policy holds: NaN, infinities and huge values leave finite values, limited,
//     folded or refused as the table says, and the object still saves and loads afterwards.
// PackageTables (tests/apps) runs it for every class the package registers, the framework and
// foundation tests for their test classes:
//   for (const TClassInfo* c : RegisteredClasses()) EXPECT_EQ(CheckClassTables(*c), std::vector<std::string>{});
#pragma once

#include <string>
#include <vector>

#include "dialworks/framework/PropertyTable.h"

namespace dw {

// Faults found, one line each ("TTestScale.Count (Scale.Count): ..."); empty when all is well.
// Classes that cannot be created by name are skipped (empty result).
std::vector<std::string> CheckClassTables(const TClassInfo& AClass);

}  // namespace dw
