// The rules of the route in both directions: every item the compiler places
// by them, a reader taking the cells back by them gets again.
#include "model/route_rules.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "model/scenario_tables.h"

namespace scenarioc {
namespace {

TEST(RouteRules, RouteLengthsGiveTheCellsOfTheShortestAndLongestRoute) {
  EXPECT_EQ(route_last_cell(0), 140);
  EXPECT_EQ(route_last_cell(kLongestLine), 20140);
  // 25 m over a cell boundary rounds to the even cell.
  EXPECT_EQ(route_last_cell(1025), 160);
  EXPECT_EQ(route_last_cell(1075), 162);
}

struct PositionCase {
  int64_t metre;
  int64_t item_cell, point_cell;
};

TEST(RouteRules, ItemsAndPointsLandInTheirCellsAndReadBack) {
  const PositionCase cases[] = {
      {0, 1, 0},         {50, 2, 1},         {1000, 21, 20}, {25, 2, 0},  // 1.5 and 0.5 to even
      {75, 2, 2},        {125, 4, 2},        {49, 2, 1},     {-50, 0, -1},
      {1000000, 20001, 20000},
  };
  for (const PositionCase& c : cases) {
    EXPECT_EQ(item_cell(c.metre), c.item_cell) << c.metre;
    EXPECT_EQ(point_cell(c.metre), c.point_cell) << c.metre;
    if (c.metre % kCellMetres == 0) {
      EXPECT_EQ(item_position(item_cell(c.metre)), c.metre);
      EXPECT_EQ(point_position(point_cell(c.metre)), c.metre);
    }
  }
}

struct StationCase {
  int type;
  int64_t position, length;
  bool shifted;
  StationArea area;
};

TEST(RouteRules, StationAreasFollowTheKindAndGiveTheLengthBack) {
  const StationCase cases[] = {
      {1, 5000, 400, false, {4800, 5200}},  {1, 5000, 400, true, {4800, 5250}},
      {5, 5000, 400, true, {4600, 5150}},   {6, 5000, 300, false, {4700, 5150}},
      {7, 5000, 400, false, {4600, 5400}},  {8, 5000, 250, true, {4750, 5250}},
      {30, 5000, 1000, false, {4500, 5500}},
      // An odd length halves to a half metre, which rounds to even.
      {1, 5000, 101, false, {4950, 5050}},  {1, 5001, 101, false, {4950, 5052}},
  };
  for (const StationCase& c : cases) {
    EXPECT_EQ(station_area(c.type, c.position, c.length, c.shifted), c.area) << c.type;
    if (c.length % 2 == 0 || (c.type >= 5 && c.type <= 8)) {
      EXPECT_EQ(station_length(c.type, c.position, c.area.start), c.length) << c.type;
    }
  }
}

TEST(RouteRules, StationStopAndMarksCountDownFromTheStopAndRoundToEven) {
  // Stop at 5200 m: stop cell 103, marks 102 to 99.
  EXPECT_EQ(station_cell(5200, 0), 103);
  for (int k = 1; k <= kStationMarks; ++k) EXPECT_EQ(station_cell(5200, k), 103 - k) << k;
  // 5225 m gives 103.5 and 102.5: both to the even cell.
  EXPECT_EQ(station_cell(5225, 0), 104);
  EXPECT_EQ(station_cell(5225, 1), 102);
  // Within the first 100 m (cell 1 or before) there is no cell.
  EXPECT_EQ(station_cell(100, 0), std::nullopt);
  EXPECT_EQ(station_cell(101, 0), 1);  // 1.02 lies beyond 1 and rounds to it
  EXPECT_EQ(station_cell(250, 3), std::nullopt);
  EXPECT_EQ(station_cell(275, 3), 2);  // 1.5 lies beyond 1 and rounds to 2
  EXPECT_TRUE(station_has_marks(1) && !station_has_marks(5) && !station_has_marks(6) &&
              !station_has_marks(25));
  EXPECT_TRUE(station_stops(24) && !station_stops(25));
}

struct SlowDownCase {
  int64_t x, length;
  bool warned;
  SlowDownCells cells;
};

TEST(RouteRules, SlowDownCellsAndTheirInverse) {
  const SlowDownCase cases[] = {
      {3000, 500, true, {37, 61, 71, 36}},
      {1500, 100, false, {7, 31, 33, 6}},
      {1510, 100, true, {7, 31, 33, 6}},
      // 25 m short of a boundary with an even start cell: the approach
      // cells begin two cells before the board.
      {3025, 500, true, {62 - 24, 62, 72, 36}},
      {3075, 0, true, {38, 62, 62, 38}},
  };
  for (const SlowDownCase& c : cases) {
    const SlowDownCells got = slow_down_cells(c.x, c.length);
    EXPECT_EQ(slow_down_warned(c.x), c.warned) << c.x;
    EXPECT_EQ(got.warning, c.cells.warning) << c.x;
    EXPECT_EQ(got.start, c.cells.start) << c.x;
    EXPECT_EQ(got.end, c.cells.end) << c.x;
    EXPECT_EQ(got.approach, c.cells.approach) << c.x;
    if (c.x % kCellMetres == 0 && (c.x + c.length) % kCellMetres == 0) {
      EXPECT_EQ(item_position(got.start), c.x);
      EXPECT_EQ(slow_down_length(c.x, got.end), c.length);
    }
  }
  EXPECT_EQ(kWarningCells, 24);
  EXPECT_EQ(item_cell(kUnwarnedStretch), 31);
}

TEST(RouteRules, TensCodesReadBackTheirDigitsNegativeOnesToo) {
  for (int s = -30; s <= 30; ++s)
    for (int d = -9; d <= 9; ++d) {
      // A digit pair of mixed signs is not what split_tens gives back, but
      // it encodes to the same code as the pair it does give.
      const int16_t code = tens_code(s, d);
      const TensPair p = split_tens(code);
      EXPECT_EQ(tens_code(p.s, p.d), code) << s << "," << d;
      if ((s >= 0 && d >= 0) || (s <= 0 && d <= 0)) {
        EXPECT_EQ(p, (TensPair{s, d}));
      }
    }
}

struct SignalCase {
  int64_t rapp, sx, dx;
  int64_t tempo;
};

TEST(RouteRules, SignalCodesEncodeAndDecode) {
  const SignalCase cases[] = {
      {0, 0, 0, 0},   {3, 1, 2, 0},   {12, 2, 1, 150}, {0, 2, 0, 40},
      {7, 0, 1, 0},   {-4, 1, 1, 0},  {6600, 1, 0, 0},  // 66001 wraps past 16 bits
      {1, 2, 2, 300},
  };
  for (const SignalCase& c : cases) {
    const int64_t x = c.sx * 3 + c.dx;
    const int16_t code4 = signal_code4(c.rapp, x);
    const uint8_t time = signal_time_byte(c.sx, c.tempo);
    const bool keeps_time = time != 0;
    // From the repeat cells, X comes back modulo 128.
    for (int k = 1; k <= 4; ++k)
      EXPECT_EQ(signal_x_of_repeat(signal_repeat_code(x, k), k), x & 127) << c.rapp << " " << k;
    // From code4 alone (no repeat cell left), X is its last digit.
    const int32_t shown = signal_x_of_code4(code4, keeps_time);
    EXPECT_EQ(signal_code4(signal_rapp(code4, shown), shown), code4) << c.rapp;
    if (x >= 0 && x <= 9 && c.rapp >= 0 && c.rapp < 3000) {
      EXPECT_EQ(shown, keeps_time && x < 6 ? x + 10 : x);
      const SignalAspect a = split_signal_x(static_cast<int32_t>(x), keeps_time);
      EXPECT_EQ(a, (SignalAspect{static_cast<int32_t>(c.sx), static_cast<int32_t>(c.dx)}));
      EXPECT_EQ(signal_rapp(code4, static_cast<int32_t>(x)), c.rapp);
    }
    if (c.rapp == 6600) {
      EXPECT_EQ(signal_rapp(code4, static_cast<int32_t>(x)), c.rapp);
    }
    // A time of 1 to 100 is stored as 101; one above 255 keeps its low byte.
    if (c.sx == 2) {
      const int64_t stored = c.tempo >= 1 && c.tempo <= 100 ? 101 : c.tempo;
      EXPECT_EQ(signal_time_of_byte(time), stored) << c.tempo;
    } else {
      EXPECT_EQ(time, 0);
    }
  }
}

TEST(RouteRules, EveryBoardCodeReadsAsOnePairThatEncodesToItAgain) {
  for (int code = INT16_MIN; code <= INT16_MAX; ++code) {
    const BoardSpeed b = board_speed(static_cast<int16_t>(code));
    ASSERT_GE(b.d, 0) << code;
    ASSERT_LE(b.d, 95) << code;
    ASSERT_EQ(b.d % 5, 0) << code;
    ASSERT_EQ(board_code(b.d, b.s), code) << code;
  }
  // And every pair a source gives reads back as itself.
  for (int s = -50; s <= 50; ++s)
    for (int d = 0; d <= 95; d += 5) EXPECT_EQ(board_speed(board_code(d, s)), (BoardSpeed{s, d}));
  // A negative code: -7 is -1 x 20 + 65 / 5.
  EXPECT_EQ(board_speed(-7), (BoardSpeed{-1, 65}));
}

TEST(RouteRules, CurveClassesBendMoreByClass) {
  for (int c = 1; c < kCurveClasses; ++c)
    EXPECT_LT(kCurveClassCurvature[c - 1], kCurveClassCurvature[c]) << c;
}

TEST(CellKinds, OneTableNamesEveryOccupantForTheDumpAndTheMessages) {
  std::set<std::string_view> names;
  for (const CellKindName& k : kCellKinds) {
    EXPECT_TRUE(names.insert(k.name).second) << k.name;
    EXPECT_EQ(cell_kind_name(k.kind), k.name);
    EXPECT_EQ(kind_name(k.kind), std::string(k.phrase));
  }
  EXPECT_EQ(cell_kind_name(7), "");
  EXPECT_EQ(kind_name(7), "an occupant of kind 7");
  EXPECT_EQ(kind_name(kWarningBoard), "a slow-down warning board");
}

}  // namespace
}  // namespace scenarioc
