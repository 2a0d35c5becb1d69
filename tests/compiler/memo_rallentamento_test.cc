#include <gtest/gtest.h>

#include <vector>

#include "compiler/cell_writers.h"
#include "compiler/runtime_failure.h"
#include "route_fixture.h"

namespace scenarioc {
namespace {

using MemoRallentamento = RouteTest;

TEST_F(MemoRallentamento, AllCellsWithTheirValues) {
  // Warning 8, start 32, end 52, approach 7 down to 4.
  ASSERT_EQ(memo_rallentamento(s, 1550, 60, 1000, 7, 1, 30), 0);
  for (int c : {32, 52}) {
    EXPECT_EQ(cell(c).code1, 60) << "cell " << c;
    EXPECT_EQ(cell(c).code2, 30) << "cell " << c;
    EXPECT_EQ(cell(c).code3, 7) << "cell " << c;
  }
  EXPECT_EQ(cell(52).kind, kSlowDownEnd);
  EXPECT_EQ(cell(32).kind, kSlowDownStart);
  EXPECT_EQ(cell(8).kind, kWarningBoard);
  EXPECT_EQ(cell(8).code1, 60);
  EXPECT_EQ(cell(8).code2, 30);
  EXPECT_EQ(cell(8).code3, 0);
  for (int j = 0; j < 4; ++j) {
    const RouteCell& a = cell(7 - j);
    EXPECT_EQ(a.kind, kApproach);
    EXPECT_EQ(a.code1, j + 1);
    EXPECT_EQ(a.code2, j + 1);
    EXPECT_EQ(a.code3, 0);
  }
}

TEST_F(MemoRallentamento, NoSpeedDifferenceLeavesSecondCodeAlone) {
  for (RouteCell& c : s.route) c.code2 = 77;
  ASSERT_EQ(memo_rallentamento(s, 1550, 60, 1000, 7, 1, 0), 0);
  for (int c : {4, 5, 6, 7, 8, 32, 52}) {
    EXPECT_NE(cell(c).kind, kEmpty) << "cell " << c;
    EXPECT_EQ(cell(c).code2, 77) << "cell " << c;
  }
  EXPECT_EQ(cell(7).code1, 1);
}

TEST_F(MemoRallentamento, WarningAndApproachCells) {
  struct Case {
    int32_t x, f_ta;
    int warning, start, end, approach;  // -1: none; approach is its first cell
    int32_t code;
  };
  const Case cases[] = {
      {1500, 1, -1, 31, 51, -1, 0},  // too near the start for a warning board
      {1501, 1, 7, 31, 51, 6, 0},
      {1550, 1, 8, 32, 52, 7, 0},
      {1550, 0, 8, 32, 52, -1, 0},
      {1525, 1, 8, 32, 52, 6, 0},    // 7.5 and 6.5 round apart: cell 7 stays out
      {1575, 1, 8, 32, 52, -1, 20},  // 8.5 and 7.5 both give 8: the warning cell
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "x " << c.x << " f_ta " << c.f_ta);
    Scenario t;
    t.cell_count = kLastCell;
    t.create_route(kLastCell);
    EXPECT_EQ(memo_rallentamento(t, c.x, 60, 1000, 7, c.f_ta, 30), c.code);
    std::vector<uint8_t> kinds(60, kEmpty);
    if (c.warning >= 0) kinds[c.warning] = kWarningBoard;
    kinds[c.start] = kSlowDownStart;
    kinds[c.end] = kSlowDownEnd;
    for (int j = 0; c.approach >= 0 && j < 4; ++j) kinds[c.approach - j] = kApproach;
    for (int i = 0; i < 60; ++i) EXPECT_EQ(t.route[i].kind, kinds[i]) << "cell " << i;
    if (c.approach >= 0) {
      EXPECT_EQ(t.route[c.approach].code1, 1);
      EXPECT_EQ(t.route[c.approach - 3].code1, 4);
    }
  }
}

TEST_F(MemoRallentamento, TakenWarningStartOrEndLeavesTheRouteUnchanged) {
  // Warning 77, start 101, end 121, approach 76 down to 73.
  struct Case {
    int taken;
    int32_t code;
  };
  for (const Case& c : {Case{77, 17}, Case{101, 18}, Case{121, 19}}) {
    cell(c.taken).kind = kStationStop;
    const std::string before = image();
    EXPECT_EQ(memo_rallentamento(s, 5000, 60, 1000, 7, 1, 30), c.code) << c.taken;
    EXPECT_EQ(image(), before) << c.taken;
    cell(c.taken).kind = kEmpty;
  }
  EXPECT_TRUE(s.failures.empty());
}

TEST_F(MemoRallentamento, MountainMarkersDoNotBlock) {
  for (int c : {73, 76, 77, 101, 121}) cell(c).kind = kMountainMarker;
  ASSERT_EQ(memo_rallentamento(s, 5000, 60, 1000, 7, 1, 30), 0);
  EXPECT_EQ(cell(73).kind, kApproach);
  EXPECT_EQ(cell(76).kind, kApproach);
  EXPECT_EQ(cell(77).kind, kWarningBoard);
  EXPECT_EQ(cell(101).kind, kSlowDownStart);
  EXPECT_EQ(cell(121).kind, kSlowDownEnd);
}

TEST_F(MemoRallentamento, TakenApproachCellKeepsTheSlowDownWritten) {
  cell(73).kind = kPointWithValue;
  EXPECT_EQ(memo_rallentamento(s, 5000, 60, 1000, 7, 1, 30), 20);
  EXPECT_EQ(cell(77).kind, kWarningBoard);
  EXPECT_EQ(cell(101).kind, kSlowDownStart);
  EXPECT_EQ(cell(101).code1, 60);
  EXPECT_EQ(cell(121).kind, kSlowDownEnd);
  EXPECT_EQ(cell(121).code3, 7);
  for (int c : {74, 75, 76}) EXPECT_EQ(cell(c).kind, kEmpty) << "cell " << c;
  EXPECT_EQ(cell(73).kind, kPointWithValue);

}

TEST_F(MemoRallentamento, WithoutApproachBoardsTheirCellsAreNotLookedAt) {
  cell(376).kind = kPointWithValue;  // first approach cell of a slow-down at 20000 m
  EXPECT_EQ(memo_rallentamento(s, 20000, 60, 1000, 7, 0, 30), 0);
  cell(6).kind = kPointWithValue;  // the same for one at 1500 m, which has none
  EXPECT_EQ(memo_rallentamento(s, 1500, 60, 1000, 7, 1, 30), 0);
}

TEST_F(MemoRallentamento, EndInTheStartCellEndsAsAStart) {
  ASSERT_EQ(memo_rallentamento(s, 5000, 60, 10, 7, 0, 30), 0);  // 101.2 rounds to 101
  EXPECT_EQ(cell(101).kind, kSlowDownStart);
  EXPECT_EQ(cell(101).code1, 60);
  EXPECT_EQ(cell(101).code3, 7);
  EXPECT_EQ(cell(102).kind, kEmpty);
}

TEST_F(MemoRallentamento, WideValuesKeepTheirLowBits) {
  ASSERT_EQ(memo_rallentamento(s, 5000, 70000, 1000, 65536, 0, -1), 0);
  EXPECT_EQ(cell(101).code1, 4464);
  EXPECT_EQ(cell(101).code2, -1);
  EXPECT_EQ(cell(101).code3, 0);
  EXPECT_EQ(cell(77).code1, 4464);
}

TEST_F(MemoRallentamento, CellsOutsideTheRouteWriteNothing) {
  const std::string before = image();
  try {
    memo_rallentamento(s, 5000, 60, 100000, 7, 1, 30);
    FAIL() << "no failure";
  } catch (const RuntimeFailure& e) {
    EXPECT_STREQ(e.what(),
                 "the end of the slow-down from 5000 m to 105000 m lies past the end of "
                 "the route (cell 2101, the last is 2000)");
  }
  try {
    memo_rallentamento(s, 100, 60, -500, 7, 1, 30);
    FAIL() << "no failure";
  } catch (const RuntimeFailure& e) {
    EXPECT_STREQ(e.what(),
                 "the end of the slow-down from 100 m to -400 m lies before the start of "
                 "the route (cell -7)");
  }
  EXPECT_THROW(memo_rallentamento(s, -100, 60, 1000, 7, 0, 30), RuntimeFailure);
  EXPECT_THROW(memo_rallentamento(s, 200000, 60, 1000, 7, 0, 30), RuntimeFailure);
  EXPECT_EQ(image(), before);
}

}  // namespace
}  // namespace scenarioc
