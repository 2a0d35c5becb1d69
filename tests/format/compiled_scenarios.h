// The built-in scenario and the largest one the formats allow, each compiled
// once in memory, with the compiled files they give.
#pragma once

#include <cstdint>
#include <string>

#include "builtin/builtin_sources.h"
#include "builtin/text_file.h"
#include "compiler/compile.h"
#include "format/line_plan_file.h"
#include "format/route_file.h"
#include "format/timetable_file.h"
#include "largest_scenario.h"

namespace scenarioc::testing {

struct CompiledScenario {
  Scenario scenario;
  std::string route, timetable, plan;  // the three files' bytes
};

inline CompiledScenario compile_scenario(std::string line, std::string train, const std::string& L,
                                         const std::string& T) {
  CompileResult r = compile(std::move(line), std::move(train), {L, T, true});
  CompiledScenario c{std::move(r.scenario), {}, {}, {}};
  c.route = encode_route(c.scenario);
  c.timetable = encode_timetable(c.scenario);
  encode_line_plan(c.scenario.track_plan, [&c](std::string_view piece) { c.plan.append(piece); });
  return c;
}

inline const CompiledScenario& builtin_scenario() {
  static const CompiledScenario c =
      compile_scenario(text_file_bytes(line_source_table()), text_file_bytes(train_source_table()),
                       "Valdena", "704");
  return c;
}

inline const CompiledScenario& largest_scenario() {
  static const CompiledScenario c =
      compile_scenario(bench::largest_line_source(), bench::largest_train_source(),
                       bench::kLargestLine, bench::kLargestTrain);
  return c;
}

// The plan as its file must hold it, read from the plan itself: the tag of
// each metre and the points as worked out from the seeds.
struct PlanValues {
  std::vector<PlanValue> x, y;
  friend bool operator==(const PlanValues&, const PlanValues&) = default;
};

// Every coordinate of a decoded plan, worked out.
inline PlanValues values_of(const DecodedPlan& plan) {
  return {plan.values(false), plan.values(true)};
}

inline PlanValues expected_plan(const TrackPlan& plan) {
  PlanValues d;
  const size_t metres = static_cast<size_t>(plan.last_metre()) + 1;
  d.x.resize(metres);
  d.y.resize(metres);
  for (size_t m = 0; m < metres; ++m) {
    const TrackPlan::Tag tag = plan.tag(static_cast<int32_t>(m));
    d.x[m].tag = d.y[m].tag = tag;
    if (tag == TrackPlan::Tag::kInteger) {
      d.x[m].value = kSeedX[m];
      d.y[m].value = kSeedY[m];
    }
  }
  TrackPlan::Reader r(plan);
  double xs[512], ys[512];
  size_t m = 2;
  while (const size_t n = r.read(xs, ys, 512))
    for (size_t i = 0; i < n; ++i, ++m) {
      d.x[m].value = xs[i];
      d.y[m].value = ys[i];
    }
  return d;
}

}  // namespace scenarioc::testing
