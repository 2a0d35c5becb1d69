// The cases where one item hides or overwrites another, and where the
// compile stopped early: each scenario comes back byte for byte, and its
// sources say why a line is there.
#include <gtest/gtest.h>

#include "decompiler/decompile_fixture.h"

namespace scenarioc {
namespace {

using testing::decompile_sources;
using testing::describe;
using testing::line_with;
using testing::train_with;

struct Case {
  const char* name;
  const char* line_data;   // after the line's general data
  const char* train_data;  // after the train's "[generale]"
  const char* shows;       // a text the recovered sources hold
};

// A station of kind 2 at 3000 m, 400 m long, stops in cell 63 and marks
// cells 62 to 59 with the repeat codes 81 to 84.
constexpr const char* kStation = "stazione,  3000, 2, 400, 0,0,0, 1,1,0, 4,1,1, 0, 8,30,0, PIEVE\r\n";

const Case kCases[] = {
    {"BoardUnderAStop", "indicatori_vmax,  3100,  80,  90,  100,  2,  ,  ,  ,  1\r\n", kStation,
     "a board the stop of the station at 3000 m overwrote"},
    {"SignUnderAStop",
     "cartello indicatore,  3100,  GALLERIA\r\ncartello indicatore,  5000,  PONTE\r\n", kStation,
     "a sign the stop of the station at 3000 m overwrote"},
    {"SignalUnderAStopKeepsItsTime", "",
     "segnale,  3100,   2, 4, 1,  0, 0,    1,  1,0,0, 150\r\n"
     "stazione,  3000, 2, 400, 0,0,0, 1,1,0, 4,1,1, 0, 8,30,0, PIEVE\r\n",
     "a signal the stop of the station at 3000 m overwrote"},
    {"SignalUnderAStopKeepsItsRepeatCodes", "",
     "segnale,  3100,   1, 4, 0,  0, 0,    1,  1,0,0, 0\r\n"
     "stazione,  3000, 2, 400, 0,0,0, 1,1,0, 4,1,1, 0, 8,30,0, PIEVE\r\n",
     "a signal the stop of the station at 3000 m overwrote"},
    {"StationMarksOverASignalsRepeatCodes", "",
     "segnale,  3200,   1, 4, 0,  0, 0,    1,  1,0,0, 0\r\n" "segnale,  6000,   1, 4, 0,  0, 0,    1,  1,0,0, 0\r\n"
     "stazione,  3000, 2, 400, 0,0,0, 1,1,0, 4,1,1, 0, 8,30,0, PIEVE\r\n",
     "written among the stations"},
    {"SlowDownStartUnderAStop", "",
     "rallentamento,  3100,  60,  1000,  1,  1,  0\r\n" "stazione,  3000, 2, 400, 0,0,0, 1,1,0, 4,1,1, 0, 8,30,0, PIEVE\r\n",
     "a slow-down"},
    {"SlowDownWithAnOffGridStart", "", "rallentamento,  4525,  60,  1000,  1,  1,  0\r\n",
     "rallentamento,  4525"},
    {"AuthorsPointWhereThePassWouldPlaceOne", "",
     "rallentamento,  3000,  60,  1500,  1,  0,  0\r\nabbattimento,  3450,  180\r\n",
     "abbattimento,  3450,  180"},
    {"StationTooCloseToTheOneBefore", "",
     "stazione,  3000, 2, 400, 0,0,0, 1,1,0, 4,1,1, 0, 8,30,0, PIEVE\r\n"
     "stazione,  3500, 2, 400, 0,0,0, 1,1,0, 4,1,1, 0, 8,30,0, BORGO\r\n"
     "segnale,  6000,   1, 4, 0,  0, 0,    1,  1,0,0, 0\r\n",
     "stopped at this station: it starts less than 350 m after"},
    {"StationCutShortByAValueThatDoesNotFit", "",
     "velocita,  0,  100\r\nstazione,  3000, 2, 400, 0,0,0, 1,1,300, 4,1,1, 0, 8,30,0, PIEVE\r\n",
     "STOP"},
    {"StationBeyondTheRouteEndsTheReading", "",
     "velocita,  0,  100\r\nstazione,  16500, 2, 400, 0,0,0, 1,1,0, 4,1,1, 0, 8,30,0, PIEVE\r\n",
     "its position lies beyond the route"},
    {"SignalTooNearTheStart", "", "velocita,  0,  100\r\nsegnale,  200,   1, 4, 0,  0, 0,    1,  1,0,0, 0\r\n",
     "stopped at this signal"},
    {"LineStopsInItsData",
     "pendenza,  0,  5\r\nindicatori_vmax,  3100,  80,  90,  100,  2,  ,  ,  ,  1\r\n"
     "indicatori_vmax,  3100,  80,  90,  100,  2,  ,  ,  ,  1\r\n",
     "velocita,  0,  100\r\n", "pendenza,  STOP"},
    {"GradientsOutOfOrderPushTheCursor",
     "pendenza,  0,  5\r\npendenza,  16800,  7\r\npendenza,  50,  9\r\npendenza,  50,  11\r\n"
     "pendenza,  50,  13\r\npendenza,  50,  15\r\n",
     "",
     "only moves the compiler's cursor"},
};

class Overwrites : public ::testing::TestWithParam<Case> {};

TEST_P(Overwrites, ComeBackByteForByteAndSayWhy) {
  const Case& c = GetParam();
  const DecompiledSources d = decompile_sources(line_with(c.line_data), train_with(c.train_data));
  EXPECT_TRUE(d.mismatches.empty()) << describe(d);
  EXPECT_NE((d.line_text + d.train_text).find(c.shows), std::string::npos) << describe(d);
}

INSTANTIATE_TEST_SUITE_P(Cases, Overwrites, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& i) { return std::string(i.param.name); });

TEST(StoppedCompiles, InTheGeneralDataComeBackWithAStoppingLine) {
  const std::string line =
      "[generale]\r\nlunghezza percorso,    10000\r\n"
      "progressiva chilometrica uno,    0,    9000,    1\r\n"
      "progressiva chilometrica due,    5000,    20000,    1\r\n"
      "ripetizione segnali 9 codici,    0,    4025\r\n[curve]\r\ncurvad1,  100,  500\r\n[fine]\r\n";
  const DecompiledSources d = decompile_sources(line, train_with("velocita,  0,  100\r\n"));
  EXPECT_TRUE(d.mismatches.empty()) << describe(d);
  // The progressives were never ordered: they come back as they stand.
  EXPECT_NE(d.line_text.find("progressiva chilometrica due,    5000,    20000,    1"), std::string::npos);
  EXPECT_NE(d.line_text.find("stopped at this line: its stretch is off the 50 m grid"), std::string::npos);
  EXPECT_NE(d.train_text.find("read nothing of the train"), std::string::npos) << d.train_text;
}

TEST(StoppedCompiles, AtARouteLengthTooLongKeepTheRouteOfTheLineBefore) {
  const std::string line = "[generale]\r\nlunghezza percorso,    10000\r\nlunghezza percorso,    2000000\r\n"
                           "[curve]\r\n[fine]\r\n";
  const DecompiledSources d = decompile_sources(line, train_with(""));
  EXPECT_TRUE(d.mismatches.empty()) << describe(d);
  EXPECT_NE(d.line_text.find("lunghezza percorso,    2000000"), std::string::npos);
}


// Signs fill the timetable from row 80 down; with the most signs the format
// holds and no station they reach row 1, where the stations would begin.
// The sign cells say which rows are signs.
TEST(SignRows, EightySignsDownToRowOneComeBack) {
  std::string signs;
  for (int i = 0; i < 80; ++i)
    signs += "cartello indicatore,  " + std::to_string(100 + 200 * i) + ",  SEGNO " +
             std::to_string(i) + "\r\n";
  const DecompiledSources d =
      testing::decompile_sources(testing::line_with(signs, 20000), testing::train_with("velocita,  0,  100\r\n"));
  EXPECT_TRUE(d.mismatches.empty()) << testing::describe(d);
  EXPECT_NE(d.line_text.find("SEGNO 79"), std::string::npos) << d.line_text;
}

}  // namespace
}  // namespace scenarioc
