#include "format/line_plan_file.h"

#include <gtest/gtest.h>

#include "test_util.h"

namespace scenarioc {
namespace {

using testing::le16;
using testing::le_double;

std::string plan_bytes(const TrackPlan& plan, size_t chunk = 1 << 20) {
  std::string out;
  encode_line_plan(plan, [&out](std::string_view p) { out.append(p); }, chunk);
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

}  // namespace
}  // namespace scenarioc
