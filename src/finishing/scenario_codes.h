// The two scenario codes, sums over the first 25 characters of the train
// number, the line name and a fill text.
#pragma once

#include <cstdint>
#include <string>

#include "model/scenario_tables.h"

namespace scenarioc {

// The text both codes sum over: the train number, then the line name, in
// lower case, then a fill text that makes 25 characters always exist.
std::string scenario_code_text(const Scenario& s);
// `codice_gara_st`, kept in the timetable's row 85: a weighted sum,
// character i counts i times.
int32_t timetable_scenario_code(const Scenario& s);
// `codice_gara_og`, kept in the route's first cell: a plain sum.
int16_t route_scenario_code(const Scenario& s);

}  // namespace scenarioc
