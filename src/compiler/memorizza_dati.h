// The parser: reads the line file and then the train file into the tables.
#pragma once

#include "compiler/source_input.h"
#include "model/scenario_tables.h"

namespace scenarioc {

// Needs line_name, train_number and build_line_plan set, the timetable rows
// cleared and error_code 0. Records every failure in `s`.
void memorizza_dati(Scenario& s, SourceInput& input);

}  // namespace scenarioc
