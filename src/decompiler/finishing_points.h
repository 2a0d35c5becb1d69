// Which braking points of 180 an author wrote. The finishing pass places
// points of 180 itself (in front of signals behind a slow-down's warning
// board, in front of slow-downs, inside them and after them); a point of
// 180 that it did not place is a source line. Which is which follows from
// running the pass again over the route, asking at every point of 180 it
// meets whether the cell was free then; an answer that makes the pass place
// a point where the route has none is taken back.
#pragma once

#include <cstdint>
#include <vector>

#include "model/scenario_tables.h"

namespace scenarioc {

// `cells`: the route as compiled, with cell 1's constants set back to 0.
// The cells of the points of 180 that are source lines, in rising order.
std::vector<int64_t> source_points_at_180(const std::vector<RouteCell>& cells);

}  // namespace scenarioc
