// Each compiled file read back: the decoders give the tables that made it,
// and encoding what they give makes the same bytes again.
#include <gtest/gtest.h>

#include "format/compiled_scenarios.h"

namespace scenarioc {
namespace {

using testing::CompiledScenario;

struct Source {
  const char* name;
  const CompiledScenario& (*compiled)();
  friend void PrintTo(const Source& s, std::ostream* os) { *os << s.name; }
};

class RoundTrip : public ::testing::TestWithParam<Source> {
 protected:
  const CompiledScenario& c = GetParam().compiled();
};

TEST_P(RoundTrip, RouteFile) {
  ASSERT_TRUE(c.scenario.failures.empty());
  const std::vector<RouteCell> cells = decode_route(c.route);
  EXPECT_TRUE(cells == c.scenario.route);
  EXPECT_EQ(encode_route(cells), c.route);
}

TEST_P(RoundTrip, TimetableFile) {
  const Timetable table = decode_timetable(c.timetable);
  EXPECT_TRUE(table == c.scenario.scenario_table);
  EXPECT_EQ(encode_timetable(table), c.timetable);
}

TEST_P(RoundTrip, LinePlanFile) {
  const DecodedPlan plan = decode_line_plan(c.plan);
  const testing::PlanValues want = testing::expected_plan(c.scenario.track_plan);
  ASSERT_EQ(plan.last_metre(), c.scenario.track_plan.last_metre());
  EXPECT_TRUE(testing::values_of(plan) == want);
  // A compiled plan is held as the steps of its curves: no point is kept as
  // it stands.
  for (int32_t m = 2; m <= plan.last_computed(); ++m) ASSERT_NE(plan.step(m), kNoStep) << m;
  EXPECT_EQ(encode_line_plan(plan), c.plan);
}

INSTANTIATE_TEST_SUITE_P(Scenarios, RoundTrip,
                         ::testing::Values(Source{"Builtin", testing::builtin_scenario},
                                           Source{"Largest", testing::largest_scenario}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace scenarioc
