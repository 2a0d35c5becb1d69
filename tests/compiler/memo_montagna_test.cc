#include <gtest/gtest.h>

#include <optional>

#include "compiler/cell_writers.h"
#include "compiler/runtime_failure.h"
#include "route_fixture.h"

namespace scenarioc {
namespace {

using MemoMontagna = RouteTest;

TEST_F(MemoMontagna, SecondStretchWithMarkers) {
  int32_t tipo = 1;
  memo_montagna(s, 50000, 55750, tipo);
  cell(1277).kind = kSignal;  // a taken cell keeps its occupant but gets the type
  cell(1281).kind = kMountainMarker;
  tipo = 11;
  memo_montagna(s, 63500, 76000, tipo);
  EXPECT_EQ(tipo, 1);
  EXPECT_EQ(s.mountain_count, 2);
  EXPECT_EQ(s.mountain_start[2], 63500);
  EXPECT_EQ(s.mountain_end[2], 76000);

  EXPECT_EQ(cell(1269).mountain, 0);
  EXPECT_EQ(cell(1520).mountain, 0);
  for (int c = 1270; c <= 1519; ++c) {
    EXPECT_EQ(cell(c).mountain, 1) << "cell " << c;
    const bool fourth = (c - 1270 + 1) % 4 == 0;  // 1273, 1277, ..., 1517
    const uint8_t kind = c == 1277 ? kSignal : fourth ? kMountainMarker : kEmpty;
    EXPECT_EQ(cell(c).kind, kind) << "cell " << c;
  }
}

TEST_F(MemoMontagna, TypeOfAStretch) {
  struct Case {
    const char* what;
    std::optional<int32_t> previous_end;  // of the stretch recorded before
    int32_t inizio, tipo, tipo_after;
    bool markers;
  };
  const Case cases[] = {
      {"type above 10 sets markers", {}, 10000, 12, 2, true},
      {"type 10 sets none", {}, 10000, 10, 10, false},
      {"first stretch at the start of the route", {}, 0, 5, 5, false},
      {"adjacent stretch keeps markers", 9850, 10000, 11, 3, true},
      {"adjacent stretch without markers", 9850, 10000, 5, 3, false},
      {"gap of 151 m keeps the type", 9849, 10000, 5, 5, false},
      {"previous stretch farther along", 30000, 10000, 12, 3, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Scenario t;
    t.cell_count = kLastCell;
    t.create_route(kLastCell);
    if (c.previous_end) {
      int32_t previous = 4;
      memo_montagna(t, 1000, *c.previous_end, previous);
      t.route.assign(t.route.size(), RouteCell{});
    }
    int32_t tipo = c.tipo;
    memo_montagna(t, c.inizio, c.inizio + 1000, tipo);
    EXPECT_EQ(tipo, c.tipo_after);
    const int first = c.inizio / 50;
    for (int i = first; i < first + 20; ++i)
      EXPECT_EQ(t.route[i].mountain, c.tipo_after) << "cell " << i;
    EXPECT_EQ(t.route[first + 20].mountain, 0);
    const uint8_t marker = c.markers ? kMountainMarker : kEmpty;
    EXPECT_EQ(t.route[first + 3].kind, marker);
    EXPECT_EQ(t.route[first + 19].kind, marker);
    EXPECT_EQ(t.route[first + 4].kind, kEmpty);
  }
}

TEST_F(MemoMontagna, EndsRoundWithoutThePointOffset) {
  // 125 / 50 = 2.5 gives 2; 175 / 50 - 1 = 2.5 gives 2 as well, not 3.
  int32_t tipo = 4;
  memo_montagna(s, 125, 175, tipo);
  EXPECT_EQ(cell(1).mountain, 0);
  EXPECT_EQ(cell(2).mountain, 4);
  EXPECT_EQ(cell(3).mountain, 0);
}

TEST_F(MemoMontagna, EndBeforeStartIsListedButWritesNoCell) {
  const std::string before = image();
  int32_t tipo = 12;
  memo_montagna(s, 20000, 10000, tipo);
  EXPECT_EQ(image(), before);
  EXPECT_EQ(tipo, 2);
  EXPECT_EQ(s.mountain_count, 1);
  EXPECT_EQ(s.mountain_start[1], 20000);
  EXPECT_EQ(s.mountain_end[1], 10000);
}

TEST_F(MemoMontagna, StretchPastTheEndFailsAfterTheCellsInside) {
  int32_t tipo = 3;
  try {
    memo_montagna(s, 99000, 120000, tipo);
    FAIL() << "no failure";
  } catch (const RuntimeFailure& e) {
    EXPECT_STREQ(e.what(),
                 "part of the mountain stretch from 99000 m to 120000 m lies past the "
                 "end of the route (cell 2001, the last is 2000)");
  }
  for (int c = 1980; c <= 2000; ++c) EXPECT_EQ(cell(c).mountain, 3) << "cell " << c;
  EXPECT_EQ(s.mountain_count, 1);
  EXPECT_EQ(s.mountain_end[1], 120000);
}

TEST_F(MemoMontagna, StretchBeforeTheStartFailsAtItsFirstCell) {
  const std::string before = image();
  int32_t tipo = 3;
  EXPECT_THROW(memo_montagna(s, -100, 5000, tipo), RuntimeFailure);  // cell -2
  EXPECT_EQ(image(), before);
}

TEST_F(MemoMontagna, EightyFirstStretchHasNoEntry) {
  for (int32_t n = 1; n <= 80; ++n) {
    int32_t tipo = 1;
    memo_montagna(s, n * 1000, n * 1000 + 500, tipo);
  }
  ASSERT_EQ(s.mountain_count, 80);
  EXPECT_EQ(s.mountain_end[80], 80500);
  const std::string before = image();
  const auto start = s.mountain_start;
  const auto end = s.mountain_end;
  int32_t tipo = 2;
  try {
    memo_montagna(s, 90000, 95000, tipo);
    FAIL() << "no failure";
  } catch (const RuntimeFailure& e) {
    EXPECT_STREQ(e.what(),
                 "the mountain stretch from 90000 m to 95000 m is stretch 81, but a "
                 "line holds at most 80");
  }
  EXPECT_EQ(image(), before);
  EXPECT_EQ(s.mountain_start, start);
  EXPECT_EQ(s.mountain_end, end);
}

}  // namespace
}  // namespace scenarioc
