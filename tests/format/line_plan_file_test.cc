#include "format/line_plan_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "format/compiled_scenarios.h"
#include "format/format_error.h"
#include "test_util.h"

namespace scenarioc {
namespace {

using testing::le16;
using testing::le_double;

std::string plan_bytes(const TrackPlan& plan, size_t chunk = 1 << 20) {
  std::string out;
  encode_line_plan(
      plan, [&out](std::string_view p) { out.append(p); }, chunk);
  return out;
}

// A plan of metres 0 to 9 whose computation reached `cursor`.
TrackPlan small_plan(int32_t cursor, bool seeded = true) {
  TrackPlan p;
  p.create(9);
  if (seeded) p.seed();
  while (p.cursor() < cursor) p.append(p.cursor() * 0.5, p.cursor() * -1.25);
  return p;
}

TEST(LinePlanFile, SeedsAreIntegersComputedPointsDoublesTheRestEmpty) {
  const std::string b = plan_bytes(small_plan(8));
  // X block: 2 seeds, metres 2..7 doubles, 8 and 9 empty.
  const size_t block = 4 + 4 + 6 * 10 + 2 + 2;
  ASSERT_EQ(b.size(), 2 * block);
  EXPECT_EQ(b.substr(0, 4), std::string("\x02\x00\x00\x00", 4));
  EXPECT_EQ(b.substr(4, 4), std::string("\x02\x00\x00\x00", 4));  // X of metre 1
  EXPECT_EQ(le16(b, 8), 5);
  EXPECT_EQ(le_double(b, 10), 1.0);  // X of metre 2
  EXPECT_EQ(b.substr(block - 4, 4), std::string(4, '\0'));
  // Y block: metre 1 is 1, metre 3 is -3.75.
  EXPECT_EQ(b.substr(block, 4), std::string("\x02\x00\x00\x00", 4));
  EXPECT_EQ(b.substr(block + 4, 4), std::string("\x02\x00\x01\x00", 4));
  EXPECT_EQ(le_double(b, block + 8 + 10 + 2), -3.75);
  EXPECT_EQ(line_plan_bytes(small_plan(8)), b.size());
}

TEST(LinePlanFile, UnseededPlanIsAllEmpty) {
  const std::string b = plan_bytes(small_plan(2, false));
  EXPECT_EQ(b, std::string(2 * 10 * 2, '\0'));
}

TEST(LinePlanFile, ChunkingDoesNotChangeTheBytes) {
  const TrackPlan p = small_plan(10);
  EXPECT_EQ(plan_bytes(p, 1), plan_bytes(p));
  EXPECT_EQ(plan_bytes(p, 7), plan_bytes(p));
}

TEST(LinePlanFile, NoPlanNoBytes) {
  TrackPlan p;
  EXPECT_EQ(plan_bytes(p), "");
}

// Plans written element by element, as no compile would write them.
constexpr PlanValue E{};
constexpr PlanValue I(double v) { return {TrackPlan::Tag::kInteger, v}; }
constexpr PlanValue D(double v) { return {TrackPlan::Tag::kDouble, v}; }

std::string plan_of(std::vector<PlanValue> x, std::vector<PlanValue> y) {
  // Blocks of two lengths cannot come from encode_line_plan: put them side
  // by side by hand.
  return encode_plan_block(x) + encode_plan_block(y);
}

TEST(LinePlanFile, SmallPlansComeBack) {
  for (const TrackPlan& p : {small_plan(8), small_plan(10), small_plan(2), small_plan(2, false)}) {
    const std::string b = plan_bytes(p);
    const DecodedPlan d = decode_line_plan(b);
    EXPECT_TRUE(testing::values_of(d) == testing::expected_plan(p));
    EXPECT_EQ(encode_line_plan(d), b);
  }
  // A plan of one metre holds one seed.
  const std::string one = plan_of({I(0)}, {I(0)});
  EXPECT_EQ(decode_line_plan(one).last_metre(), 0);
}

struct DamagedPlan {
  const char* name;
  std::string bytes;
  uint64_t offset;
  const char* says;
  friend void PrintTo(const DamagedPlan& d, std::ostream* os) { *os << d.name; }
};

class DamagedLinePlanFile : public ::testing::TestWithParam<DamagedPlan> {};

TEST_P(DamagedLinePlanFile, IsRefusedAtTheByteAtFault) {
  const DamagedPlan& d = GetParam();
  try {
    decode_line_plan(d.bytes);
    FAIL() << "decoded";
  } catch (const FormatError& e) {
    EXPECT_EQ(e.offset(), d.offset);
    EXPECT_NE(std::string(e.what()).find(d.says), std::string::npos) << e.what();
  }
}

std::string with_tag(std::string b, size_t at, uint16_t tag) {
  b[at] = static_cast<char>(tag & 0xff);
  b[at + 1] = static_cast<char>(tag >> 8);
  return b;
}

const std::string kGood = plan_of({I(0), I(0), D(0.5), D(1), E}, {I(0), I(1), D(2), D(3), E});
constexpr double kInf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedLinePlanFile,
    ::testing::Values(
        DamagedPlan{"Empty", "", 0, "the file is empty"},
        DamagedPlan{"OddSize", kGood + "x", 60, "an odd number of bytes, 61"},
        DamagedPlan{"UnknownTag", with_tag(kGood, 8, 3), 8,
                    "X of metre 2 has the tag 3; a line plan holds 0 (empty), 2 (integer) and "
                    "5 (double)"},
        DamagedPlan{"VariantOfAnotherType", with_tag(kGood, 30 + 8, 8), 38,
                    "Y of metre 2 has the tag 8"},
        DamagedPlan{"BlockEndsInsideATag", std::string(6, '\0'), 2,
                    "the X block ends inside the tag of X of metre 1"},
        DamagedPlan{"ElementPastTheBlock",
                    kGood.substr(0, 28) + std::string("\2\0", 2) + kGood.substr(30), 28,
                    "X of metre 4, an integer, runs past the end of the X block at byte 30"},
        DamagedPlan{"DoubleWhereTheSeedIs", plan_of({D(0), I(0), E}, {D(0), I(1), E}), 0,
                    "X of metre 0 is a double, but the plan has no seeds"},
        DamagedPlan{"OneSeedOnly", plan_of({I(0), E, E}, {I(0), E, E}), 4,
                    "X of metre 1 is empty but metre 0 is a seed"},
        DamagedPlan{"SecondSeedWithoutFirst", plan_of({E, I(0), E}, {E, I(1), E}), 2,
                    "X of metre 1 is an integer but metre 0 is empty"},
        DamagedPlan{"SeedOfAnotherValue", plan_of({I(0), I(0), E}, {I(0), I(2), E}), 14,
                    "Y of metre 1 is the integer 2; the seed there is 1"},
        DamagedPlan{"IntegerPastTheSeeds",
                    plan_of({I(0), I(0), D(1), I(4)}, {I(0), I(1), D(1), I(4)}), 18,
                    "X of metre 3 is an integer; only the seeds of metres 0 and 1 are"},
        DamagedPlan{"DoubleAfterAnEmptyMetre",
                    plan_of({I(0), I(0), E, D(1)}, {I(0), I(1), E, D(1)}), 10,
                    "X of metre 3 is a double after an empty metre"},
        DamagedPlan{"DoubleWithoutSeeds", plan_of({E, E, D(1)}, {E, E, D(1)}), 4,
                    "X of metre 2 is a double, but the plan has no seeds"},
        DamagedPlan{"XAndYOfTwoKinds",
                    plan_of({I(0), I(0), D(1), D(2), E, E, E, E, E},
                            {I(0), I(1), D(1), E, E, E, E, E, D(2)}),
                    38 + 18, "Y of metre 3 is empty but X of it is a double"},
        DamagedPlan{"Infinite", plan_of({I(0), I(0), D(kInf)}, {I(0), I(1), D(1)}), 8,
                    "X of metre 2 is not a finite number"},
        DamagedPlan{"NotANumber", plan_of({I(0), I(0), D(1)}, {I(0), I(1), D(std::nan(""))}), 26,
                    "Y of metre 2 is not a finite number"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace scenarioc
