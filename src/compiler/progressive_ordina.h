// Puts the three kilometric progressives (rows 81 to 83) into their fixed
// order and applies their flags.
#pragma once

#include "model/scenario_tables.h"

namespace scenarioc {

void progressive_ordina(Scenario& s);

}  // namespace scenarioc
