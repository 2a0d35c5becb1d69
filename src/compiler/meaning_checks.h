// The checks on what a scenario means, run once both files are compiled: the
// timetable along the line, the speed profile, slow-downs, curves, stretches,
// the route length against the items, the names of the two files, and the
// number shapes of other languages and programs. They read the rows as the
// author wrote them (authored_rows.h) and give warnings only: nothing
// compiled changes.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "compiler/authored_rows.h"
#include "compiler/diagnostic_sink.h"
#include "model/scenario_tables.h"

namespace scenarioc {

struct MeaningInput {
  AuthoredFile line;
  AuthoredFile train;
  // The route this compile wrote; empty when it made none.
  const std::vector<RouteCell>* route = nullptr;
  // Compiles two other texts of the same scenario and gives their route, to
  // tell whether the order of a list's rows changes what is compiled.
  std::function<std::optional<std::vector<RouteCell>>(const std::string& line,
                                                      const std::string& train)>
      recompile;
};

void check_meaning(const MeaningInput& in, DiagnosticSink& sink);

}  // namespace scenarioc
