#include "decompiler/plan_curves.h"

#include <algorithm>
#include <cstring>

#include "decompiler/decompile.h"
#include "model/route_rules.h"

namespace scenarioc {
namespace {

// The curvatures of the six classes, as the line parser has them; index 0
// is straight track, 1 to 6 the classes bending right, 7 to 12 left.
constexpr int kCandidates = 2 * kCurveClasses + 1;

double curvature(int i) {
  return i <= kCurveClasses ? kCurveClassCurvature[i - 1] : -kCurveClassCurvature[i - kCurveClasses - 1];
}

struct Point {
  double x, y;
};

// The next point from the two before it, exactly as the compiler works it
// out (track_plan.cc): straight track repeats the step, a curve turns it.
Point next_point(int i, Point p0, Point p1) {
  if (i == 0) return {p1.x + (p1.x - p0.x), p1.y + (p1.y - p0.y)};
  const double c = curvature(i);
  const double dx = p1.x - p0.x;
  const double dy = p1.y - p0.y;
  return {p1.x + (dx + c * dy), p1.y + (dy - c * dx)};
}

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

[[noreturn]] void not_a_plan(const std::string& why) {
  throw NotCompiledFiles("the line plan file is not one the compiler writes: " + why);
}

using Tag = TrackPlan::Tag;

bool is_integer(const PlanValue& v, double value) {
  return v.tag == Tag::kInteger && v.value == value;
}

}  // namespace

PlanShape read_plan_shape(const DecodedPlan& plan) {
  PlanShape shape;
  if (plan.x.size() != plan.y.size() || plan.x.size() < 2)
    not_a_plan("it does not hold an X and a Y for every metre");
  const int32_t last = plan.last_metre();
  shape.last_metre = last;
  const auto at = [&](int32_t m) { return std::pair{plan.x[m], plan.y[m]}; };

  if (plan.x[0].tag == Tag::kEmpty) {
    // Never seeded: the line file stopped before its data.
    for (int32_t m = 0; m <= last; ++m)
      if (plan.x[m].tag != Tag::kEmpty || plan.y[m].tag != Tag::kEmpty)
        not_a_plan("metre " + std::to_string(m) + " holds a point, but metre 0 none");
    return shape;
  }
  if (!is_integer(plan.x[0], 0) || !is_integer(plan.y[0], 0) || !is_integer(plan.x[1], 0) ||
      !is_integer(plan.y[1], 1))
    not_a_plan("metres 0 and 1 are not the seed points (0, 0) and (0, 1)");
  shape.seeded = true;

  int32_t m = 2;
  while (m <= last && plan.x[m].tag == Tag::kDouble) {
    if (plan.y[m].tag != Tag::kDouble)
      not_a_plan("metre " + std::to_string(m) + " holds an X but no Y");
    ++m;
  }
  shape.last_computed = m - 1;
  for (; m <= last; ++m) {
    const auto [x, y] = at(m);
    if (x.tag != Tag::kEmpty || y.tag != Tag::kEmpty)
      not_a_plan("metre " + std::to_string(m) + " holds a point after an empty metre");
  }

  Point p0{0, 0}, p1{0, 1};
  int current = 0;
  for (m = 2; m <= shape.last_computed; ++m) {
    const Point want{plan.x[m].value, plan.y[m].value};
    auto matches = [&](int i) {
      const Point p = next_point(i, p0, p1);
      return same_bits(p.x, want.x) && same_bits(p.y, want.y);
    };
    int found = -1;
    if (matches(current)) {
      found = current;
    } else {
      for (int i = 0; i < kCandidates && found < 0; ++i)
        if (i != current && matches(i)) found = i;
    }
    if (found < 0)
      not_a_plan("the point of metre " + std::to_string(m) +
                 " follows from the two before it by no curve of the six classes");
    if (found != 0) {
      const int cls = found <= kCurveClasses ? found : found - kCurveClasses;
      const bool left = found > kCurveClasses;
      if (found == current && !shape.curves.empty() && shape.curves.back().last == m - 1) {
        shape.curves.back().last = m;
      } else {
        shape.curves.push_back({m, m, cls, left});
      }
    }
    current = found;
    p0 = p1;
    p1 = want;
  }
  return shape;
}

std::vector<SourceLine> curve_lines(const PlanShape& shape, bool tail, int32_t cell_count) {
  std::vector<SourceLine> lines;
  if (!shape.seeded) return lines;
  // The last position a line may name leaves 100 m of route after it.
  const int64_t last_position = int64_t{cell_count} * 50 - 100;
  int32_t computed = 1;  // the last metre the lines so far have computed
  for (const CurveRun& run : shape.curves) {
    // The line's straight run reaches its start, its curve the run's end.
    // Straight after the last line's curve, the start is the metre before
    // the run; right after it any earlier start does, since the compiler
    // never steps back.
    int64_t start = run.first - 1;
    if (computed == run.first - 1) start = std::min<int64_t>(start, last_position);
    lines.push_back({format("curva%c%d,  %lld,  %lld", run.left ? 's' : 'd', run.curve_class,
                            static_cast<long long>(start),
                            static_cast<long long>(run.last - start)),
                     ""});
    computed = run.last;
  }
  if (!tail && shape.last_computed > computed)
    lines.push_back({format("curvad1,  %d,  0", shape.last_computed),
                     "a curve of no length: the plan runs straight up to here where the "
                     "compile these files come from stopped"});
  return lines;
}

}  // namespace scenarioc
