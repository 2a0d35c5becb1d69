#include "compiler/order_progressives.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>

#include "compiler/runtime_failure.h"

namespace scenarioc {
namespace {

// (a, b, flag) of one progressive: start_pos, stop_pos, position of its row.
using Triple = std::array<int32_t, 3>;

void put(Scenario& s, int row, Triple t) {
  ScenarioRecord& r = s.scenario_table[row];
  r.start_pos = t[0];
  r.stop_pos = t[1];
  r.position = t[2];
}

Triple get(const Scenario& s, int row) {
  const ScenarioRecord& r = s.scenario_table[row];
  return {r.start_pos, r.stop_pos, r.position};
}

// Each case gives the three starts (or values) and, for rows 81 to 83, the row
// whose record ends there, or 0 for a row cleared to zeros.
struct Case {
  int32_t a81, a82, a83;
  int32_t b81, b82, b83;
  std::array<int, 3> from;
};

void check(const Case& c) {
  SCOPED_TRACE(::testing::Message() << "a " << c.a81 << ", " << c.a82 << ", " << c.a83
                                    << "  b " << c.b81 << ", " << c.b82 << ", "
                                    << c.b83);
  Scenario s;
  const Triple before[3] = {{c.a81, c.b81, 7}, {c.a82, c.b82, 8}, {c.a83, c.b83, 9}};
  for (int r = 0; r < 3; ++r) put(s, 81 + r, before[r]);
  order_progressives(s);
  for (int r = 0; r < 3; ++r) {
    const Triple want = c.from[r] == 0 ? Triple{0, 0, 0} : before[c.from[r] - 81];
    EXPECT_EQ(get(s, 81 + r), want) << "row " << 81 + r;
  }
}

TEST(ProgressiveOrdina, OrderedByStartFarthestFirst) {
  const Case cases[] = {
      {300, 200, 100, 1, 2, 3, {81, 82, 83}},
      {300, 100, 100, 1, 2, 3, {81, 83, 82}},  // tie below: the later row goes first
      {300, 100, 200, 1, 2, 3, {81, 83, 82}},
      {200, 300, 100, 1, 2, 3, {82, 81, 83}},
      {100, 300, 100, 1, 2, 3, {82, 83, 81}},
      {100, 300, 200, 1, 2, 3, {82, 83, 81}},
      {200, 100, 300, 1, 2, 3, {83, 81, 82}},
      {100, 100, 300, 1, 2, 3, {83, 82, 81}},
      {100, 200, 300, 1, 2, 3, {83, 82, 81}},
      {0, 0, 300, 1, 2, 3, {83, 82, 81}},
      {-100, 50, 0, 1, 2, 3, {82, 83, 81}},  // a negative start still sorts
  };
  for (const Case& c : cases) check(c);
}

TEST(ProgressiveOrdina, NoStrictlyGreatestStartClearsAllThree) {
  const Case cases[] = {
      {300, 300, 100, 1, 2, 3, {0, 0, 0}},
      {100, 300, 300, 1, 2, 3, {0, 0, 0}},
      {300, 100, 300, 1, 2, 3, {0, 0, 0}},
      {200, 200, 200, 1, 2, 3, {0, 0, 0}},
      {-100, 0, 0, 1, 2, 3, {0, 0, 0}},
  };
  for (const Case& c : cases) check(c);
}

TEST(ProgressiveOrdina, StartsSummingToZeroChooseByValue) {
  const Case cases[] = {
      {0, 0, 0, 1, 2, 3, {83, 82, 81}},     // "uno" has a value: it goes first
      {0, 0, 0, 1, 2, 0, {82, 81, 83}},     // then "due"
      {0, 0, 0, 1, 0, 0, {81, 82, 83}},     // then "tre", in place
      {0, 0, 0, 0, 0, 0, {0, 0, 0}},
      {0, 0, 0, -1, -2, -3, {0, 0, 0}},     // only a value above 0 counts
      {0, 0, 0, 1, -2, -3, {81, 82, 83}},
      {100, -100, 0, 1, 2, 3, {83, 82, 81}},  // a sum of 0 is all that is tested
  };
  for (const Case& c : cases) check(c);
}

TEST(ProgressiveOrdina, FlagOneRaisesTheValueAfterTheOrdering) {
  Scenario s;
  put(s, 81, {96000, 214000, 1});
  put(s, 82, {84000, 230000, 1});
  put(s, 83, {0, 214000, 1});
  order_progressives(s);
  EXPECT_EQ(get(s, 81), (Triple{96000, 214100, 1}));
  EXPECT_EQ(get(s, 82), (Triple{84000, 230100, 1}));
  EXPECT_EQ(get(s, 83), (Triple{0, 214100, 1}));

  Scenario t;  // the flag travels with its record; 2 adds nothing
  put(t, 81, {100, 1000, 2});
  put(t, 82, {300, 2000, 1});
  put(t, 83, {200, 3000, 0});
  order_progressives(t);
  EXPECT_EQ(get(t, 81), (Triple{300, 2100, 1}));
  EXPECT_EQ(get(t, 82), (Triple{200, 3000, 0}));
  EXPECT_EQ(get(t, 83), (Triple{100, 1000, 2}));
}

TEST(ProgressiveOrdina, FlagOfAClearedRowIsClearedWithIt) {
  Scenario s;
  put(s, 81, {84000, 1000, 1});
  put(s, 82, {84000, 2000, 1});
  put(s, 83, {0, 3000, 1});
  order_progressives(s);
  for (int r : {81, 82, 83}) EXPECT_EQ(get(s, r), (Triple{0, 0, 0})) << r;
}

TEST(ProgressiveOrdina, NoProgressiveAtAll) {
  Scenario s;
  order_progressives(s);
  for (int r : {81, 82, 83}) EXPECT_EQ(get(s, r), (Triple{0, 0, 0})) << r;
}

TEST(ProgressiveOrdina, OnlyUnoWithStartZero) {
  Scenario s;
  put(s, 83, {0, 5000, 1});
  order_progressives(s);
  EXPECT_EQ(get(s, 81), (Triple{0, 5100, 1}));
  EXPECT_EQ(get(s, 82), (Triple{0, 0, 0}));
  EXPECT_EQ(get(s, 83), (Triple{0, 0, 0}));
}

TEST(ProgressiveOrdina, OtherFieldsOfTheRowsStay) {
  Scenario s;
  s.scenario_table[81].text = "tre";
  s.scenario_table[81].int_a = 5;
  s.scenario_table[83].time_s = 9;
  put(s, 81, {100, 1, 0});
  put(s, 83, {300, 3, 0});
  order_progressives(s);
  EXPECT_EQ(get(s, 81), (Triple{300, 3, 0}));
  EXPECT_EQ(s.scenario_table[81].text, "tre");
  EXPECT_EQ(s.scenario_table[81].int_a, 5);
  EXPECT_EQ(s.scenario_table[83].time_s, 9);
  EXPECT_TRUE(s.failures.empty());
}

TEST(ProgressiveOrdina, RaiseBeyondTheLongRangeIsARuntimeFailure) {
  Scenario s;
  put(s, 81, {300, 1000, 1});
  put(s, 82, {200, INT_MAX - 99, 1});
  put(s, 83, {100, INT_MAX - 100, 1});
  EXPECT_THROW(order_progressives(s), RuntimeFailure);
  // The rows are ordered and the raise before the failing one stays.
  EXPECT_EQ(get(s, 81), (Triple{300, 1100, 1}));
  EXPECT_EQ(get(s, 82), (Triple{200, INT_MAX - 99, 1}));
  EXPECT_EQ(get(s, 83), (Triple{100, INT_MAX - 100, 1}));
}

}  // namespace
}  // namespace scenarioc
