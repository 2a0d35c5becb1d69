#include "decompiler/plan_curves.h"

#include <algorithm>
#include <cstring>

#include "decompiler/decompile.h"
#include "model/route_rules.h"

namespace scenarioc {
namespace {

[[noreturn]] void not_a_plan(const std::string& why) {
  throw NotCompiledFiles("the line plan file is not one the compiler writes: " + why);
}

}  // namespace

// The decoded plan holds the step of every computed metre already, found as
// here: the step of the metre before first, then the others in order, so
// that a run of one curve stays one run.
PlanShape read_plan_shape(const DecodedPlan& plan) {
  PlanShape shape;
  if (plan.last_metre() < 1) not_a_plan("it does not hold an X and a Y for every metre");
  shape.last_metre = plan.last_metre();
  // Never seeded: the line file stopped before its data. The file's order
  // leaves such a plan no point at all.
  if (!plan.seeded()) return shape;
  shape.seeded = true;
  shape.last_computed = plan.last_computed();
  for (int32_t m = 2; m <= shape.last_computed; ++m) {
    const uint8_t step = plan.step(m);
    if (step == kNoStep)
      not_a_plan("the point of metre " + std::to_string(m) +
                 " follows from the two before it by no curve of the six classes");
    if (step == 0) continue;
    const int cls = step <= kCurveClasses ? step : step - kCurveClasses;
    const bool left = step > kCurveClasses;
    if (!shape.curves.empty() && shape.curves.back().last == m - 1 &&
        shape.curves.back().curve_class == cls && shape.curves.back().left == left)
      shape.curves.back().last = m;
    else
      shape.curves.push_back({m, m, cls, left});
  }
  return shape;
}

std::vector<SourceLine> curve_lines(const PlanShape& shape, bool tail, int32_t cell_count) {
  std::vector<SourceLine> lines;
  if (!shape.seeded) return lines;
  // The last position a line may name leaves 100 m of route after it.
  const int64_t last_position = int64_t{cell_count} * 50 - 100;
  int32_t computed = 1;  // the last metre the lines so far have computed
  const Keyword& curve = keyword(Key::kCurva);
  for (const CurveRun& run : shape.curves) {
    // The line's straight run reaches its start, its curve the run's end.
    // Straight after the last line's curve, the start is the metre before
    // the run; right after it any earlier start does, since the compiler
    // never steps back.
    int64_t start = run.first - 1;
    if (computed == run.first - 1) start = std::min<int64_t>(start, last_position);
    std::string key = swap_variant(
        std::string(curve.key), curve, {VariantRole::kLeft, VariantRole::kRight},
        find_variant(curve, run.left ? VariantRole::kLeft : VariantRole::kRight));
    key = swap_variant(std::move(key), curve, {VariantRole::kClass},
                       find_variant(curve, VariantRole::kClass, run.curve_class));
    lines.push_back({key + format(",  %lld,  %lld", static_cast<long long>(start),
                                  static_cast<long long>(run.last - start)),
                     ""});
    computed = run.last;
  }
  if (!tail && shape.last_computed > computed)
    lines.push_back({keyed(Key::kCurva, ",  %d,  0", shape.last_computed),
                     "a curve of no length: the plan runs straight up to here where the "
                     "compile these files come from stopped"});
  return lines;
}

}  // namespace scenarioc
