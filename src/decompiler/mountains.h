// Mountain stretches back from the route: the type stored in every cell and
// the markers left every fourth cell of a marked stretch.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/scenario_tables.h"

namespace scenarioc {

// One "montagna" line, in the order of the calls.
struct MountainLine {
  int32_t inizio = 0, fine = 0, tipo = 0;
  std::string why;  // set for a line written only to reproduce bytes
};

struct MountainLines {
  std::vector<MountainLine> lines;
  std::string problem;  // why no lines give these cells, when none do
};

// `route`: the cells as compiled, every kind final. The stretches are laid
// so that every marker (kind 11) sits on a stretch's fourth cells, no
// fourth cell of a marked stretch ends with no occupant, and a stretch of a
// type other than 3 never starts within 150 m of the end of the stretch
// called before it (which would store 3).
MountainLines mountain_lines(const std::vector<RouteCell>& route);

}  // namespace scenarioc
