// Each curve class by what it does to the track plan. A curve of the class
// under test bends the plan for a known run of metres; the points at its end
// and on the straight after it must be those of the metre-by-metre rule with
// that class's curvature, bit for bit. Any class constant changed, or a side
// taken the wrong way, moves those points.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "compiler/compile_fixture.h"

namespace scenarioc {
namespace {

struct CurveCase {
  const char* key;
  double k;  // curvature per metre; negative bends the other way
};

void PrintTo(const CurveCase& c, std::ostream* os) { *os << c.key; }

constexpr int kCurveStart = 1000;  // m
constexpr int kCurveLength = 500;  // m
constexpr int kProbe = 3000;       // m, on the straight after the curve

struct Pt {
  double x, y;
};

// The plan from its seeds (0, 0) and (0, 1): straight up to the curve's
// start, bent by k up to its end, straight again up to metre `last`.
Pt point_at(double k, int last) {
  Pt a{0, 0}, b{0, 1};
  for (int m = 2; m <= last; ++m) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const bool curved = m > kCurveStart && m <= kCurveStart + kCurveLength;
    const Pt next = curved ? Pt{b.x + (dx + k * dy), b.y + (dy - k * dx)} : Pt{b.x + dx, b.y + dy};
    a = b;
    b = next;
  }
  return b;
}

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

class CurveClasses : public ::testing::TestWithParam<CurveCase> {};

TEST_P(CurveClasses, BendThePlanByTheirCurvature) {
  const CurveCase& c = GetParam();
  const Scenario s = testing::compile_text(
      testing::line_file(std::string(c.key) + ",  " + std::to_string(kCurveStart) + ",  " +
                         std::to_string(kCurveLength) + "\r\n"),
      testing::train_file(""));
  ASSERT_TRUE(s.failures.empty()) << s.failures.front().message;
  for (const int m : {kCurveStart, kCurveStart + 1, kCurveStart + kCurveLength, kProbe}) {
    const Pt want = point_at(c.k, m);
    EXPECT_TRUE(same_bits(s.track_plan.x(m), want.x))
        << "metre " << m << ": x " << s.track_plan.x(m) << ", want " << want.x;
    EXPECT_TRUE(same_bits(s.track_plan.y(m), want.y))
        << "metre " << m << ": y " << s.track_plan.y(m) << ", want " << want.y;
  }
}

INSTANTIATE_TEST_SUITE_P(Keys, CurveClasses,
                         ::testing::Values(
                             // Classes 1 to 6, bending one way ("d") and the other ("s").
                             CurveCase{"curvad1", 0.0001}, CurveCase{"curvas1", -0.0001},
                             CurveCase{"curvad2", 0.0002}, CurveCase{"curvas2", -0.0002},
                             CurveCase{"curvad3", 0.0004}, CurveCase{"curvas3", -0.0004},
                             CurveCase{"curvad4", 0.001}, CurveCase{"curvas4", -0.001},
                             CurveCase{"curvad5", 0.002}, CurveCase{"curvas5", -0.002},
                             CurveCase{"curvad6", 0.003}, CurveCase{"curvas6", -0.003},
                             // The class is the lowest of the digits 1 to 6 in the key, wherever
                             // it stands; an "s" in either case bends the other way.
                             CurveCase{"curvad51", 0.0001}, CurveCase{"curvad64", 0.001},
                             CurveCase{"CURVAS2", -0.0002}, CurveCase{"curvaD3", 0.0004}),
                         [](const auto& info) { return std::string(info.param.key); });

}  // namespace
}  // namespace scenarioc
