// The kilometres written on the posts beside the track: a line counts them
// from its kilometric progressives (timetable rows 81 to 83), not from the
// metre where its route begins.
#pragma once

#include <cstdint>
#include <optional>

#include "model/scenario_tables.h"

namespace scenarioc {

// A progressive whose flag is 1 counts from 100 m more than its value (the
// compile raises the stored value; the decompiler takes it back).
inline constexpr int32_t kProgressiveFlagRaise = 100;

// The progressive the posts count from at metre `metre` of the route: of
// rows 81 to 83 (as the compile ordered and flagged them), the one with the
// greatest start at or before it. Nothing where none applies; a row of
// zeros is none.
inline const ScenarioRecord* kilometric_progressive(
    const std::array<ScenarioRecord, kScenarioRows>& rows, int64_t metre) {
  const ScenarioRecord* best = nullptr;
  for (const int r : kProgressiveRows) {
    const ScenarioRecord& p = rows[static_cast<size_t>(r)];
    if (p.start_pos == 0 && p.stop_pos == 0) continue;
    if (p.start_pos <= metre && (!best || p.start_pos > best->start_pos)) best = &p;
  }
  return best;
}

// The kilometre the posts show at metre `metre`, in metres: counted up from
// that progressive's value; nothing where no progressive applies.
inline std::optional<int64_t> kilometric_point(
    const std::array<ScenarioRecord, kScenarioRows>& rows, int64_t metre) {
  const ScenarioRecord* p = kilometric_progressive(rows, metre);
  if (!p) return std::nullopt;
  return int64_t{p->stop_pos} + (metre - p->start_pos);
}

}  // namespace scenarioc
