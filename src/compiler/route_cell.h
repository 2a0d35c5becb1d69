// How the cell writers reach the route: every cell through route_cell, so a
// cell outside the route is a runtime failure that names the item at fault,
// and every narrow field through low16 / low8 (model/route_rules.h).
#pragma once

#include <cstdint>
#include <string>

#include "compiler/runtime_failure.h"
#include "model/rounding.h"
#include "model/route_rules.h"
#include "model/scenario_tables.h"

namespace scenarioc {

// Why cell c cannot be reached, for the author of the item named by
// `subject` ("the signal at 23850 m").
std::string outside_route(const Scenario& s, int64_t c, const std::string& subject);

// Cell c, or a RuntimeFailure; `subject()` builds the item's name, only on failure.
template <typename Subject>
RouteCell& route_cell(Scenario& s, int64_t c, const Subject& subject) {
  if (!s.has_cell(c)) throw RuntimeFailure(outside_route(s, c, subject()));
  return s.route[static_cast<size_t>(c)];
}

// "the speed board" for "a speed board": the occupant of a cell, named again.
inline std::string the_kind(uint8_t kind) {
  const std::string a = kind_name(kind);
  if (a.rfind("a ", 0) == 0) return "the " + a.substr(2);
  if (a.rfind("an ", 0) == 0) return "the " + a.substr(3);
  return a;
}

// "1100 m", for messages.
inline std::string in_metres(int64_t p) { return std::to_string(p) + " m"; }

}  // namespace scenarioc
