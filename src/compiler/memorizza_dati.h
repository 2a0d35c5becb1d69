// The parser: reads the line file and then the train file into the tables.
#pragma once

#include "compiler/source.h"
#include "driver/scenario_tables.h"

namespace scenarioc {

// Needs line_name, train_number and write_line_file set, the timetable rows
// cleared and error_code 0. Records every failure in `s`.
void memorizza_dati(Scenario& s, Source& line, Source& train);

}  // namespace scenarioc
