// The checks on what a scenario means: each kind of mistake an author makes
// is told at the row and the value to change, with its severity; clean
// scenarios, signals in any order among them, give no word at all; and no
// check changes a compiled byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "builtin/builtin_sources.h"
#include "builtin/text_file.h"
#include "compile_fixture.h"
#include "compiler/authored_rows.h"
#include "compiler/compile.h"
#include "compiler/meaning_checks.h"
#include "format/route_file.h"
#include "format/timetable_file.h"
#include "test_util.h"

namespace scenarioc {
namespace {

namespace fs = std::filesystem;
using testing::line_file;
using testing::train_file;

const std::string kLine = "Prova_linea.txt";
const std::string kTrain = "Prova_9-.txt";

std::string describe(const CompileReport& r) {
  std::string out;
  for (const Diagnostic& d : r.diagnostics) {
    const Failure& f = d.failure;
    out += "\n  " + (d.warning.empty() ? "error " + std::to_string(f.code) : d.warning) + " ";
    if (f.where)
      out += f.where->file + ":" + std::to_string(f.where->line) + ":" +
             std::to_string(f.where->column) + " ";
    out += f.message;
  }
  return out;
}

// A station row with its time and name.
std::string station(int pos, int kind, int length, int h, int m, const std::string& name) {
  return "stazione,  " + std::to_string(pos) + ",  " + std::to_string(kind) + ",  " +
         std::to_string(length) + ",  0, 0, 0,  1,1,0,  4,1,1,    0,   " + std::to_string(h) +
         "," + std::to_string(m) + ", 0, " + name + "\r\n";
}
std::string signal(int pos) {
  return "segnale,  " + std::to_string(pos) + ",   1, 4, 0,  0, 0,    1,  1,0,0, 0\r\n";
}
const std::string kSpeed60 = "velocita,       0,    60\r\n";

struct Mistake {
  const char* name;
  std::string line;
  std::string train;
  std::string warning;
  std::string file;    // kLine or kTrain
  int row;
  std::string value;   // the text at the column told, found on that row
  bool last = false;   // the last occurrence of `value` on the row, not the first
  std::string says = {};  // words the message holds
};

void PrintTo(const Mistake& m, std::ostream* os) { *os << m.name; }

// The column of `value` on row `row` of `text`.
int column_of(const std::string& text, int row, const std::string& value, bool last) {
  size_t begin = 0;
  for (int r = 1; r < row; ++r) begin = text.find('\n', begin) + 1;
  const std::string line = text.substr(begin, text.find_first_of("\r\n", begin) - begin);
  const size_t at = last ? line.rfind(value) : line.find(value);
  return at == std::string::npos ? -1 : static_cast<int>(at) + 1;
}

class MeaningMistakes : public ::testing::TestWithParam<Mistake> {};

TEST_P(MeaningMistakes, AreToldAtTheirRowAndValue) {
  const Mistake& m = GetParam();
  const CompileResult r = compile(m.line, m.train, author_options("Prova", "9"));
  const auto& all = r.report.diagnostics;
  const auto it = std::find_if(all.begin(), all.end(),
                               [&m](const Diagnostic& d) { return d.warning == m.warning; });
  ASSERT_NE(it, all.end()) << describe(r.report);
  EXPECT_EQ(it->severity, Severity::kWarning);
  const Failure& f = it->failure;
  ASSERT_TRUE(f.where.has_value());
  EXPECT_EQ(f.where->file, m.file) << describe(r.report);
  EXPECT_EQ(f.where->line, m.row) << describe(r.report);
  const std::string& text = m.file == kLine ? m.line : m.train;
  EXPECT_EQ(f.where->column, column_of(text, m.row, m.value, m.last)) << describe(r.report);
  if (!m.says.empty()) {
    EXPECT_NE(f.message.find(m.says), std::string::npos) << f.message;
  }
  // Told once, and the compiled files are those of the compile that tells nothing.
  EXPECT_EQ(std::count_if(all.begin(), all.end(),
                          [&m](const Diagnostic& d) { return d.warning == m.warning; }),
            1)
      << describe(r.report);
  const CompileResult plain = compile(m.line, m.train, {"Prova", "9", true});
  const auto codes = [](const Scenario& s) {
    std::vector<int32_t> c;
    for (const Failure& f : s.failures) c.push_back(f.code);
    return c;
  };
  EXPECT_EQ(codes(plain.scenario), codes(r.scenario));
  if (r.writable()) {
    EXPECT_EQ(encode_route(plain.scenario), encode_route(r.scenario));
    EXPECT_EQ(encode_timetable(plain.scenario), encode_timetable(r.scenario));
  }
}

const std::string kGeneral2 =
    "[generale]\r\nlunghezza percorso,    10000\r\nlunghezza percorso,    12000\r\n[curve]\r\n"
    "[fine]\r\n";

INSTANTIATE_TEST_SUITE_P(
    Kinds, MeaningMistakes,
    ::testing::Values(
        // Numbers and rows in the shapes of other languages and programs.
        Mistake{"DecimalCommaInAGradient", line_file("pendenza,   0,    0\r\npendenza,  3900,   5,5\r\n"),
                train_file(""), "decimal-fraction", kLine, 5, "5", true, "decimal comma"},
        Mistake{"BrakedMassAsAFraction", line_file(""), train_file("percentuale massa frenata,    0,95\r\n"),
                "decimal-fraction", kTrain, 2, "95", false, "written as one, 95"},
        Mistake{"DecimalPointInASpeed", line_file(""), train_file("velocita,  0,  62.5\r\n"),
                "decimal-fraction", kTrain, 2, "62.5"},
        Mistake{"ThousandsDot", line_file("pendenza,  40.000,   3\r\n", 50000), train_file(""),
                "thousands-separator", kLine, 4, "40.000", false, "write 40000"},
        Mistake{"ThousandsApostrophe", line_file(""), train_file("velocita,  1'100,  100\r\n"),
                "thousands-separator", kTrain, 2, "1'100", false, "write 1100"},
        Mistake{"ColonsInAStationTime", line_file(""),
                train_file("stazione,  3000,  2,  400,  0, 0, 0,  1,1,0,  4,1,1,    0,   9:58:00, BORGO\r\n"),
                "time-with-colons", kTrain, 2, "9:58:00", false, "'9, 58, 0'"},
        Mistake{"ColonsInASignalsTime", line_file(""),
                train_file("segnale,  5000,   2, 4, 1,  0, 0,    1,  1,0,0, 2:30\r\n"),
                "time-with-colons", kTrain, 2, "2:30", false, "tempo is in seconds; write 150"},
        Mistake{"ColonsInTheClock", line_file(""), train_file("orologio,    6:51\r\n"),
                "time-with-colons", kTrain, 2, "6:51"},
        Mistake{"PercentSign", line_file(""), train_file("percentuale massa frenata,    95 %\r\n"),
                "percent-sign", kTrain, 2, "95 %", false, "write 95"},
        Mistake{"SemicolonsFromASpreadsheet", line_file(""), train_file("velocita;0;60\r\n"),
                "semicolons", kTrain, 2, ";", false, "'velocita,0,60'"},
        Mistake{"SemicolonInsideARow", line_file(""), train_file("velocita,  0;  60\r\n"),
                "semicolons", kTrain, 2, ";"},
        Mistake{"KilometresForMetres", line_file(""),
                train_file("rallentamento,  4.5,  30,  500,  0,  1,  0\r\n"), "kilometres", kTrain, 2,
                "4.5", false, "write 4500"},
        Mistake{"KilometresWithTheirUnit", line_file(""), train_file("velocita,  2km,  60\r\n"),
                "kilometres", kTrain, 2, "2km", false, "write 2000"},
        // The route length against the items, and the files' names.
        Mistake{"RouteLengthInKilometres",
                line_file("pendenza,   0,    0\r\npendenza,  5000,   3\r\n", 8),
                train_file(signal(6000) + signal(7500)), "route-length", kLine, 2, "8", true,
                "route length 8 m, but 3 rows place their items past it, the farthest at 7500 m; "
                "did you mean 8000?"},
        Mistake{"RouteLengthZero", line_file("pendenza,  9000,    2\r\n", 0),
                train_file(""), "route-length", kLine, 2, "0", true, "is the length right?"},
        // Settings and stretches.
        Mistake{"SecondRouteLength", kGeneral2, train_file(""), "repeated-setting", kLine, 3,
                "lunghezza"},
        Mistake{"SecondClock", line_file(""),
                train_file("orologio,  7  10  0\r\norologio,  7  20  0\r\n"), "repeated-setting",
                kTrain, 3, "orologio"},
        Mistake{"MountainEndingBeforeItStarts", line_file("montagna,   4000,  3500,  11\r\n"),
                train_file(""), "reversed-stretch", kLine, 4, "3500"},
        Mistake{"RepetitionWrittenEndFirst",
                "[generale]\r\nlunghezza percorso,    10000\r\n"
                "ripetizione segnali 9 codici,    10000,    0\r\n[curve]\r\n[fine]\r\n",
                train_file(""), "reversed-stretch", kLine, 3, "0", true},
        Mistake{"RepetitionTenTimesPastTheLine",
                "[generale]\r\nlunghezza percorso,    10000\r\n"
                "ripetizione segnali 9 codici,    0,    100000\r\n[curve]\r\n[fine]\r\n",
                train_file(""), "stretch-outside", kLine, 3, "100000"},
        Mistake{"MountainOfNoLength", line_file("montagna,   4000,  4000,  11\r\n"), train_file(""),
                "zero-length", kLine, 4, "4000", true},
        // Curves.
        Mistake{"CurveOfNoLength", line_file("curvad2,  4000,  0\r\n"), train_file(""),
                "zero-length", kLine, 4, "0", true},
        Mistake{"CurveSideAsAWord", line_file("curva destra 4,  4000,  1500\r\n"), train_file(""),
                "curve-side", kLine, 4, "curva", false, "bends left"},
        Mistake{"CurveWithoutASide", line_file("curva 4,  4000,  1500\r\n"), train_file(""),
                "curve-side", kLine, 4, "curva", false, "bends right"},
        Mistake{"CurveRadiusInTheKey", line_file("curvas300,  4000,  1500\r\n"), train_file(""),
                "curve-class", kLine, 4, "curvas300", false, "class 3"},
        // The speed profile.
        Mistake{"SpeedListStartingLate", line_file(""), train_file("velocita,  1100,  100\r\n"),
                "first-row-late", kTrain, 2, "1100"},
        Mistake{"AdhesionListStartingLate", line_file(""),
                train_file(kSpeed60 + "aderenza,  400,  80\r\n"), "first-row-late", kTrain, 3, "400"},
        Mistake{"ZeroLimitBeforeTheLastStation", line_file(""),
                train_file(kSpeed60 + "velocita,  2000,  0\r\nvelocita,  3000,  60\r\n" +
                           station(8000, 6, 400, 0, 0, "BORGO")),
                "zero-speed", kTrain, 3, "0", true},
        Mistake{"BoardOfZero", line_file("indicatori_vmax,  1100,  80,  0,  100,  0,  ,  ,  ,  0\r\n"),
                train_file(""), "zero-speed", kLine, 4, "0,  100"},
        Mistake{"SlowDownFasterThanTheLine", line_file(""),
                train_file(kSpeed60 + "rallentamento,  5000,  80,  500,  0,  1,  0\r\n"),
                "slow-down-not-slower", kTrain, 3, "80"},
        // Slow-down geometry.
        Mistake{"SlowDownPastTheLine", line_file(""),
                train_file("rallentamento,  9800,  30,  500,  0,  1,  0\r\n"), "slow-down-outside",
                kTrain, 2, "500"},
        Mistake{"SlowDownPastTheLastStation", line_file(""),
                train_file(station(6000, 6, 400, 0, 0, "BORGO") +
                           "rallentamento,  5500,  30,  1000,  0,  1,  0\r\n"),
                "slow-down-outside", kTrain, 3, "1000"},
        Mistake{"SlowDownShorterThanACell", line_file(""),
                train_file("rallentamento,  5000,  30,  10,  0,  1,  0\r\n"), "slow-down-short",
                kTrain, 2, "10"},
        Mistake{"SlowDownOfNegativeLength", line_file(""),
                train_file("rallentamento,  5000,  30,  -500,  0,  1,  0\r\n"), "reversed-stretch",
                kTrain, 2, "-500"},
        Mistake{"SlowDownWithoutItsBoard", line_file(""),
                train_file("rallentamento,  1000,  30,  500,  0,  1,  0\r\n"),
                "slow-down-unwarned", kTrain, 2, "1000"},
        // Stations and the timetable.
        Mistake{"StationOf6000Metres", line_file(""), train_file(station(5000, 2, 6000, 0, 0, "BORGO")),
                "station-area", kTrain, 2, "6000"},
        Mistake{"StationPastedTwice", line_file(""),
                train_file(station(3000, 2, 400, 7, 10, "BORGO") + station(3000, 2, 400, 7, 10, "BORGO")),
                "duplicate-station", kTrain, 3, "BORGO"},
        Mistake{"TimeGoingBackwards", line_file(""),
                train_file(station(3000, 2, 400, 7, 28, "BORGO") + station(6000, 2, 400, 7, 15, "COLLE")),
                "time-backwards", kTrain, 3, "7,15"},
        Mistake{"MidnightWithoutTwentyFour", line_file(""),
                train_file(station(3000, 2, 400, 23, 50, "BORGO") + station(6000, 2, 400, 0, 10, "COLLE")),
                "time-backwards", kTrain, 3, "0,10", false, "24:10"},
        Mistake{"HoursAndMinutesSwapped", line_file(""),
                train_file(station(3000, 2, 400, 14, 5, "BORGO") + station(6000, 2, 400, 35, 14, "COLLE")),
                "implausible-time", kTrain, 3, "35,14", false, "swapped? 14:35"},
        Mistake{"ASlipInTheHours", line_file(""),
                train_file(kSpeed60 + station(0, 8, 500, 7, 10, "BORGO") +
                           station(9000, 6, 400, 17, 19, "COLLE")),
                "implausible-time", kTrain, 4, "17,19", false,
                "COLLE at 17:19 comes 10 h 9 min after BORGO at 7:10, which the line's speed "
                "limits allow in 9 min"},
        Mistake{"ClockAfterTheFirstDeparture", line_file(""),
                train_file("orologio,    7   30   0\r\n" + station(0, 8, 500, 7, 15, "BORGO")),
                "clock-after-departure", kTrain, 2, "7"},
        Mistake{"TimetableFasterThanTheLine", line_file(""),
                train_file(kSpeed60 + station(0, 8, 500, 7, 15, "BORGO") +
                           station(6000, 2, 400, 7, 20, "COLLE")),
                "timetable-too-tight", kTrain, 4, "7,20", false,
                "COLLE at 7:20 needs at least 6 min from BORGO at 7:15 at the line's speed limits"},
        // The order of signals where it changes the route.
        Mistake{"SignalsWhoseRepeatCellsOverlap", line_file(""),
                train_file(signal(5000) + signal(4800)), "out-of-order", kTrain, 3, "4800", false,
                "in cells"},
        // A stretch read after one that ends past its start becomes type 3.
        Mistake{"MountainStretchesReversed",
                line_file("montagna,   8000,  9000,  2\r\nmontagna,   2000,  3000,  2\r\n"),
                train_file(""), "out-of-order", kLine, 5, "2000", false, "cells 40, 41"}));

// Two stations, three speed limits and a slow-down, worked out by hand: the
// fastest run from 0 to 10000 m takes 8 minutes (see running_time_test.cc).
TEST(TimetableTooTight, GivesBothFiguresOfTheHandWorkedCase) {
  const std::string train = train_file(
      "velocita,       0,    60\r\nvelocita,    2000,   120\r\nvelocita,    6000,    90\r\n" +
      station(0, 8, 500, 7, 10, "COLLINA ALTA") + station(10000, 2, 400, 7, 17, "PRATO VERDE") +
      "rallentamento,  7000,  30,  1000,  0,  1,  0\r\n");
  const CompileResult r = compile(line_file("", 20000), train, author_options("Prova", "9"));
  const auto& all = r.report.diagnostics;
  const auto it = std::find_if(all.begin(), all.end(), [](const Diagnostic& d) {
    return d.warning == "timetable-too-tight";
  });
  ASSERT_NE(it, all.end()) << describe(r.report);
  EXPECT_EQ(it->failure.message,
            "PRATO VERDE at 7:17 needs at least 8 min from COLLINA ALTA at 7:10 at the line's "
            "speed limits; the timetable gives 7 min");
  // Eight minutes are enough.
  std::string enough = train;
  enough.replace(enough.find("7,17"), 4, "7,18");
  const CompileResult ok = compile(line_file("", 20000), enough, author_options("Prova", "9"));
  EXPECT_TRUE(ok.report.diagnostics.empty()) << describe(ok.report);
}

TEST(OtherLine, ATrainFileNamedForAnotherLineIsTold) {
  TextSources sources({"dir/Collina_linea.txt", line_file("")},
                      {"dir/Borgo_123-.txt", train_file("")});
  const CompileResult r = compile(sources, author_options("Collina", "123"));
  ASSERT_EQ(r.report.diagnostics.size(), 1u) << describe(r.report);
  const Diagnostic& d = r.report.diagnostics[0];
  EXPECT_EQ(d.warning, "other-line");
  ASSERT_TRUE(d.failure.where.has_value());
  EXPECT_EQ(d.failure.where->file, "dir/Borgo_123-.txt");
  EXPECT_EQ(d.failure.where->line, 0);
  TextSources same({"dir/Collina_linea.txt", line_file("")},
                   {"other\\COLLINA_123-.txt", train_file("")});
  EXPECT_TRUE(compile(same, author_options("Collina", "123")).report.diagnostics.empty());
}

// ---- clean scenarios

struct Clean {
  const char* name;
  std::string line, train, line_name, train_number;
};
void PrintTo(const Clean& c, std::ostream* os) { *os << c.name; }

std::string reversed_rows(std::string text, const std::string& key) {
  std::vector<std::string> lines;
  std::vector<size_t> slots;
  std::string out;
  size_t at = 0;
  std::vector<std::string> all;
  while (at < text.size()) {
    const size_t end = text.find('\n', at);
    all.push_back(text.substr(at, end == std::string::npos ? std::string::npos : end + 1 - at));
    at = end == std::string::npos ? text.size() : end + 1;
  }
  for (size_t i = 0; i < all.size(); ++i)
    if (all[i].rfind(key, 0) == 0) {
      lines.push_back(all[i]);
      slots.push_back(i);
    }
  std::reverse(lines.begin(), lines.end());
  for (size_t i = 0; i < slots.size(); ++i) all[slots[i]] = lines[i];
  for (const std::string& l : all) out += l;
  return out;
}

// The fenced block after `<!-- example:NAME -->` in the format guide.
std::string guide_example(const std::string& name) {
  const std::string doc = testing::slurp(fs::path(SCENARIOC_SOURCE_DIR) / "docs" / "format.md");
  const size_t at = doc.find("<!-- example:" + name + " -->");
  const size_t begin = doc.find('\n', doc.find("```", at)) + 1;
  return doc.substr(begin, doc.find("\n```", begin) + 1 - begin);
}

std::vector<Clean> clean_scenarios() {
  const std::string line = text_file_bytes(line_source_table());
  const std::string train = text_file_bytes(train_source_table());
  const fs::path data = SCENARIOC_TEST_DATA;
  const std::string good_line = testing::slurp(data / "bad_sources" / "good_line.txt");
  const std::string good_train = testing::slurp(data / "bad_sources" / "good_train.txt");
  const std::string guide_line = guide_example("line"), guide_train = guide_example("train");
  return {
      {"BuiltIn", line, train, "Valdena", "704"},
      {"GoodSourcesOfTheCorpus", good_line, good_train, "Prova", "9"},
      {"TheGuidesExample", guide_line, guide_train, "Collina", "123"},
      {"TheGuidesExampleWithSignalsReversed", guide_line, reversed_rows(guide_train, "segnale"),
       "Collina", "123"},
      {"SignalsFarApartInAnyOrder", line_file(""),
       train_file(kSpeed60 + signal(8000) + signal(2000) + signal(5000)), "Prova", "9"},
      // Of type 3 either way, the stretches compile to the same cells.
      {"MountainStretchesOfTypeThreeInAnyOrder", line_file("montagna,   8000,  9000,  3\r\n"
                                                           "montagna,   2000,  3000,  3\r\n"),
       train_file(""), "Prova", "9"},
      {"ATimetableTheLineAllows", line_file(""),
       train_file("orologio,    7   9   30\r\n" + kSpeed60 + station(0, 8, 500, 7, 10, "BORGO") +
                  station(6000, 25, 300, 0, 0, "P.M. FONTE") +
                  station(9000, 6, 400, 7, 19, "COLLE")),
       "Prova", "9"},
      {"ARunPastMidnight", line_file(""),
       train_file(kSpeed60 + station(0, 8, 500, 23, 55, "BORGO") +
                  station(9000, 6, 400, 24, 5, "COLLE")),
       "Prova", "9"},
  };
}

class CleanScenarios : public ::testing::TestWithParam<Clean> {};

TEST_P(CleanScenarios, GiveNoWarningAtAll) {
  const Clean& c = GetParam();
  const CompileResult r = compile(c.line, c.train, author_options(c.line_name, c.train_number));
  EXPECT_TRUE(r.report.diagnostics.empty()) << describe(r.report);
}

INSTANTIATE_TEST_SUITE_P(All, CleanScenarios, ::testing::ValuesIn(clean_scenarios()));

// ---- the reader of what the author wrote survives any bytes

TEST(AuthoredRows, AnyBytesAreReadAndCheckedWithoutFailing) {
  std::mt19937 random(21);
  const std::string alphabet = "0123456789,;:.%-' \t\r\nkmpendzavelocitsgrfb[]";
  for (int round = 0; round < 300; ++round) {
    std::string line = "[generale]\r\nlunghezza percorso, 1", train = "[generale]\r\n";
    for (int i = 0; i < 200; ++i) {
      line += alphabet[random() % alphabet.size()];
      train += static_cast<char>(random() % 256);
      if (i % 40 == 0) train += "stazione, ";
    }
    // Values at the ends of what the compiler reads, and far past them.
    train += "\r\nstazione, 2147483647, 2, -2147483648, 0,0,0,0,0,0,0,0,0,0, 2147483647, "
             "2147483647, 2147483647, X\r\norologio, 99999999999999999999 -9223372036854775808"
             "\r\nrallentamento, 2147483647, 1, 2147483647, 0, 0, 0\r\n";
    MeaningInput in;
    in.line = read_authored(line, "l", SourceRole::kLine);
    in.train = read_authored(train, "t", SourceRole::kTrain);
    DiagnosticSink sink(DiagnosticOptions{WarningSet::all(), false});
    check_meaning(in, sink);
  }
}

}  // namespace
}  // namespace scenarioc
