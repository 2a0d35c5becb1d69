#include "finishing/route_finishing.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "finishing/scenario_codes.h"

namespace scenarioc {
namespace {

// A route drawn one character a cell, cell 0 first; spaces are ignored so that
// a route can be written in tens. The last character is cell cell_count.
//   .  empty            s  signal               >  slow-down start (its speed)
//   e  slow-down end    w  warning board        x  taken (a board of maximum speeds)
//   m  mountain marker  p  point with value 180  q  point without value
constexpr std::string_view kKinds = ".se>wxmpq";
constexpr uint8_t kKindOf[] = {kEmpty,         kSignal,        kSlowDownEnd,
                               kSlowDownStart, kWarningBoard,  kSpeedBoard,
                               kMountainMarker, kPointWithValue, kPointWithoutValue};

std::string squeeze(std::string_view drawn) {
  std::string out;
  for (char ch : drawn)
    if (ch != ' ') out += ch;
  return out;
}

Scenario paint(std::string_view drawn, int16_t speed = 50) {
  const std::string cells = squeeze(drawn);
  Scenario s;
  s.cell_count = static_cast<int32_t>(cells.size()) - 1;
  s.create_route(s.cell_count);
  for (size_t c = 0; c < cells.size(); ++c) {
    const size_t k = kKinds.find(cells[c]);
    EXPECT_NE(k, std::string_view::npos) << "unknown cell '" << cells[c] << "'";
    RouteCell& cell = s.route[c];
    cell.kind = kKindOf[k];
    if (cell.kind == kSlowDownStart) cell.code1 = speed;
    if (cell.kind == kPointWithValue) cell.code1 = 180;
  }
  return s;
}

std::string picture(const Scenario& s) {
  std::string out;
  for (const RouteCell& cell : s.route) {
    char ch = '?';
    for (size_t k = 0; k < kKinds.size(); ++k)
      if (kKindOf[k] == cell.kind) ch = kKinds[k];
    out += ch;
  }
  return out;
}

std::set<int> point_cells(const Scenario& s) {
  std::set<int> out;
  for (size_t c = 0; c < s.route.size(); ++c)
    if (s.route[c].kind == kPointWithValue) out.insert(static_cast<int>(c));
  return out;
}

using Failures = std::vector<std::pair<int32_t, int32_t>>;  // code, metres

Failures failures_of(const Scenario& s) {
  Failures out;
  for (const Failure& f : s.failures) out.emplace_back(f.code, f.position.value_or(-1));
  return out;
}

TEST(FinishRoute, FrontGroupsDependOnHowFarTheStartIs) {
  const std::pair<int, std::set<int>> cases[] = {
      {7, {}},           {8, {3}},          {13, {8}},
      {14, {9, 3}},      {20, {15, 9}},     {21, {16, 10, 3}},
  };
  for (const auto& [start, want] : cases) {
    Scenario s;
    s.cell_count = 30;
    s.create_route(30);
    s.route[start].kind = kSlowDownStart;
    s.route[start].code1 = 110;  // no points inside
    s.route[start + 2].kind = kSlowDownEnd;
    finish_route(s);
    EXPECT_EQ(point_cells(s), want) << "start at cell " << start;
    EXPECT_TRUE(s.failures.empty()) << "start at cell " << start;
  }
}

struct PassCase {
  const char* name;
  std::string_view before;
  int16_t speed;
  std::string_view after;
  Failures failures;
};

// Cells are written in tens: the first group is cells 0 to 9.
const PassCase kPassCases[] = {
    // Slow-down start: the three groups in front.
    {"group takes its first free cell; a point does not count, a marker does",
     ".......... ........mp x....>.e..", 110,
     ".......p.. ....p...pp x....>.e..", {}},
    {"a group without a free cell does not stop the next ones",
     ".......... ..xxx...xx x....>.e..", 110,
     ".......p.. ..xxx...xx x....>.e..", {{12, 1250}, {12, 1250}}},

    // Warning board: signals up to 20 cells behind it.
    {"every signal within 20 cells behind the board, none further",
     ".....s.... s......... s........s w.........", 50,
     ".....s...p s........p s.......ps w.........", {}},
    {"taken front cell: two in front; a marker is free, a valueless point is not",
     ".......... ...mxs.qs. w.........", 50,
     ".......... ...pxspqs. w.........", {}},
    {"no cell for a signal's point is recorded and the next signal still gets one",
     ".......... s..qxs.... w.........", 50,
     ".........p s..qxs.... w.........", {{11, 750}}},
    {"the look-back stops at cell 3",
     "..s....... w.........", 50,
     "..s....... w.........", {}},

    // Inside a slow-down below 110, from a start at cell 5 (no front groups).
    {"a point every 8 cells from the start",
     ".....>.... .......... .......... ...e......", 50,
     ".....>.... ...p...... .p.......p ...e......", {}},
    {"105 is below 110",
     ".....>.... .......... .......... ...e......", 105,
     ".....>.... ...p...... .p.......p ...e......", {}},
    {"a negative speed is below 110",
     ".....>.... .......... .......... ...e......", -5,
     ".....>.... ...p...... .p.......p ...e......", {}},
    {"110 gets no points inside",
     ".....>.... .......... .......... ...e......", 110,
     ".....>.... .......... .......... ...e......", {}},
    {"due cell taken: the cell before, the next due 8 after it",
     ".....>.... ...x...... .......... ...e......", 50,
     ".....>.... ..px...... p.......p. ...e......", {}},
    {"due cell and the one before taken: the cell after, the next 8 after it",
     ".....>.... ..xx...... .......... ...e......", 50,
     ".....>.... ..xxp..... ..p....... p..e......", {}},
    {"a mountain marker takes the point",
     ".....>.... ...m...... .......... ...e......", 50,
     ".....>.... ...p...... .p.......p ...e......", {}},
    {"three cells taken: recorded, and no further point inside",
     ".....>.... ..xxx..... .......... ...e......", 50,
     ".....>.... ..xxx..... .......... ...e......", {{13, 650}}},
    {"end 7 cells after the start: no point",
     ".....>.... ..e....... ..........", 50,
     ".....>.... ..e....... ..........", {}},
    {"end 8 cells after the start: the cell before the end",
     ".....>.... ...e...... ..........", 50,
     ".....>.... ..pe...... ..........", {}},
    {"end 8 cells after the start, the cell before taken: the cell after",
     ".....>.... ..xe...... ..........", 50,
     ".....>.... ..xep..... ..........", {}},
    {"end 8 cells after the start, both neighbours taken",
     ".....>.... ..xex..... ..........", 50,
     ".....>.... ..xex..... ..........", {{13, 650}}},

    // The first signal after the end, from an end at cell 8.
    {"the first signal within 12 cells of the end, only the first",
     ".....>..e. .......... ss........", 50,
     ".....>..e. .........p ss........", {}},
    {"a signal 13 cells after the end is too far",
     ".....>..e. .......... .s........", 50,
     ".....>..e. .......... .s........", {}},
    {"signal's front cell taken: two in front",
     ".....>..e. ....xs.... ..........", 50,
     ".....>..e. ...pxs.... ..........", {}},
    {"signal's two front cells taken: recorded at the end",
     ".....>..e. ...qxs.... ..........", 50,
     ".....>..e. ...qxs.... ..........", {{13, 400}}},
    {"a fast slow-down is searched from its own end cell",
     ".....>.... .......... .....e.... s.........", 110,
     ".....>.... .......... .....e...p s.........", {}},
    {"a fast slow-down without an end cell: nothing after it",
     ".....>.... s.........", 110,
     ".....>.... s.........", {}},

    // Near the end of the route: nothing is read or written past the last cell.
    {"a slow-down without an end cell walks to the last cell",
     ".....>.... .......... s", 50,
     ".....>.... ...p.....p s", {}},
    {"a point due at the last cell with its neighbour taken has no cell after",
     ".......... .>......xe", 50,
     "......p... .>......xe", {{13, 950}}},
    {"a fast slow-down ending at the last cell but one",
     ".......... ..........  ....>...es", 110,
     "......p... ...p.....p ....>..pes", {}},
    {"a start at the last examined cell",
     ".......... >..", 50,
     ".....p.... >..", {}},
    {"a start on the last cell but one is past the pass",
     ".......... .>.", 50,
     ".......... .>.", {}},
    {"a board on the last cells",
     ".........s w..", 50,
     "........ps w..", {}},
};

TEST(FinishRoute, Pass) {
  for (const PassCase& c : kPassCases) {
    Scenario s = paint(c.before, c.speed);
    finish_route(s);
    EXPECT_EQ(picture(s), squeeze(c.after)) << c.name;
    EXPECT_EQ(failures_of(s), c.failures) << c.name;
    for (const Failure& f : s.failures) {
      const std::string cell = " m (cell " + std::to_string(*f.position / 50) + ")";
      EXPECT_NE(f.message.find(std::to_string(*f.position) + cell), std::string::npos)
          << c.name << ": " << f.message;
    }
    if (!c.failures.empty()) {
      ASSERT_FALSE(s.failures.empty()) << c.name;
      EXPECT_EQ(s.failures.back().code, c.failures.back().first) << c.name;
    }
  }
}

TEST(FinishRoute, PlacedPointsHold180AndKeepTheOtherFields) {
  Scenario s = paint(".....>.... ...m...... .......... ...e......");
  s.route[13].mountain = 12;
  s.route[13].speed_limit = 20;
  s.route[13].code2 = 7;
  finish_route(s);
  EXPECT_EQ(s.route[13].kind, kPointWithValue);
  EXPECT_EQ(s.route[13].code1, 180);
  EXPECT_EQ(s.route[13].code2, 7);
  EXPECT_EQ(s.route[13].mountain, 12);
  EXPECT_EQ(s.route[13].speed_limit, 20);
  for (int c : point_cells(s)) EXPECT_EQ(s.route[c].code1, 180) << "cell " << c;
}

TEST(FinishRoute, ExistingPointInFrontOfASignalIsLoweredTo180) {
  struct Case {
    const char* drawn;  // the signal stands in cell 15
    int at;             // the existing point
    int16_t value;
    int16_t want;
    std::set<int> points;
  };
  const Case cases[] = {
      {".......... ...xps.... w.........", 14, 100, 100, {14}},
      {".......... ...xps.... w.........", 14, 250, 180, {14}},
      {".......... ...xps.... w.........", 14, -20, -20, {14}},
      // Free cell two in front: a new point there, the old one stays as it was.
      {".......... ....ps.... w.........", 14, 250, 250, {13, 14}},
      // The point two in front is lowered when the one in front is taken.
      {".......... ...pxs.... w.........", 13, 300, 180, {13}},
  };
  for (const Case& c : cases) {
    Scenario s = paint(c.drawn);
    s.route[c.at].code1 = c.value;
    finish_route(s);
    EXPECT_EQ(s.route[c.at].code1, c.want) << c.drawn << " " << c.value;
    EXPECT_EQ(point_cells(s), c.points) << c.drawn << " " << c.value;
    EXPECT_TRUE(s.failures.empty()) << c.drawn << " " << c.value;
  }
}

TEST(FinishRoute, BoardAtCell10CanPutAPointInCell1AndStopTheRun) {
  Scenario s = paint("..xs...... w.........");
  finish_route(s);
  EXPECT_EQ(s.route[1].kind, kPointWithValue);
  EXPECT_EQ(s.route[1].code1, 180);
  EXPECT_EQ(closing_checks(s), 1250);
  EXPECT_EQ(s.scenario_table[kLineRow].int_a, 0);
  EXPECT_EQ(s.route[1].code1, 180);
}

TEST(FinishRoute, WithoutARouteDoesNothing) {
  Scenario s;
  finish_route(s);
  EXPECT_TRUE(s.failures.empty());
  EXPECT_EQ(closing_checks(s), 1250);
}

TEST(ClosingChecks, OrderAndValues) {
  struct Case {
    int16_t int_a, code1;
    int32_t time_s;
    int16_t code2;
    int32_t want;
  };
  const Case cases[] = {
      {0, 0, 0, 0, 0},
      {5, 0, 0, 0, 1250},
      {0, 180, 0, 0, 1250},
      {5, 0, 9, 3, 1250},  // the first check comes first
      {0, 0, 9, 0, 1251},
      {0, 0, 0, 3, 1251},
  };
  for (const Case& c : cases) {
    Scenario s = paint(".....");
    s.scenario_table[kTrainRow].text = "704";
    s.scenario_table[kLineRow].text = "Valdena";
    ScenarioRecord& row = s.scenario_table[kLineRow];
    RouteCell& cell = s.route[1];
    row.int_a = c.int_a;
    cell.code1 = c.code1;
    row.time_s = c.time_s;
    cell.code2 = c.code2;
    const std::string what = std::to_string(c.want);
    EXPECT_EQ(closing_checks(s), c.want) << what;
    EXPECT_TRUE(s.failures.empty()) << what;
    if (c.want == 1250) {  // nothing written
      EXPECT_EQ(row.int_a, c.int_a);
      EXPECT_EQ(cell.code1, c.code1);
    } else {
      EXPECT_EQ(row.int_a, 610);
      EXPECT_EQ(cell.code1, 5121);
    }
    if (c.want == 0) {
      EXPECT_EQ(row.time_s, 36717);
      EXPECT_EQ(cell.code2, 2618);
    } else {
      EXPECT_EQ(row.time_s, c.time_s) << what;
      EXPECT_EQ(cell.code2, c.code2) << what;
    }
  }
}

}  // namespace
}  // namespace scenarioc
