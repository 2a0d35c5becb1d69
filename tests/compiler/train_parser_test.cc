#include <gtest/gtest.h>

#include "compile_fixture.h"

namespace scenarioc {
namespace {

using testing::compile_text;
using testing::line_file;
using testing::train_file;

const std::string kLongLine = line_file("", 220000);

// A station row with the given leading fields and zeros elsewhere.
std::string station(int pos, int type, int length, int field6 = 0,
                    const std::string& name = "STAZIONE DI PROVA") {
  return "stazione,  " + std::to_string(pos) + ",  " + std::to_string(type) + ",  " +
         std::to_string(length) + ",  0, 0, " + std::to_string(field6) +
         ",  1,1,0,  4,1,1,    0,   6,52, 0, " + name + "\r\n";
}

std::string signal_at(int pos) {
  return "segnale,  " + std::to_string(pos) + ",   1, 4, 0,  0, 0,    1,  1,0,0, 0\r\n";
}

struct TrainFailureCase {
  const char* name;
  std::string line;
  std::string train;
  int32_t code;
  std::optional<int32_t> position;
};

void PrintTo(const TrainFailureCase& c, std::ostream* os) { *os << c.name; }

class TrainFailures : public ::testing::TestWithParam<TrainFailureCase> {};

TEST_P(TrainFailures, RecordTheirCodeAndPosition) {
  const TrainFailureCase& c = GetParam();
  Scenario s = compile_text(c.line, train_file(c.train));
  ASSERT_FALSE(s.failures.empty());
  const Failure& f = s.failures.back();
  EXPECT_EQ(f.code, c.code) << f.message;
  EXPECT_EQ(f.position, c.position) << f.message;
  EXPECT_FALSE(f.message.empty());
}

std::string stations(int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += station(1000 + 500 * i, 25, 100);
  return out;
}

INSTANTIATE_TEST_SUITE_P(
    Codes, TrainFailures,
    ::testing::Values(
        TrainFailureCase{"SpeedPastTheRoute", line_file(""), "velocita,  16950,  100\r\n",
                         15, 16950},
        TrainFailureCase{"StationPastTheRoute", line_file(""), station(16300, 2, 400), 15,
                         16300},
        TrainFailureCase{"PointOnASignal", line_file(""),
                         signal_at(1000) + "abbattimento,  1050,  0\r\n", 7, 1050},
        TrainFailureCase{"StationNotOn50", kLongLine, station(1025, 2, 400), 8, 1025},
        TrainFailureCase{"StationLengthNotOn100", kLongLine, station(1000, 2, 450), 9, 1000},
        TrainFailureCase{"TooManyStations", kLongLine, stations(79), 10, std::nullopt},
        TrainFailureCase{"StationsTooClose", kLongLine,
                         station(2000, 2, 400) + station(2700, 2, 400), 22, 2700},
        TrainFailureCase{"StopTooNearTheStart", kLongLine, station(0, 8, 100), 24,
                         std::nullopt},
        TrainFailureCase{"TwoSignalsInOneCell", line_file(""),
                         signal_at(1125) + signal_at(1175), 16, 1175},
        TrainFailureCase{"SlowDownWarningTaken", line_file(""),
                         signal_at(3800) + "rallentamento,  5000,  60,  500,  0,  0,  0\r\n",
                         17, 5000},
        TrainFailureCase{"SlowDownStartTaken", line_file(""),
                         signal_at(5000) + "rallentamento,  5000,  60,  500,  0,  0,  0\r\n",
                         18, 5000},
        TrainFailureCase{"SlowDownEndTaken", line_file(""),
                         signal_at(5500) + "rallentamento,  5000,  60,  500,  0,  0,  0\r\n",
                         19, 5000},
        TrainFailureCase{"SlowDownApproachTaken", line_file(""),
                         signal_at(3650) + "rallentamento,  5000,  60,  500,  0,  1,  0\r\n",
                         20, 5000},
        TrainFailureCase{"ProgressiveNotOn50",
                         "[generale]\r\nlunghezza percorso, 10000\r\nprogressiva "
                         "chilometrica tre, 125, 200, 0\r\n[d]\r\n[fine]\r\n",
                         "", 2, std::nullopt},
        TrainFailureCase{"SpeedAboveAByte", line_file(""),
                         "velocita,  0,  1280\r\nvelocita,  500,  100\r\n", 25, std::nullopt},
        TrainFailureCase{"StationTypeAboveAByte", kLongLine, station(1000, 300, 400), 25,
                         std::nullopt},
        TrainFailureCase{"StationCutShort", kLongLine, "stazione,  1000,  2,  400,  0,\r\n",
                         25, std::nullopt},
        TrainFailureCase{"SignalBeforeTheRoute", line_file(""), signal_at(-100), 25,
                         std::nullopt},
        TrainFailureCase{"SignalsRepeatCellsBeforeTheRoute", line_file(""), signal_at(100),
                         25, std::nullopt},
        TrainFailureCase{"AdhesionCursorPastTheRoute", line_file(""),
                         "aderenza,  16900,  5\r\n" + std::string(3, ' ') +
                             "aderenza,  16900,  5\r\naderenza,  16900,  5\r\naderenza,  "
                             "16900,  5\r\n",
                         25, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TrainFile, SeventyEightStationsFitWithoutSigns) {
  Scenario s = compile_text(kLongLine, train_file(stations(78)));
  EXPECT_TRUE(s.failures.empty()) << s.failures.front().message;
}

TEST(TrainFile, GeneralValuesAndClock) {
  Scenario s = compile_text(line_file(""),
                            train_file("numero vetture,    12\r\n"
                                       "percentuale massa frenata,    130\r\n"
                                       "sabbia,    300\r\n"
                                       "orologio,    6               51            45 \r\n"));
  ASSERT_TRUE(s.failures.empty());
  EXPECT_EQ(s.scenario_table[kTrainDataRow].position, 12);
  EXPECT_EQ(s.scenario_table[kTrainDataRow].start_pos, 130);
  EXPECT_EQ(s.scenario_table[kTrainRow].int_a, 300);
  EXPECT_EQ(s.scenario_table[kTrainRow].int_c, 6);
  EXPECT_EQ(s.scenario_table[kTrainRow].int_d, 51);
  EXPECT_EQ(s.scenario_table[kTrainRow].int_e, 45);
}

TEST(TrainFile, SpeedsAreStoredInFifthsRoundedHalfToEven) {
  Scenario s = compile_text(line_file(""), train_file("velocita,   0,    115\r\n"
                                                      "velocita,  500,   112\r\n"
                                                      "velocita,  1000,  113\r\n"
                                                      "velocita,  1500,  2\r\n"));
  ASSERT_TRUE(s.failures.empty());
  EXPECT_EQ(s.route[0].speed_limit, 23);  // 115; the line at 0 itself writes nothing
  EXPECT_EQ(s.route[9].speed_limit, 23);
  EXPECT_EQ(s.route[10].speed_limit, 22);  // 112 / 5 = 22.4
  EXPECT_EQ(s.route[20].speed_limit, 23);  // 113 / 5 = 22.6
  EXPECT_EQ(s.route[30].speed_limit, 0);   // 2 / 5 = 0.4
  EXPECT_EQ(s.route[s.cell_count - 3].speed_limit, 0);
}

TEST(TrainFile, SpeedAndAdhesionTailsReachThreeCellsBeforeTheEnd) {
  Scenario s = compile_text(line_file(""), train_file("velocita,   0,    100\r\n"
                                                      "aderenza,   0,    65\r\n"
                                                      "aderenza,  400,    80\r\n"));
  ASSERT_TRUE(s.failures.empty());
  EXPECT_EQ(s.route[7].adhesion, 65);
  EXPECT_EQ(s.route[8].adhesion, 80);
  for (int c : {0, 100, 337}) EXPECT_EQ(s.route[c].speed_limit, 20) << c;
  EXPECT_EQ(s.route[337].adhesion, 80);
  EXPECT_EQ(s.route[338].speed_limit, 0);
  EXPECT_EQ(s.route[338].adhesion, 0);
}

TEST(TrainFile, WithoutGeneralHeaderNothingIsStoredButTheTailsRun) {
  Scenario s = compile_text(line_file(""), "vetture, 12\r\nvelocita, 0, 100\r\n[fine]\r\n");
  EXPECT_TRUE(s.failures.empty());
  EXPECT_EQ(s.scenario_table[kTrainDataRow].position, 0);
  EXPECT_EQ(s.route[0].speed_limit, 0);
}

struct StationCase {
  const char* name;
  int pos, type, length, field6;
  int32_t start_pos, stop_pos;
  int stop_cell;               // 0: no stop cell
  std::vector<int> marks;      // cells of repeat codes 81, 82, 83, 84
};

void PrintTo(const StationCase& c, std::ostream* os) { *os << c.name; }

class StationAreas : public ::testing::TestWithParam<StationCase> {};

TEST_P(StationAreas, FollowTheStationType) {
  const StationCase& c = GetParam();
  // A first station far away, so that the one under test is not row 1.
  Scenario s = compile_text(kLongLine, train_file(station(210000, 25, 100) +
                                                  station(c.pos, c.type, c.length, c.field6)));
  // The stations are not in order here; only the spacing test may object.
  const ScenarioRecord& row = s.scenario_table[2];
  EXPECT_EQ(row.start_pos, c.start_pos);
  EXPECT_EQ(row.stop_pos, c.stop_pos);
  if (c.stop_cell > 0) {
    EXPECT_EQ(s.route[c.stop_cell].kind, kStationStop);
    EXPECT_EQ(s.route[c.stop_cell].code1, 2);
  }
  for (size_t k = 0; k < c.marks.size(); ++k)
    EXPECT_EQ(s.route[c.marks[k]].repeat_code, 81 + k) << "mark " << k + 1;
}

INSTANTIATE_TEST_SUITE_P(
    Types, StationAreas,
    ::testing::Values(StationCase{"Ordinary", 29000, 2, 400, 0, 28800, 29200, 583,
                                  {582, 581, 580, 579}},
                      StationCase{"OrdinaryStoppingFurther", 29000, 2, 400, 1, 28800, 29250,
                                  584, {583, 582, 581, 580}},
                      StationCase{"Terminus", 214500, 6, 500, 0, 214000, 214650, 4292, {}},
                      StationCase{"ThroughStation", 1000, 8, 500, 0, 500, 1500, 29,
                                  {28, 27, 26, 25}},
                      StationCase{"NoStop", 1000, 25, 300, 0, 850, 1150, 0, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TrainFile, FirstStationKeepsTheMovedStopButClearsItsFields) {
  Scenario s = compile_text(kLongLine, train_file(station(29000, 2, 800, 1)));
  ASSERT_TRUE(s.failures.empty());
  const ScenarioRecord& row = s.scenario_table[1];
  EXPECT_EQ(row.stop_pos, 29450);
  EXPECT_EQ(row.byte_c, 0);
  EXPECT_EQ(row.byte_d, 0);
  EXPECT_EQ(row.text, "STAZIONE DI PROVA");
  EXPECT_EQ(row.time_s, (6 * 60 + 52) * 60);
  EXPECT_EQ(row.int_a, 1);
  EXPECT_EQ(row.int_c, 4);
}

TEST(TrainFile, StationsPartlyReadKeepWhatWasStored) {
  Scenario s = compile_text(kLongLine, train_file(station(1000, 2, 450)));
  const ScenarioRecord& row = s.scenario_table[1];
  ASSERT_FALSE(s.failures.empty());
  EXPECT_EQ(s.failures.back().code, 9);
  EXPECT_EQ(row.position, 1000);
  EXPECT_EQ(row.type, 2);
  EXPECT_EQ(row.text, "");
}

TEST(TrainFile, StationsExactly350MetresApartAreAccepted) {
  Scenario s = compile_text(kLongLine, train_file(station(2000, 2, 400) +
                                                  station(2750, 2, 400)));
  EXPECT_TRUE(s.failures.empty());
}

TEST(TrainFile, BrakingPointsWithAndWithoutValue) {
  Scenario s = compile_text(line_file("montagna,   0,  2000,  11\r\n"),
                            train_file("abbattimento,  1000,  90\r\n"
                                       "abbattimento,  1100,  0\r\n"
                                       "abbattimento,  1200,  -4\r\n"
                                       "abbattimento,  1350,  70000\r\n"));
  ASSERT_TRUE(s.failures.empty());
  EXPECT_EQ(s.route[20].kind, kPointWithValue);
  EXPECT_EQ(s.route[20].code1, 90);
  EXPECT_EQ(s.route[22].kind, kPointWithoutValue);
  EXPECT_EQ(s.route[24].kind, kPointWithoutValue);
  EXPECT_EQ(s.route[27].code1, static_cast<int16_t>(70000));  // low 16 bits
}

TEST(TrainFile, AFailureLeftByTheLineFileDoesNotStopTheSignals) {
  Scenario s = compile_text(line_file("pendenza,  99999,  1\r\n"),
                            train_file(signal_at(1000) + signal_at(2000)));
  ASSERT_EQ(s.failures.size(), 1u);
  EXPECT_EQ(s.route[21].kind, kSignal);
  EXPECT_EQ(s.route[41].kind, kSignal);
}

TEST(TrainFile, WorkedSignalExample) {
  Scenario s = compile_text(kLongLine, train_file(
      "segnale,   23850,   1, 4, 0,  0, 0,    1,  1,0,0, 0\r\n"));
  ASSERT_TRUE(s.failures.empty());
  const RouteCell& c = s.route[478];
  EXPECT_EQ(c.kind, kSignal);
  EXPECT_EQ(c.code4, 4);
  EXPECT_EQ(c.code1, 41);
  for (int k = 1; k <= 4; ++k) EXPECT_EQ(s.route[478 - 2 * k].repeat_code, 40 + k);
}

}  // namespace
}  // namespace scenarioc
