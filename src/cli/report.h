// The error report: every failure recorded during a compilation, in the
// order recorded, as compilers write them:
//   FILE:LINE:COL: error CODE: MESSAGE
//   <the source line>
//   <a caret under the item at fault>
// Failures without a source line name the position in metres and the cell.
#pragma once

#include <iosfwd>
#include <string>

#include "model/scenario_tables.h"

namespace scenarioc {

// A code repeated more often than this is summed up in one line.
constexpr int kRepeatsShown = 20;

std::string format_failure(const Failure& f);

void report_failures(const Scenario& s, std::ostream& err);

// The one-line form of a fatal end: "scenarioc: error: <message>".
void report_fatal(std::ostream& err, const std::string& message);

}  // namespace scenarioc
