// The two scenario codes, sums over the first 25 characters of the train
// number, the line name and a fill text.
#pragma once

#include <cstdint>

#include "model/scenario_tables.h"

namespace scenarioc {

// Weighted sum: character i counts i times. Stores the working text in
// current_line.
int32_t codice_gara_st(Scenario& s);
// Plain sum. Stores the working text in current_line.
int16_t codice_gara_og(Scenario& s);

}  // namespace scenarioc
