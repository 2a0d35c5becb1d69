#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "plot/plot_data.h"
#include "plot/plot_fixture.h"

namespace scenarioc {
namespace {

using testing::decoded_builtin_scenario;
using testing::DecodedScenario;
using testing::decoded_short_scenario;

PlotData draw(const DecodedScenario& s, PlotRange range = {}) {
  return plot_data(s.route, s.rows, &s.plan, range);
}

size_t count(const PlotData& d, LinesideKind kind) {
  size_t n = 0;
  for (const LinesideMark& m : d.lineside) n += m.kind == kind;
  return n;
}

TEST(PlotData, StationsComeFromTheTimetableInOrderWithTheirPointOnThePlan) {
  const DecodedScenario& b = decoded_builtin_scenario();
  const PlotData d = draw(b);
  ASSERT_EQ(d.stations.size(), 21u);
  EXPECT_EQ(d.stations.front().name, "VALDENA CENTRALE");
  EXPECT_EQ(d.stations.back().name, "MARINA DI VALDENA");
  const StationMark& lago = d.stations[4];
  EXPECT_EQ(lago.name, "LAGO MERANDI");
  EXPECT_EQ(lago.row, 5);
  EXPECT_EQ(lago.record.position, 29000);
  EXPECT_EQ(lago.record.time_s, (7 * 60 + 9) * 60);
  EXPECT_TRUE(lago.stops);
  EXPECT_FALSE(d.stations[2].stops) << "P.M. CORVALTA, type 25, has no stop";
  ASSERT_TRUE(lago.at);
  EXPECT_EQ(lago.at->x, b.plan.x(29000).value);
  EXPECT_EQ(lago.at->y, b.plan.y(29000).value);
  EXPECT_EQ(d.line_name, "Valdena");
  EXPECT_EQ(d.train_number, "704");
}

TEST(PlotData, SignRowsAreNotStations) {
  const PlotData d = draw(decoded_short_scenario());
  ASSERT_EQ(d.stations.size(), 3u);
  EXPECT_EQ(d.stations.back().name, "BORGO MONTE");
}

TEST(PlotData, LinesideItemsStandWhereTheSourceGaveThem) {
  const PlotData b = draw(decoded_builtin_scenario());
  EXPECT_EQ(count(b, LinesideKind::kSignal), 95u);
  EXPECT_EQ(count(b, LinesideKind::kSpeedBoard), 22u);
  EXPECT_EQ(b.lineside.front().kind, LinesideKind::kSpeedBoard);
  EXPECT_EQ(b.lineside.front().position, 1100);
  EXPECT_EQ(b.lineside.front().values.code1, 1600);

  struct Case {
    LinesideKind kind;
    int32_t position;
  };
  const PlotData d = draw(decoded_short_scenario());
  // The finishing pass adds points at 450, 800 and 1100 m, in front of the
  // slow-down at 1300 m; a point lies on the cell of its position, every
  // other item one cell on.
  const Case expected[] = {
      {LinesideKind::kPoint, 450},           {LinesideKind::kSpeedBoard, 450},
      {LinesideKind::kSignal, 600},          {LinesideKind::kSign, 700},
      {LinesideKind::kPoint, 800},           {LinesideKind::kPoint, 1100},
      {LinesideKind::kSpeedBoard, 1250},     {LinesideKind::kSlowDownStart, 1300},
      {LinesideKind::kSignal, 1400},         {LinesideKind::kSlowDownEnd, 1450},
      {LinesideKind::kPoint, 1700},
  };
  ASSERT_EQ(d.lineside.size(), std::size(expected));
  for (size_t i = 0; i < d.lineside.size(); ++i) {
    EXPECT_EQ(d.lineside[i].kind, expected[i].kind) << i;
    EXPECT_EQ(d.lineside[i].position, expected[i].position) << i;
  }
  EXPECT_EQ(d.lineside[3].text, "PASSAGGIO A LIVELLO");
  EXPECT_EQ(d.lineside[8].values.signal_time, 101);
  EXPECT_EQ(d.lineside[7].values.code1, 30);
  EXPECT_EQ(d.lineside[0].values.code1, 180);
}

TEST(PlotData, GradientsSpeedsAndMountainsAreRunsOfTheCells) {
  const PlotData d = draw(decoded_builtin_scenario());
  ASSERT_GE(d.gradients.size(), 3u);
  EXPECT_EQ((std::vector<int>{d.gradients[0].from, d.gradients[0].to, d.gradients[0].value}),
            (std::vector<int>{0, 500, 0}));
  EXPECT_EQ((std::vector<int>{d.gradients[1].from, d.gradients[1].to, d.gradients[1].value}),
            (std::vector<int>{500, 3250, -3}));
  EXPECT_EQ(d.gradients.back().to, 220000);
  ASSERT_GE(d.speeds.size(), 3u);
  EXPECT_EQ((std::vector<int>{d.speeds[0].to, d.speeds[0].value, d.speeds[1].to, d.speeds[1].value,
                              d.speeds[2].value}),
            (std::vector<int>{1100, 30, 3850, 100, 200}));
  ASSERT_EQ(d.mountains.size(), 5u);
  EXPECT_EQ((std::vector<int>{d.mountains[0].from, d.mountains[0].to, d.mountains[0].value}),
            (std::vector<int>{55500, 55750, 2}));
  EXPECT_EQ((std::vector<int>{d.mountains[1].from, d.mountains[1].to, d.mountains[1].value}),
            (std::vector<int>{63500, 76000, 1}));
}

TEST(PlotData, HeightIsTheSumOfTheGradientsFromTheStartOfTheLine) {
  struct Case {
    int32_t from;
    double height;
  };
  // 0 per mille to 500 m, -3 to 3250 m, 0 to 5000 m, then +4.
  for (const Case c : {Case{0, 0}, Case{500, 0}, Case{3250, -8.25}, Case{5000, -8.25},
                       Case{5025, -8.15}, Case{8500, 5.75}}) {
    const PlotData d = draw(decoded_builtin_scenario(), {c.from, {}});
    EXPECT_NEAR(d.height_at_from, c.height, 1e-9) << c.from;
  }
}

TEST(PlotData, TheStretchDrawn) {
  struct Case {
    std::optional<int32_t> from, to;
    int32_t want_from, want_to;  // -1: refused
  };
  const Case cases[] = {
      {{}, {}, 0, 220000},              // the line's own length, not the run-off
      {1000, 2000, 1000, 2000},
      {200000, 500000, 200000, 226900}, // to the end of what the route holds
      {220000, {}, 220000, 226900},
      {-1, {}, -1, -1},
      {226900, {}, -1, -1},
      {5000, 5000, -1, -1},
      {5000, 4000, -1, -1},
  };
  for (const Case& c : cases) {
    if (c.want_from < 0) {
      EXPECT_THROW(draw(decoded_builtin_scenario(), {c.from, c.to}), PlotRangeError);
      continue;
    }
    const PlotData d = draw(decoded_builtin_scenario(), {c.from, c.to});
    EXPECT_EQ(d.from, c.want_from);
    EXPECT_EQ(d.to, c.want_to);
    for (const StationMark& s : d.stations) {
      EXPECT_GE(s.record.position, d.from);
      EXPECT_LE(s.record.position, d.to);
    }
    for (const LinesideMark& m : d.lineside) {
      EXPECT_GE(m.position, d.from);
      EXPECT_LE(m.position, d.to);
    }
    ASSERT_FALSE(d.gradients.empty());
    EXPECT_EQ(d.gradients.front().from, d.from);
    EXPECT_EQ(d.gradients.back().to, d.to);
  }
  EXPECT_EQ(draw(decoded_short_scenario()).to, 2000);
}

TEST(PlotData, TrackRunsAStretchBeyondEachEndWhereThePlanHasIt) {
  const DecodedScenario& b = decoded_builtin_scenario();
  const PlotData d = draw(b, {100000, 110000});
  EXPECT_EQ(d.track_from, 90000);
  EXPECT_EQ(d.track.size(), 30001u);
  const PlotData end = draw(b, {200000, {}});
  // The plan's last two metres were never computed.
  EXPECT_EQ(end.track_from + static_cast<int32_t>(end.track.size()) - 1, 227000 - 2);
  ASSERT_TRUE(d.point_at(100000));
  EXPECT_EQ(d.point_at(100000)->y, b.plan.y(100000).value);
  EXPECT_FALSE(d.point_at(89999));
}

TEST(PlotData, WithoutAPlanOnlyThePlanIsLeftOut) {
  const DecodedScenario& b = decoded_builtin_scenario();
  const PlotData d = plot_data(b.route, b.rows, nullptr, {});
  EXPECT_FALSE(d.has_plan());
  EXPECT_EQ(d.stations.size(), 21u);
  for (const StationMark& s : d.stations) EXPECT_FALSE(s.at);

  // A plan the compiler stopped early: stations beyond it have no point.
  DecodedScenario cut = b;
  std::vector<PlanValue> x = b.plan.values(false), y = b.plan.values(true);
  for (size_t m = 50000; m < x.size(); ++m) x[m] = y[m] = PlanValue{};
  cut.plan = DecodedPlan::from_values(x, y);
  const PlotData part = draw(cut);
  EXPECT_EQ(part.track.size(), 50000u);
  EXPECT_TRUE(part.stations[4].at);
  EXPECT_FALSE(part.stations.back().at);
  EXPECT_FALSE(draw(cut, {60000, {}}).has_plan());
}

TEST(PlotData, APlanPointThatIsNoNumberIsADamagedFile) {
  for (const bool in_y : {false, true}) {
    // Such a point no decoded plan holds: it is refused as the plan is read.
    DecodedScenario bad = decoded_short_scenario();
    std::vector<PlanValue> x = bad.plan.values(false), y = bad.plan.values(true);
    (in_y ? y : x)[100].value = std::numeric_limits<double>::quiet_NaN();
    try {
      bad.plan = DecodedPlan::from_values(x, y);
      draw(bad);
      ADD_FAILURE() << "no error";
    } catch (const FormatError& e) {
      // Metres 0 and 1 are 4-byte integers, every later one a 10-byte double.
      const uint64_t x_block = 4 + 4 + (x.size() - 4) * 10 + 2 + 2;
      EXPECT_EQ(e.offset(), (in_y ? x_block : 0) + 8 + 98 * 10);
      EXPECT_NE(std::string(e.what()).find("metre 100"), std::string::npos) << e.what();
    }
  }
}

TEST(PlotData, TextsAreShownInUtf8) {
  struct Case {
    std::string in, out;
  };
  const Case cases[] = {
      {"SAN VITO", "SAN VITO"},
      {"CITT\xC0", "CITT\xC3\x80"},               // A grave
      {"\x80 5", "\xE2\x82\xAC 5"},                // the euro sign
      {"A\x81" "B", "A\xEF\xBF\xBD" "B"},          // unset in the code page
      {std::string("A\x01" "B"), "A\xEF\xBF\xBD" "B"},  // no place in XML
      {std::string("A\0B", 3), "A\xEF\xBF\xBD" "B"},  // nor a NUL
      {"A\tB", "A\tB"},                                // a tab is kept
      {"\xFF\x9F", "\xC3\xBF\xC5\xB8"},                // y diaeresis, both
  };
  for (const Case& c : cases) EXPECT_EQ(text_for_display(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace scenarioc
