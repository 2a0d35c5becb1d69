// Puts the three kilometric progressives (rows 81 to 83) into their fixed
// order and applies their flags.
#pragma once

#include "model/scenario_tables.h"

namespace scenarioc {

// `progressive_ordina`.
void order_progressives(Scenario& s);

}  // namespace scenarioc
