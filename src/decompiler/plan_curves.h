// The curves of a line, read back from its plan. Every computed metre is
// the one before it plus the last step, turned by the curvature of its
// class (or not at all on straight track), in exact double arithmetic: the
// curvature of each metre is the one of the 13 that gives its bits.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "format/format_error.h"
#include "format/line_plan_file.h"
#include "format/route_file.h"
#include "format/timetable_file.h"
#include "decompiler/source_lines.h"

namespace scenarioc {

// Metres first to last, all turned by one curvature.
struct CurveRun {
  int32_t first = 0, last = 0;
  int curve_class = 1;  // 1 to 6
  bool left = false;    // "curvas": the negative curvature
};

struct PlanShape {
  bool seeded = false;       // metres 0 and 1 hold the seed points
  int32_t last_metre = 0;    // of the plan: the route length plus 7000 m
  int32_t last_computed = 1; // metres 2 up to here hold computed points
  std::vector<CurveRun> curves;
};

// Throws NotCompiledFiles (with the metre) for a plan no compilation makes.
PlanShape read_plan_shape(const DecodedPlan& plan);

// The "curva" lines that compute the same points. `tail`: the line file
// was read to its end, whose closing steps carry the plan on straight to
// its last metre but two. `cell_count` bounds the positions a line may name.
std::vector<SourceLine> curve_lines(const PlanShape& shape, bool tail, int32_t cell_count);

}  // namespace scenarioc
