// The track plan keeps runs of curvatures and works its points out again when
// they are read: every point must be the one the metre-by-metre computation
// gives, bit for bit, however the runs were taken.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "compiler/compile_fixture.h"
#include "format/line_plan_file.h"
#include "model/scenario_tables.h"
#include "test_util.h"

namespace scenarioc {
namespace {

struct Pt {
  double x, y;
};

// The plan as the line file defines it: each metre from the two before it.
std::vector<Pt> by_metre(const std::vector<std::pair<double, int>>& stretches) {
  std::vector<Pt> pts = {{0, 0}, {0, 1}};
  for (const auto& [k, metres] : stretches) {
    for (int i = 0; i < metres; ++i) {
      const Pt a = pts[pts.size() - 2], b = pts.back();
      const double dx = b.x - a.x, dy = b.y - a.y;
      if (k == 0) pts.push_back({b.x + dx, b.y + dy});
      else pts.push_back({b.x + (dx + k * dy), b.y + (dy - k * dx)});
    }
  }
  return pts;
}

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

std::string plan_file(const TrackPlan& plan) {
  std::string out;
  encode_line_plan(plan, [&out](std::string_view piece) { out.append(piece); }, 4096);
  return out;
}

// Curvatures of every class to both sides, long straights and single metres.
const std::vector<std::pair<double, int>> kStretches = {
    {0, 500},    {0.0001, 7300}, {0, 3},   {-0.0004, 3500}, {0.003, 1},
    {-0.003, 1}, {0.002, 450},   {0, 1},   {-0.002, 500},   {0.001, 1400},
    {0, 20000},  {-0.0002, 3900}, {0, 2}};

TEST(TrackPlan, PointsAreThoseOfTheMetreByMetreComputation) {
  const std::vector<Pt> want = by_metre(kStretches);
  const int32_t last = static_cast<int32_t>(want.size()) + 1;  // two metres stay empty
  // Whole stretches at once, and the same stretches metre by metre.
  TrackPlan bulk, single;
  for (TrackPlan* p : {&bulk, &single}) {
    p->create(last);
    p->seed();
  }
  for (const auto& [k, metres] : kStretches) {
    bulk.step(k, metres);
    for (int i = 0; i < metres; ++i) single.step(k);
  }
  ASSERT_EQ(bulk.cursor(), static_cast<int32_t>(want.size()));
  // Read one at a time: the metres around every change of curvature.
  int32_t first = 2;
  for (const auto& [k, metres] : kStretches) {
    for (int32_t m : {first - 1, first, first + 1}) {
      if (m < 0 || m >= bulk.cursor()) continue;
      EXPECT_TRUE(same_bits(bulk.x(m), want[m].x)) << m;
      EXPECT_TRUE(same_bits(bulk.y(m), want[m].y)) << m;
    }
    first += metres;
  }
  // The file holds every point: X of every metre, then Y.
  const std::string b = plan_file(bulk);
  ASSERT_EQ(b, plan_file(single));
  ASSERT_EQ(b.size(), line_plan_bytes(bulk));
  const DecodedPlan file = decode_line_plan(b);
  for (size_t m = 2; m < want.size(); ++m) {
    const int32_t metre = static_cast<int32_t>(m);
    ASSERT_EQ(file.x(metre), (PlanValue{TrackPlan::Tag::kDouble, want[m].x})) << m;
    ASSERT_EQ(file.y(metre), (PlanValue{TrackPlan::Tag::kDouble, want[m].y})) << m;
  }
  for (size_t m = want.size(); m <= static_cast<size_t>(file.last_metre()); ++m)
    EXPECT_EQ(file.x(static_cast<int32_t>(m)).tag, TrackPlan::Tag::kEmpty);
  EXPECT_EQ(static_cast<size_t>(file.last_metre()) + 1, want.size() + 2);
}

// The file in pieces placed by offset, as the compile writes it.
std::string plan_file_at(const TrackPlan& plan, size_t chunk) {
  std::string out(line_plan_bytes(plan), '\x7f');
  encode_line_plan_at(plan, [&out](uint64_t at, std::string_view piece) {
    ASSERT_LE(at + piece.size(), out.size());
    out.replace(at, piece.size(), piece);
  }, chunk);
  return out;
}

TEST(TrackPlan, OnePassWithOffsetsGivesTheSameFile) {
  TrackPlan p;
  p.create(40000);
  EXPECT_EQ(plan_file_at(p, 1000), plan_file(p));  // not seeded: all empty
  p.seed();
  for (const auto& [k, metres] : kStretches) {
    if (p.cursor() + metres > 39999) break;
    p.step(k, metres);
  }
  p.append(3.5, -2.0);
  p.step(0.001, 7);
  const std::string want = plan_file(p);
  for (size_t chunk : {size_t{1}, size_t{7}, size_t{4096}, size_t{1} << 20})
    EXPECT_EQ(plan_file_at(p, chunk), want) << chunk;
}

TEST(TrackPlan, StepsGoOnFromAppendedPoints) {
  TrackPlan p;
  p.create(20);
  p.seed();
  p.append(0.5, 2.25);
  p.append(1.5, 3.0);
  p.step(0.002, 3);
  p.append(-7.0, 4.0);
  p.step(0, 2);
  std::vector<Pt> want = {{0, 0}, {0, 1}, {0.5, 2.25}, {1.5, 3.0}};
  for (int i = 0; i < 3; ++i) {
    const Pt a = want[want.size() - 2], b = want.back();
    const double dx = b.x - a.x, dy = b.y - a.y;
    want.push_back({b.x + (dx + 0.002 * dy), b.y + (dy - 0.002 * dx)});
  }
  want.push_back({-7.0, 4.0});
  for (int i = 0; i < 2; ++i) {
    const Pt a = want[want.size() - 2], b = want.back();
    want.push_back({b.x + (b.x - a.x), b.y + (b.y - a.y)});
  }
  ASSERT_EQ(p.cursor(), static_cast<int32_t>(want.size()));
  for (int32_t m = 0; m < p.cursor(); ++m) {
    EXPECT_TRUE(same_bits(p.x(m), want[m].x)) << m;
    EXPECT_TRUE(same_bits(p.y(m), want[m].y)) << m;
  }
  EXPECT_EQ(p.x(p.cursor()), 0.0);  // not computed yet
}

TEST(TrackPlan, NewSeedsOrANewPlanStartAfresh) {
  TrackPlan p;
  p.create(100);
  p.seed();
  p.step(0.001, 50);
  p.seed();
  EXPECT_EQ(p.cursor(), 2);
  p.step(0, 3);
  EXPECT_EQ(p.y(4), 4.0);
  p.create(100);
  EXPECT_FALSE(p.seeded());
  EXPECT_EQ(p.y(4), 0.0);
  EXPECT_EQ(plan_file(p), std::string(2 * 2 * 101, '\0'));
}

// A curve that runs into a limit keeps the metres computed before it.
struct PlanLimitCase {
  const char* name;
  std::string line;
  int32_t code;
  int32_t cursor;  // where the plan stopped
};

class PlanLimit : public ::testing::TestWithParam<PlanLimitCase> {};

TEST_P(PlanLimit, PlanStopsAtTheMetreThatFails) {
  const PlanLimitCase& c = GetParam();
  Scenario s = testing::compile_text(c.line, "[generale]\r\n[fine]\r\n");
  ASSERT_FALSE(s.failures.empty());
  EXPECT_EQ(s.failures.front().code, c.code);
  EXPECT_EQ(s.track_plan.cursor(), c.cursor);
}

INSTANTIATE_TEST_SUITE_P(
    Curves, PlanLimit,
    ::testing::Values(
        // 10000 m give a plan of metres 0 to 17000.
        PlanLimitCase{"PastTheLastMetre", testing::line_file("curvad1,  16000,  2000\r\n"), 25,
                      17001},
        PlanLimitCase{"PastTheLongestPlan",
                      testing::line_file("curvad1,  999000,  5000\r\n", 1000000), 103,
                      1000001},
        PlanLimitCase{"StraightPastTheLongestPlan",
                      testing::line_file("curvad1,  1000500,  10\r\n", 1000000), 103,
                      1000001}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace scenarioc
