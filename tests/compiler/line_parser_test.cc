#include <gtest/gtest.h>

#include "compile_fixture.h"

namespace scenarioc {
namespace {

using testing::compile_text;
using testing::line_file;
using testing::train_file;

const std::string kNoTrain = train_file("");

// A failure recorded while reading a line file.
struct LineFailureCase {
  const char* name;
  std::string line;
  int32_t code;
  std::optional<int32_t> position;  // when the code sets one
  int source_line;                  // 0: not tied to a source line
  bool route_created;
};

void PrintTo(const LineFailureCase& c, std::ostream* os) { *os << c.name; }

class LineFailures : public ::testing::TestWithParam<LineFailureCase> {};

TEST_P(LineFailures, RecordTheirCodePositionAndLine) {
  const LineFailureCase& c = GetParam();
  Scenario s = compile_text(c.line, kNoTrain);
  ASSERT_FALSE(s.failures.empty());
  const Failure& f = s.failures.front();
  EXPECT_EQ(f.code, c.code) << f.message;
  EXPECT_EQ(s.failures.back().code, c.code);
  EXPECT_EQ(f.position, c.position);
  if (c.source_line > 0) {
    ASSERT_TRUE(f.where.has_value());
    EXPECT_EQ(f.where->line, c.source_line) << f.message;
  }
  EXPECT_FALSE(f.message.empty());
  EXPECT_EQ(s.route_created, c.route_created);
}

const std::string kBoard = "indicatori_vmax,  1100,  80,  90,  100,  0,  ,  ,  ,  0\r\n";

std::string many(const std::string& row_prefix, int count, int step, const std::string& tail) {
  std::string out;
  for (int i = 0; i < count; ++i)
    out += row_prefix + std::to_string(1000 + i * step) + tail;
  return out;
}

INSTANTIATE_TEST_SUITE_P(
    Codes, LineFailures,
    ::testing::Values(
        LineFailureCase{"EmptyFile", "", 102, std::nullopt, 0, false},
        LineFailureCase{"NoGeneralHeader", "lunghezza percorso, 1000\r\n[fine]\r\n", 102,
                        std::nullopt, 0, false},
        LineFailureCase{"HeaderIsTheLastItem", "intro\r\n[generale]\r\n", 102,
                        std::nullopt, 2, false},
        LineFailureCase{"RouteTooLong",
                        "[generale]\r\nlunghezza percorso, 1000001\r\n[d]\r\n[fine]\r\n", 1,
                        std::nullopt, 2, false},
        LineFailureCase{"RepetitionStartNotOn50",
                        "[generale]\r\nlunghezza percorso, 1000\r\nripetizione segnali 9 "
                        "codici, 25, 100\r\n[d]\r\n[fine]\r\n",
                        3, std::nullopt, 3, true},
        LineFailureCase{"RepetitionEndNotOn50",
                        "[generale]\r\nlunghezza percorso, 1000\r\nripetizione segnali 9 "
                        "codici, 0, 120\r\n[d]\r\n[fine]\r\n",
                        4, std::nullopt, 3, true},
        LineFailureCase{"RepetitionWithoutCodeCount",
                        "[generale]\r\nlunghezza percorso, 1000\r\nripetizione segnali "
                        "codici, 0, 100\r\n[d]\r\n[fine]\r\n",
                        5, std::nullopt, 3, true},
        LineFailureCase{"GradientPastTheRoute", line_file("pendenza,  16950,   1\r\n"), 15,
                        16950, 4, true},
        LineFailureCase{"CurveWithoutClass", line_file("curvax7,  100,  100\r\n"), 103,
                        std::nullopt, 4, true},
        LineFailureCase{"CurvePastThePlan", line_file("curvad1,  16000,  2000\r\n"), 25,
                        std::nullopt, 4, true},
        LineFailureCase{"SignOnABoard",
                        line_file(kBoard + "cartello indicatore,  1100,  STOP\r\n"), 6,
                        1100, 5, true},
        LineFailureCase{"TwoBoardsInOneCell",
                        line_file(kBoard + "indicatori_vmax,  1110,  1,2,3,0,,,,0\r\n"), 21,
                        1110, 5, true},
        LineFailureCase{"TextForAPosition", line_file("pendenza,  abc,   1\r\n"), 25,
                        std::nullopt, 4, true},
        LineFailureCase{"NegativeRouteLength",
                        "[generale]\r\nlunghezza percorso, -5\r\n[d]\r\n[fine]\r\n", 25,
                        std::nullopt, 2, false},
        LineFailureCase{"LineCutShortAtTheEnd",
                        "[generale]\r\nlunghezza percorso, 1000\r\n[d]\r\npendenza, 100", 25,
                        std::nullopt, 4, true},
        LineFailureCase{"SignBeforeTheRoute",
                        line_file("cartello indicatore,  -100,  X\r\n"), 25, std::nullopt,
                        4, true},
        LineFailureCase{"EightyOneSigns",
                        line_file(many("cartello indicatore,  ", 81, 100, ",  S\r\n")), 25,
                        std::nullopt, 84, true},
        LineFailureCase{"EightyOneMountains",
                        line_file(many("montagna,  ", 81, 100, ",  1000, 1\r\n")), 25,
                        std::nullopt, 84, true},
        LineFailureCase{"NoRouteLength",
                        "[generale]\r\n[d]\r\npendenza, 0, 0\r\n[fine]\r\n", 25,
                        std::nullopt, 0, false},
        LineFailureCase{"PlanPastItsLimit",
                        line_file("curvad1,  999000,  5000\r\n", 1000000), 103,
                        std::nullopt, 4, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LineFile, RouteLengthCreatesRouteAndPlan) {
  Scenario s = compile_text(line_file("", 220000), kNoTrain);
  EXPECT_TRUE(s.failures.empty());
  EXPECT_EQ(s.scenario_table[kTrainDataRow].stop_pos, 220000);
  EXPECT_EQ(s.route_length_ext, 227000);
  EXPECT_EQ(s.cell_count, 4540);
  EXPECT_EQ(s.route.size(), 4541u);
  EXPECT_EQ(s.track_plan.last_metre(), 227000);
  // Straight track from the seeds, up to two metres before the end.
  EXPECT_EQ(s.track_plan.cursor(), 226999);
  EXPECT_EQ(s.track_plan.tag(226998), TrackPlan::Tag::kDouble);
  EXPECT_EQ(s.track_plan.tag(226999), TrackPlan::Tag::kEmpty);
  EXPECT_EQ(s.track_plan.x(226998), 0.0);
  EXPECT_EQ(s.track_plan.y(226998), 226998.0);
  EXPECT_EQ(s.scenario_table[kLineRow].text, "Prova");
  EXPECT_EQ(s.scenario_table[kTrainRow].text, "9");
}

TEST(LineFile, LongestRouteIsAccepted) {
  Scenario s = compile_text(line_file("", 1000000), kNoTrain, 0);
  EXPECT_TRUE(s.failures.empty());
  EXPECT_EQ(s.cell_count, 20140);
  EXPECT_FALSE(s.track_plan.created());
}

TEST(LineFile, GeneralKeysTestCaseWhereTheyShould) {
  Scenario s = compile_text(
      "[generale]\r\n"
      "lunghezza del PERCORSO,    1000\r\n"
      "Progressiva chilometrica uno,    50,    100,    1\r\n"
      "progressiva chilometrica due,    0,    300,    2\r\n"
      "Sfondo uno,    5\r\n"
      "sfondo tre,    7\r\n"
      "ripetizione segnali 4 9 codici,    100,    200\r\n"
      "[curve]\r\n[fine]\r\n",
      kNoTrain);
  EXPECT_TRUE(s.failures.empty());
  EXPECT_EQ(s.cell_count, 160);
  // "Progressiva" with a capital is no progressive: only "due" was stored,
  // and with every start at 0 it moves to row 81.
  EXPECT_EQ(s.scenario_table[81].stop_pos, 300);
  EXPECT_EQ(s.scenario_table[83].stop_pos, 0);
  EXPECT_EQ(s.scenario_table[kLineRow].start_pos, 0);
  EXPECT_EQ(s.scenario_table[kLineRow].stop_pos, 7);
  EXPECT_EQ(s.scenario_table[kTrainRow].start_pos, 100);
  EXPECT_EQ(s.scenario_table[kTrainRow].stop_pos, 200);
  EXPECT_EQ(s.scenario_table[kTrainRow].position, 4);
}

TEST(LineFile, RepetitionEndingAtZeroHasNoCodes) {
  Scenario s = compile_text(
      "[generale]\r\nlunghezza percorso, 1000\r\nripetizione segnali 9 codici, 0, "
      "0\r\n[d]\r\n[fine]\r\n",
      kNoTrain);
  EXPECT_EQ(s.scenario_table[kTrainRow].position, 0);
}

TEST(LineFile, GradientsFillTheCellsBehindEachLine) {
  Scenario s = compile_text(line_file("PENDENZA,   0,    0\r\n"
                                      "------------\r\n"
                                      "pendenza,  500,   -3\r\n"
                                      "pendenza,  3250,   0\r\n"
                                      "pendenza,  5000,   1\r\n"),
                            kNoTrain);
  ASSERT_TRUE(s.failures.empty());
  for (int c = 0; c <= 9; ++c) EXPECT_EQ(s.route[c].gradient, 100) << c;
  for (int c = 10; c <= 64; ++c) EXPECT_EQ(s.route[c].gradient, 97) << c;
  for (int c = 65; c <= 99; ++c) EXPECT_EQ(s.route[c].gradient, 100) << c;
  // The tail carries the last gradient up to three cells before the end.
  EXPECT_EQ(s.route[100].gradient, 101);
  EXPECT_EQ(s.route[s.cell_count - 3].gradient, 101);
  EXPECT_EQ(s.route[s.cell_count - 2].gradient, 0);
}

TEST(LineFile, GradientPastTheRouteStillCompilesTheTrainFile) {
  Scenario s = compile_text(line_file("pendenza,  500,   2\r\npendenza,  99999,   1\r\n"),
                            train_file("vetture,    12\r\n"));
  ASSERT_EQ(s.failures.size(), 1u);
  EXPECT_EQ(s.failures[0].code, 15);
  EXPECT_EQ(s.scenario_table[kTrainDataRow].position, 12);
  EXPECT_EQ(s.route[s.cell_count - 3].gradient, 102);  // the tail ran
}

TEST(LineFile, TheLastItemIsNeverInterpreted) {
  // "sfondo uno" is the last item: its value would be missing, yet nothing fails.
  Scenario s = compile_text("[generale]\r\nlunghezza percorso, 1000\r\nsfondo uno", kNoTrain);
  EXPECT_TRUE(s.failures.empty());
  EXPECT_TRUE(s.route_created);
}

TEST(LineFile, CommentsAreSkippedTwoInARowInTheData) {
  // Three comment items in a row: the third is taken as a key (and matches
  // nothing), so the gradient after it is read as usual.
  Scenario s = compile_text(line_file("-- a\r\n-- b\r\n-- c\r\npendenza,  500,   4\r\n"),
                            kNoTrain);
  EXPECT_TRUE(s.failures.empty());
  EXPECT_EQ(s.route[20].gradient, 104);
}

TEST(LineFile, CurvesBendThePlanMetreByMetre) {
  const double k = 0.0001;
  Scenario s = compile_text(line_file("curvad1,  10,  5\r\ncurvas5,  20,  2\r\n"), kNoTrain);
  ASSERT_TRUE(s.failures.empty());
  const TrackPlan& t = s.track_plan;
  EXPECT_EQ(t.tag(0), TrackPlan::Tag::kInteger);
  EXPECT_EQ(t.tag(1), TrackPlan::Tag::kInteger);
  for (int m = 2; m <= 10; ++m) {
    EXPECT_EQ(t.x(m), 0.0);
    EXPECT_EQ(t.y(m), m);
  }
  // First curved metre: D = (0, 1).
  EXPECT_EQ(t.x(11), 0.0 + (0.0 + k * 1.0));
  EXPECT_EQ(t.y(11), 10.0 + (1.0 - k * 0.0));
  // The step is never rescaled: each curved metre turns the last one.
  double x = t.x(11), y = t.y(11), dx = t.x(11) - t.x(10), dy = t.y(11) - t.y(10);
  for (int m = 12; m <= 15; ++m) {
    const double nx = x + (dx + k * dy), ny = y + (dy - k * dx);
    dx = nx - x;
    dy = ny - y;
    x = nx;
    y = ny;
    EXPECT_EQ(t.x(m), x) << m;
    EXPECT_EQ(t.y(m), y) << m;
  }
  // Straight again up to 20, then a class-5 curve to the left.
  for (int m = 16; m <= 20; ++m) {
    EXPECT_EQ(t.x(m), t.x(m - 1) + (t.x(m - 1) - t.x(m - 2))) << m;
    EXPECT_EQ(t.y(m), t.y(m - 1) + (t.y(m - 1) - t.y(m - 2))) << m;
  }
  const double kl = -0.002;
  dx = t.x(20) - t.x(19);
  dy = t.y(20) - t.y(19);
  EXPECT_EQ(t.x(21), t.x(20) + (dx + kl * dy));
}

TEST(LineFile, CurveClassIsTheFirstDigitFromOneToSix) {
  // "curvad51" holds a 1, tested first: class 1.
  Scenario a = compile_text(line_file("curvad51,  0,  3\r\n"), kNoTrain);
  Scenario b = compile_text(line_file("curvad1,  0,  3\r\n"), kNoTrain);
  ASSERT_TRUE(a.failures.empty());
  EXPECT_EQ(a.track_plan.x(3), b.track_plan.x(3));
  EXPECT_NE(a.track_plan.x(3), 0.0);
}

TEST(LineFile, WithoutPlanCurvesAreNotActedUpon) {
  Scenario s = compile_text(line_file("curvax7,  100,  100\r\n"), kNoTrain, 0);
  EXPECT_TRUE(s.failures.empty());  // a curve without class goes unnoticed
  EXPECT_FALSE(s.track_plan.created());
}

TEST(LineFile, SignsTakeRowsFromEightyDownAndMayReplaceAMountainMarker) {
  Scenario s = compile_text(line_file("montagna,   0,  1000,  11\r\n"
                                      "cartello indicatore,  100,  PASSO ALTO\r\n"
                                      "cartello indicatore,  500,  GALLERIA\r\n"),
                            kNoTrain);
  ASSERT_TRUE(s.failures.empty()) << s.failures[0].message;
  EXPECT_EQ(s.route[3].kind, kSign);  // 100 / 50 + 1; was a mountain marker
  EXPECT_EQ(s.route[3].code1, 80);
  EXPECT_EQ(s.route[11].code1, 79);
  EXPECT_EQ(s.scenario_table[80].text, "PASSO ALTO");
  EXPECT_EQ(s.scenario_table[79].text, "GALLERIA");
}

TEST(LineFile, ReportNamesTheSourceLineAndTheItem) {
  Scenario s = compile_text(line_file(kBoard + "cartello indicatore,  1100,  STOP\r\n"),
                            kNoTrain);
  ASSERT_EQ(s.failures.size(), 1u);
  const Failure& f = s.failures[0];
  EXPECT_EQ(f.where->file, "Prova_linea.txt");
  EXPECT_EQ(f.where->text, "cartello indicatore,  1100,  STOP");
  EXPECT_EQ(f.where->column, 23);
  EXPECT_NE(f.message.find("cell 23"), std::string::npos) << f.message;
  EXPECT_NE(f.message.find("speed board"), std::string::npos) << f.message;
}

}  // namespace
}  // namespace scenarioc
