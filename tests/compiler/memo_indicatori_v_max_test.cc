#include <gtest/gtest.h>

#include <climits>

#include "compiler/cell_writers.h"
#include "compiler/runtime_failure.h"
#include "route_fixture.h"

namespace scenarioc {
namespace {

using MemoIndicatoriVMax = RouteTest;

TEST_F(MemoIndicatoriVMax, BoardWithThreeSpeeds) {
  // "indicatori_vmax, 1100, 80, 90, 100, 0, , , , 0"
  EXPECT_EQ(memo_indicatori_v_max(s, 1100, 80, 90, 100, 0, 0, 0, 0, 0), 0);
  const RouteCell& c = cell(23);
  EXPECT_EQ(c.kind, kSpeedBoard);
  EXPECT_EQ(c.code1, 1600);
  EXPECT_EQ(c.code2, 1800);
  EXPECT_EQ(c.code3, 2000);
  EXPECT_EQ(c.code4, 0);
  EXPECT_EQ(cell(22).kind, kEmpty);
  EXPECT_EQ(cell(24).kind, kEmpty);
}

TEST_F(MemoIndicatoriVMax, SpeedCodes) {
  struct Case {
    int32_t vs, vd;
    int16_t code;
  };
  const Case cases[] = {
      {80, 12, 1602},          // 1602.4
      {80, 13, 1603},          // 1602.6
      {80, -12, 1598},         // 1597.6
      {0, 7, 1},               // 1.4
      {-3, 0, -60},
      {1700, 0, -31536},       // 34000 keeps its low 16 bits
      {INT_MAX, INT_MAX, -26235},  // 43379169669.4
      {INT_MIN, INT_MIN, 26214},   // -43379169689.6
  };
  for (const Case& c : cases) {
    ASSERT_EQ(memo_indicatori_v_max(s, 5000, c.vs, 0, 0, 0, c.vd, 0, 0, 0), 0);
    ASSERT_EQ(memo_indicatori_v_max(s, 6000, 0, c.vs, 0, 0, 0, c.vd, 0, 0), 0);
    ASSERT_EQ(memo_indicatori_v_max(s, 7000, 0, 0, c.vs, 0, 0, 0, c.vd, 0), 0);
    EXPECT_EQ(cell(101).code1, c.code) << c.vs << " and " << c.vd;
    EXPECT_EQ(cell(121).code2, c.code) << c.vs << " and " << c.vd;
    EXPECT_EQ(cell(141).code3, c.code) << c.vs << " and " << c.vd;
    for (int c2 : {101, 121, 141}) cell(c2) = RouteCell{};
  }
}

TEST_F(MemoIndicatoriVMax, StripeCode) {
  ASSERT_EQ(memo_indicatori_v_max(s, 5000, 0, 0, 0, 3, 0, 0, 0, 2), 0);
  EXPECT_EQ(cell(101).code4, 32);
  ASSERT_EQ(memo_indicatori_v_max(s, 6000, 0, 0, 0, INT_MAX, 0, 0, 0, INT_MAX), 0);
  EXPECT_EQ(cell(121).code4, -11);
}

TEST_F(MemoIndicatoriVMax, TakenCellRefusesTheBoardAndMarkerDoesNot) {
  cell(23).kind = kSignal;
  const std::string before = image();
  EXPECT_EQ(memo_indicatori_v_max(s, 1100, 80, 90, 100, 0, 0, 0, 0, 0), 21);
  EXPECT_EQ(image(), before);
  EXPECT_TRUE(s.failures.empty());

  cell(23).kind = kMountainMarker;
  EXPECT_EQ(memo_indicatori_v_max(s, 1100, 80, 90, 100, 0, 0, 0, 0, 0), 0);
  EXPECT_EQ(cell(23).kind, kSpeedBoard);
}

TEST_F(MemoIndicatoriVMax, BoardOutsideTheRoute) {
  const std::string before = image();
  try {
    memo_indicatori_v_max(s, -1000, 80, 90, 100, 0, 0, 0, 0, 0);
    FAIL() << "no failure";
  } catch (const RuntimeFailure& e) {
    EXPECT_STREQ(e.what(),
                 "the board of maximum speeds at -1000 m lies before the start of the "
                 "route (cell -19)");
  }
  EXPECT_THROW(memo_indicatori_v_max(s, 100000, 80, 90, 100, 0, 0, 0, 0, 0),
               RuntimeFailure);
  EXPECT_EQ(image(), before);
}

}  // namespace
}  // namespace scenarioc
