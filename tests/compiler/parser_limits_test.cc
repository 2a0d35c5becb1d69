// Every limit the two parsers enforce, each taken just below it, at it and
// just above it, so that a limit moved by one step in either direction fails
// here. A case names the failure code it expects (0: none) and, where the
// limit changes a value rather than stopping the compile, the value.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "compiler/compile_fixture.h"

namespace scenarioc {
namespace {

using testing::line_file;
using testing::train_file;

struct LimitCase {
  const char* name;
  std::string line;
  std::string train;
  int32_t code;  // of the first failure; 0 when the compile records none
  std::function<int64_t(const Scenario&)> probe = nullptr;
  int64_t want = 0;
};

void PrintTo(const LimitCase& c, std::ostream* os) { *os << c.name; }

class ParserLimits : public ::testing::TestWithParam<LimitCase> {};

TEST_P(ParserLimits, HoldExactlyAtTheirValue) {
  const LimitCase& c = GetParam();
  const Scenario s = testing::compile_text(c.line, c.train);
  if (c.code == 0) {
    EXPECT_TRUE(s.failures.empty())
        << s.failures.front().code << ": " << s.failures.front().message;
  } else {
    ASSERT_FALSE(s.failures.empty());
    EXPECT_EQ(s.failures.front().code, c.code) << s.failures.front().message;
  }
  if (c.probe) {
    EXPECT_EQ(c.probe(s), c.want);
  }
}

// A station row: position, type, length and its fifth field; zeros elsewhere.
std::string station(int pos, int type, int length, int field5 = 0) {
  return "stazione,  " + std::to_string(pos) + ",  " + std::to_string(type) + ",  " +
         std::to_string(length) + ",  0, " + std::to_string(field5) +
         ", 0,  0,0,0,  0,0,0,  0,   0,0,0, STAZIONE\r\n";
}

// `count` rows `prefix` + position + `tail`, the positions `step` apart from 1000 m.
std::string rows(const std::string& prefix, int count, int step, const std::string& tail) {
  std::string out;
  for (int i = 0; i < count; ++i) out += prefix + std::to_string(1000 + i * step) + tail;
  return out;
}

std::string stations(int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += station(1000 + 400 * i, 25, 0);
  return out;
}

std::string signs(int count) { return rows("cartello indicatore,  ", count, 100, ",  S\r\n"); }

const std::string kNoTrain = train_file("");

std::string curve(int start, int length) {
  return line_file("curvad1,  " + std::to_string(start) + ",  " + std::to_string(length) + "\r\n",
                   1000000);
}

std::string speed_from_0(int kmh) {
  return train_file("velocita,  0,  " + std::to_string(kmh) + "\r\nvelocita,  1000,  0\r\n");
}

std::string signal_at(int pos, int tempo = 0) {
  return train_file("segnale,  " + std::to_string(pos) + ",   2, 0, 0,  0, 0,    0,  0,0,0, " +
                    std::to_string(tempo) + "\r\n");
}

std::string second_mountain_at(int start) {
  return line_file("montagna,  1000,  2000,  1\r\nmontagna,  " + std::to_string(start) +
                   ",  3000,  2\r\n");
}

std::string sign_text(size_t bytes) {
  return line_file("cartello indicatore,  1000,  " + std::string(bytes, 'x') + "\r\n");
}

int64_t row2_field5(const Scenario& s) { return s.scenario_table[2].byte_d; }
int64_t cell5_speed(const Scenario& s) { return s.route[5].speed_limit; }
int64_t cell101_signal_time(const Scenario& s) { return s.route[101].signal_time; }
int64_t cell50_mountain(const Scenario& s) { return s.route[50].mountain; }
int64_t cell_count(const Scenario& s) { return s.cell_count; }

INSTANTIATE_TEST_SUITE_P(
    Limits, ParserLimits,
    ::testing::Values(
        // The longest route, 1 000 000 m.
        LimitCase{"RouteBelowTheLongest", line_file("", 999999), kNoTrain, 0, cell_count, 20140},
        LimitCase{"RouteAtTheLongest", line_file("", 1000000), kNoTrain, 0, cell_count, 20140},
        LimitCase{"RouteAboveTheLongest", line_file("", 1000001), kNoTrain, 1},
        // The plan may be computed up to metre 999 999; metre 1 000 000 is too far,
        // on a curve and on the straight before one.
        LimitCase{"CurveEndsBelowThePlanLimit", curve(999000, 998), kNoTrain, 0},
        LimitCase{"CurveEndsOnTheLastPlanMetre", curve(999000, 999), kNoTrain, 0},
        LimitCase{"CurveEndsAtThePlanLimit", curve(999000, 1000), kNoTrain, 103},
        LimitCase{"CurveEndsAboveThePlanLimit", curve(999000, 1001), kNoTrain, 103},
        LimitCase{"StraightToTheLastPlanMetre", curve(999999, 0), kNoTrain, 0},
        LimitCase{"StraightToThePlanLimit", curve(1000000, 0), kNoTrain, 103},
        // The range test: a 10 000 m line has cells 0 to 340; a position p fits
        // while (p + 100) / 50 does not pass the last cell, (p + 800) / 50 for a station.
        LimitCase{"PositionBelowTheRouteEnd", line_file("pendenza,  16850,  1\r\n"), kNoTrain, 0},
        LimitCase{"PositionAtTheRouteEnd", line_file("pendenza,  16900,  1\r\n"), kNoTrain, 0},
        LimitCase{"PositionPastTheRouteEnd", line_file("pendenza,  16950,  1\r\n"), kNoTrain, 15},
        LimitCase{"StationBelowTheRouteEnd", line_file(""), train_file(station(16150, 25, 0)), 0},
        LimitCase{"StationAtTheRouteEnd", line_file(""), train_file(station(16200, 25, 0)), 0},
        LimitCase{"StationPastTheRouteEnd", line_file(""), train_file(station(16250, 25, 0)), 15},
        // A station area shorter than 600 m clears the fifth field; the first
        // station's is cleared whatever its length.
        LimitCase{"StationAreaBelow600", line_file(""),
                  train_file(station(1000, 25, 0) + station(3000, 2, 500, 7)), 0, row2_field5, 0},
        LimitCase{"StationAreaAt600", line_file(""),
                  train_file(station(1000, 25, 0) + station(3000, 2, 600, 7)), 0, row2_field5, 7},
        LimitCase{"StationAreaAbove600", line_file(""),
                  train_file(station(1000, 25, 0) + station(3000, 2, 700, 7)), 0, row2_field5, 7},
        LimitCase{"FirstStationAreaAt600", line_file(""), train_file(station(3000, 2, 600, 7)), 0,
                  [](const Scenario& s) -> int64_t { return s.scenario_table[1].byte_d; }, 0},
        // A station starts at least 350 m after the previous one stops.
        LimitCase{"StationsBelow350Apart", line_file(""),
                  train_file(station(1000, 25, 0) + station(1300, 25, 0)), 22},
        LimitCase{"StationsAt350Apart", line_file(""),
                  train_file(station(1000, 25, 0) + station(1350, 25, 0)), 0},
        LimitCase{"StationsAbove350Apart", line_file(""),
                  train_file(station(1000, 25, 0) + station(1400, 25, 0)), 0},
        // A stopping station stops beyond 100 m.
        LimitCase{"StopBelow100", line_file(""), train_file(station(0, 2, 100)), 24},
        LimitCase{"StopAt100", line_file(""), train_file(station(0, 2, 200)), 24},
        LimitCase{"StopAbove100", line_file(""), train_file(station(0, 2, 300)), 0},
        // Station rows grow from row 1 up to the sign rows, which grow down from 80.
        LimitCase{"StationsBelowTheSignRows", line_file("", 40000), train_file(stations(77)), 0},
        LimitCase{"StationsUpToTheSignRows", line_file("", 40000), train_file(stations(78)), 0},
        LimitCase{"StationsIntoTheSignRows", line_file("", 40000), train_file(stations(79)), 10},
        LimitCase{"StationsUpToTheRowsOfOneSign", line_file(signs(1), 40000),
                  train_file(stations(77)), 0},
        LimitCase{"StationsIntoTheRowsOfOneSign", line_file(signs(1), 40000),
                  train_file(stations(78)), 10},
        // At most 80 signs and 80 mountain stretches.
        LimitCase{"SignsBelowTheMost", line_file(signs(79)), kNoTrain, 0},
        LimitCase{"SignsAtTheMost", line_file(signs(80)), kNoTrain, 0},
        LimitCase{"SignsAboveTheMost", line_file(signs(81)), kNoTrain, 25},
        LimitCase{"MountainsBelowTheMost", line_file(rows("montagna,  ", 79, 100, ",  0,  1\r\n")),
                  kNoTrain, 0},
        LimitCase{"MountainsAtTheMost", line_file(rows("montagna,  ", 80, 100, ",  0,  1\r\n")),
                  kNoTrain, 0},
        LimitCase{"MountainsAboveTheMost", line_file(rows("montagna,  ", 81, 100, ",  0,  1\r\n")),
                  kNoTrain, 25},
        // A mountain stretch within 150 m of the one before joins it as type 3.
        LimitCase{"MountainBelow150After", second_mountain_at(2100), kNoTrain, 0, cell50_mountain,
                  3},
        LimitCase{"MountainAt150After", second_mountain_at(2150), kNoTrain, 0, cell50_mountain, 3},
        LimitCase{"MountainAbove150After", second_mountain_at(2200), kNoTrain, 0, cell50_mountain,
                  2},
        // A speed limit is stored in fifths of km/h in one byte: -2 to 1277 km/h.
        LimitCase{"SpeedBelowTheHighest", line_file(""), speed_from_0(1272), 0, cell5_speed, 254},
        LimitCase{"SpeedAtTheHighest", line_file(""), speed_from_0(1277), 0, cell5_speed, 255},
        LimitCase{"SpeedAboveTheHighest", line_file(""), speed_from_0(1278), 25},
        LimitCase{"SpeedAtTheLowest", line_file(""), speed_from_0(-2), 0, cell5_speed, 0},
        LimitCase{"SpeedBelowTheLowest", line_file(""), speed_from_0(-3), 25},
        // A signal time from 1 to 100 s is raised to 101 s.
        LimitCase{"SignalTimeZero", line_file(""), signal_at(5000, 0), 0, cell101_signal_time, 0},
        LimitCase{"SignalTimeOne", line_file(""), signal_at(5000, 1), 0, cell101_signal_time, 101},
        LimitCase{"SignalTime100", line_file(""), signal_at(5000, 100), 0, cell101_signal_time,
                  101},
        LimitCase{"SignalTime102", line_file(""), signal_at(5000, 102), 0, cell101_signal_time,
                  102},
        // A signal's fourth repeat cell, 400 m before it, must be on the route.
        LimitCase{"SignalBelowTheFirstThatFits", line_file(""), signal_at(300), 25},
        LimitCase{"SignalAtTheFirstThatFits", line_file(""), signal_at(350), 0},
        LimitCase{"SignalAboveTheFirstThatFits", line_file(""), signal_at(400), 0},
        // A text item holds at most 65535 bytes, the most a timetable row can.
        LimitCase{"TextAtTheLongest", sign_text(65535), kNoTrain, 0,
                  [](const Scenario& s) -> int64_t { return s.scenario_table[80].text.size(); },
                  65535},
        LimitCase{"TextAboveTheLongest", sign_text(65536), kNoTrain, 25}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace scenarioc
