// The index's schema as SQL: the migration steps from each version to the
// next, and the settling of version 1's continuous-defect marks, which both
// the step to version 2 and the recovery of a damaged version 1 file run.
#pragma once

#include <string>
#include <vector>

namespace indexschema {

// Step i upgrades version i to version i + 1; version 0 is an empty file.
const std::vector<std::string>& migrations();

// Joins each 'end' mark to the 'start' before it (by the distances of the
// table snapshot) into one continuous defect, and keeps the unpaired ones
// as continuous defects that say so.
extern const char* const kSettleMarks;

} // namespace indexschema
