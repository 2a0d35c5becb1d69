// What the drawing tells an author about the run: the speed the driver must
// keep where a slow-down lowers it, the signs' texts, the kilometres of the
// line's own posts, and the train graph, whose fastest run is the lower bound
// the checks compare the timetable with.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <regex>
#include <string>

#include "compiler/compile.h"
#include "compiler/running_time.h"
#include "plot/plot_fixture.h"
#include "plot/plot_html.h"
#include "plot/plot_svg.h"

namespace scenarioc {
namespace {

using testing::DecodedScenario;

PlotData draw(const DecodedScenario& s, PlotRange range = {}) {
  return plot_data(s.route, s.rows, &s.plan, range);
}

const DecodedScenario& north_south() {
  static const DecodedScenario d = testing::decoded_scenario(
      testing::kNorthSouthLine, testing::kNorthSouthTrain, "Monte", "8");
  return d;
}
const DecodedScenario& east_west() {
  static const DecodedScenario d = testing::decoded_scenario(
      testing::kEastWestLine, testing::kEastWestTrain, "Piana", "3");
  return d;
}

// The profile's left edge and width: its first frame, the lane's.
std::pair<double, double> profile_frame(const std::string& svg) {
  const size_t at = svg.find("class=\"frame\"", svg.find("<g id=\"profile\">"));
  std::smatch m;
  const std::string rest = svg.substr(at, 200);
  EXPECT_TRUE(std::regex_search(rest, m, std::regex(R"re(x="([0-9.]+)" y="[0-9.]+" width="([0-9.]+)")re")));
  return {std::stod(m[1]), std::stod(m[2])};
}

TEST(WhatTheDriverMeets, ASlowDownShowsOnTheSpeedPanelAtItsPlaceAndSpeed) {
  struct Case {
    const char* name;
    const DecodedScenario& scenario;
    int32_t from, to, kmh;  // the slow-down as its source gives it
  };
  const Case cases[] = {
      {"Borgo", testing::decoded_short_scenario(), 1300, 1450, 30},
      {"Monte", north_south(), 4000, 4300, 30},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const PlotData d = draw(c.scenario);
    const auto run = std::find_if(d.speeds_in_force.begin(), d.speeds_in_force.end(),
                                  [&](const ValueRun& r) { return r.value == c.kmh; });
    ASSERT_NE(run, d.speeds_in_force.end());
    EXPECT_EQ(run->from, c.from);
    EXPECT_EQ(run->to, c.to);
    // The line speed goes on above it, unchanged.
    for (const ValueRun& r : d.speeds) EXPECT_NE(r.value, c.kmh);

    const std::string svg = plot_svg(d, "");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(
        svg, m, std::regex(R"re(class="in-force"[^>]* d="M([0-9.]+) [0-9.]+V[0-9.]+H([0-9.]+)V)re")));
    const auto [left, width] = profile_frame(svg);
    const double u = width / (d.to - d.from);
    EXPECT_NEAR(std::stod(m[1]), left + (c.from - d.from) * u, 0.01);
    EXPECT_NEAR(std::stod(m[2]), left + (c.to - d.from) * u, 0.01);
    EXPECT_NE(svg.find("slow-value halo\" x=\"0\""), std::string::npos);
    EXPECT_TRUE(std::regex_search(svg, std::regex("slow-value halo\" x=\"0\" y=\"[0-9.]+\" "
                                                  "text-anchor=\"middle\">" +
                                                  std::to_string(c.kmh) + "<")));
  }
}

TEST(WhatTheDriverMeets, ASignsTextIsInThePicture) {
  const std::string svg = plot_svg(draw(north_south()), "");
  for (const char* text : {"GALLERIA DEL MONTE", "PASSAGGIO A LIVELLO"})
    EXPECT_TRUE(std::regex_search(
        svg, std::regex(std::string("class=\"pname sign-name\" transform=\"[^\"]+\">") + text + "<")))
        << text;
  EXPECT_NE(plot_svg(draw(testing::decoded_short_scenario()), "").find(">PASSAGGIO A LIVELLO<"),
            std::string::npos);
}

// Where the line sets a progressive the posts count from it (Borgo's adds
// the 100 m its flag asks for); where it sets none, from the start.
TEST(WhatTheDriverMeets, KilometresFollowTheLinesProgressives) {
  struct Case {
    const char* name;
    const DecodedScenario& scenario;
    const char* station;
    const char* position;    // as the station's values give it
    const char* first_tick;  // the first value of the distance axis
  };
  const Case cases[] = {
      {"Borgo", testing::decoded_short_scenario(), "CASE NUOVE",
       "km 3+100 (1000 m from the start)", "2.2"},
      {"Monte", north_south(), "ALPE", "km 17+500 (5500 m from the start)", "12"},
      {"Piana", east_west(), "CASCINE", "km 2+500 (2500 m from the start)", "0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string svg = plot_svg(draw(c.scenario), "");
    const size_t title = svg.find(std::string("<title>") + c.station + "\n");
    ASSERT_NE(title, std::string::npos);
    EXPECT_EQ(svg.substr(svg.find("position: ", title) + 10, std::string(c.position).size()),
              c.position);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(svg, m, std::regex(R"re(class="tick km-label"[^>]*>([^<]+)<)re")));
    EXPECT_EQ(m[1], c.first_tick);
  }
  // The page's readout counts them the same way.
  EXPECT_NE(plot_html(draw(north_south()), "").find("\"progressives\":[0,12000]"),
            std::string::npos);
}

// The plan fits the track's bearing: a north-south line stands at the right
// of the sheet, taller than wide; an east-west one across its top.
TEST(OneSheet, ThePlanFollowsTheTracksBearing) {
  struct Case {
    const char* name;
    const DecodedScenario& scenario;
    bool upright;
  };
  const Case cases[] = {{"Monte", north_south(), true}, {"Piana", east_west(), false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string svg = plot_svg(draw(c.scenario), "");
    EXPECT_NE(svg.find("width=\"420mm\" height=\"297mm\" viewBox=\"0 0 1400 990\""),
              std::string::npos);
    std::smatch m;
    const std::string plan = svg.substr(svg.find("<g id=\"plan\">"), 300);
    ASSERT_TRUE(std::regex_search(
        plan, m, std::regex(R"re(class="frame" x="([0-9.]+)" y="([0-9.]+)" width="([0-9.]+)" height="([0-9.]+)")re")));
    const double x = std::stod(m[1]), w = std::stod(m[3]), h = std::stod(m[4]);
    const auto [left, width] = profile_frame(svg);
    if (c.upright) {
      EXPECT_GT(h, w);
      EXPECT_GT(x, left + width) << "the plan stands beside the profile";
    } else {
      EXPECT_GT(w, 3 * h);
      EXPECT_EQ(w, width) << "the plan spans the profile's width, above it";
    }
  }
}

// The drawing speaks English: none of the source files' Italian keywords
// stands in a legend, a title or a value's name (the texts of stations and
// signs are the author's own, and these lines' hold none of them).
TEST(OneLanguage, NoKeywordOfTheSourcesInTheDrawing) {
  const std::string pages[] = {plot_svg(draw(testing::decoded_builtin_scenario()), ""),
                               plot_html(draw(north_south()), ""), plot_svg(draw(east_west()), "")};
  for (const std::string& page : pages) {
    std::string lower = page;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char* word : {"abbattimento", "segnale", "rallentamento", "cartello", "velocita",
                             "pendenza", "montagna", "stazione", "indicatori", "fermata",
                             "aderenza", "orologio"})
      EXPECT_EQ(lower.find(word), std::string::npos) << word;
  }
}

// The hand-worked case of the checks: 60 km/h, 120 km/h from 2000 m, 90 km/h
// from 6000 m and 30 km/h over 7000 to 8000 m take 8 minutes from 0 to
// 10000 m; a timetable of 7 minutes is faster than the line allows.
TEST(TrainGraph, TheFastestRunIsTheChecksLowerBoundAndATooTightLegIsMarked) {
  const std::string line = "[generale]\r\nlunghezza percorso,    20000\r\n[curve]\r\n[fine]\r\n";
  auto train = [](const char* arrival) {
    return std::string("[generale]\r\nvelocita,       0,    60\r\nvelocita,    2000,   120\r\n"
                       "velocita,    6000,    90\r\n") +
           "stazione,  0,  8,  500,  0, 0, 0,  1,1,0,  4,1,1,    0,   7,10, 0, COLLINA ALTA\r\n"
           "stazione,  10000,  2,  400,  0, 0, 0,  1,1,0,  4,1,1,    0,   " + arrival +
           ", 0, PRATO VERDE\r\nrallentamento,  7000,  30,  1000,  0,  1,  0\r\n[fine]\r\n";
  };
  SpeedProfile by_hand;
  by_hand.add_limit(0, 60);
  by_hand.add_limit(2000, 120);
  by_hand.add_limit(6000, 90);
  by_hand.add_slow_down(7000, 1000, 30);

  const CompileResult tight = compile(line, train("7,17"), author_options("Prova", "9"));
  const auto warning = std::find_if(
      tight.report.diagnostics.begin(), tight.report.diagnostics.end(),
      [](const Diagnostic& d) { return d.warning == "timetable-too-tight"; });
  ASSERT_NE(warning, tight.report.diagnostics.end());
  const PlotData d = draw(testing::decoded(tight));
  ASSERT_EQ(d.legs.size(), 1u);
  const TimedLeg& leg = d.legs[0];
  ASSERT_TRUE(leg.fastest);
  EXPECT_EQ(*leg.fastest, *by_hand.least_seconds(0, 10000));
  EXPECT_EQ(*leg.fastest, 480);
  EXPECT_NE(warning->failure.message.find(
                "needs at least " + duration_words(static_cast<int64_t>(*leg.fastest))),
            std::string::npos)
      << warning->failure.message;
  EXPECT_EQ(leg.scheduled, 7 * 60);
  EXPECT_TRUE(leg.too_tight());
  // The run climbs through every change of the limit in force.
  ASSERT_FALSE(leg.run.empty());
  EXPECT_EQ(leg.run.front(), (std::pair<int32_t, double>{0, 0}));
  EXPECT_EQ(leg.run.back(), (std::pair<int32_t, double>{10000, 480}));
  EXPECT_EQ(leg.run.size(), 6u);  // 0, 2000, 6000, 7000, 8000, 10000

  // Marked in the picture, and the mark tells both times.
  const std::string svg = plot_svg(d, "");
  const size_t mark = svg.find("class=\"tight\" vector-effect=\"non-scaling-stroke\" data-item=");
  ASSERT_NE(mark, std::string::npos);
  const std::string said = svg.substr(mark, svg.find("</title>", mark) - mark);
  EXPECT_NE(said.find("timetable: 7 min"), std::string::npos) << said;
  EXPECT_NE(said.find("fastest possible: 8 min"), std::string::npos) << said;

  // Eight minutes are enough: nothing is marked.
  const CompileResult enough = compile(line, train("7,18"), author_options("Prova", "9"));
  const PlotData e = draw(testing::decoded(enough));
  ASSERT_EQ(e.legs.size(), 1u);
  EXPECT_FALSE(e.legs[0].too_tight());
  EXPECT_EQ(plot_svg(e, "").find("class=\"tight\" vector"), std::string::npos);
}

}  // namespace
}  // namespace scenarioc
