// The kilometres written on the posts beside the track: a line counts them
// from its kilometric progressives (timetable rows 81 to 83), not from the
// metre where its route begins.
#pragma once

#include <cstdint>
#include <optional>

#include "model/scenario_tables.h"

namespace scenarioc {

// The kilometre the posts show at metre `metre` of the route, in metres:
// counted up from the progressive (as the compile ordered and flagged it)
// with the greatest start at or before it. Nothing where no progressive
// applies; a row of zeros is none.
inline std::optional<int64_t> kilometric_point(
    const std::array<ScenarioRecord, kScenarioRows>& rows, int64_t metre) {
  const ScenarioRecord* best = nullptr;
  for (const int r : kProgressiveRows) {
    const ScenarioRecord& p = rows[static_cast<size_t>(r)];
    if (p.start_pos == 0 && p.stop_pos == 0) continue;
    if (p.start_pos <= metre && (!best || p.start_pos > best->start_pos)) best = &p;
  }
  if (!best) return std::nullopt;
  return int64_t{best->stop_pos} + (metre - best->start_pos);
}

}  // namespace scenarioc
