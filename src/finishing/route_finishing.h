// The finishing pass over the route before it is written: abbattimento
// points in front of signals and around slow-downs, then the closing checks
// that mark cell 1 and row 85.
#pragma once

#include <cstdint>

#include "model/scenario_tables.h"

namespace scenarioc {

// The pass over cells 1 to cell_count - 2; records codes 11, 12 and 13.
void finish_route(Scenario& s);

// Writes the marker constants and the two scenario codes. Returns 0, or the
// code (1250 or 1251) of the check that found a marker field already used;
// then the run must end without writing any compiled file.
int32_t closing_checks(Scenario& s);

}  // namespace scenarioc
