// What an author is told: each mistake at the row that holds it, with its
// severity and, where another row is involved, a note at that row; every
// independent mistake of a file in one run; and nothing for a clean file,
// whatever its line ends, blanks, letter case or code page.
#include <gtest/gtest.h>

#include <algorithm>

#include "builtin/builtin_sources.h"
#include "builtin/text_file.h"
#include "compile_fixture.h"
#include "compiler/compile.h"
#include "compiler/source_check.h"
#include "format/line_plan_file.h"
#include "format/route_file.h"
#include "format/timetable_file.h"

namespace scenarioc {
namespace {

using testing::line_file;
using testing::train_file;

// The codes a compile recorded, in order.
std::vector<int32_t> codes_of(const Scenario& s) {
  std::vector<int32_t> codes;
  for (const Failure& f : s.failures) codes.push_back(f.code);
  return codes;
}

const std::string kLine = "Prova_linea.txt";
const std::string kTrain = "Prova_9-.txt";

CompileResult author_compile(const std::string& line, const std::string& train) {
  return compile(line, train, author_options("Prova", "9"));
}

CompileResult plain_compile(const std::string& line, const std::string& train) {
  return compile(line, train, {"Prova", "9", true});
}

std::string describe(const CompileReport& r) {
  std::string out;
  for (const Diagnostic& d : r.diagnostics) {
    const Failure& f = d.failure;
    out += "\n  " + std::string(d.severity == Severity::kError ? "error " : "warning ") +
           (d.warning.empty() ? std::to_string(f.code) : d.warning) + " ";
    if (f.where)
      out += f.where->file + ":" + std::to_string(f.where->line) + ":" +
             std::to_string(f.where->column) + " ";
    out += f.message;
  }
  return out;
}

std::string signal_row(int pos) {
  return "segnale,  " + std::to_string(pos) + ",   1, 4, 0,  0, 0,    1,  1,0,0, 0\r\n";
}

const std::string kBoard = "indicatori_vmax,  1100,  80,  90,  100,  0,  ,  ,  ,  0\r\n";
const std::string kStationCut =
    "stazione,  3000,  2,  400,  0, 0, 0,  1,1,0,  4,1,1,    0,   6,52, 0, BIVIO, SUD\r\n";

struct Mistake {
  const char* name;
  std::string line;   // the line file
  std::string train;  // the train file
  Severity severity;
  std::string kind;  // a warning's name, or an error's code
  std::string file;  // kLine or kTrain
  int row;
  int column;
  size_t diagnostics;  // how many the run gives in all
  int note_row = 0;    // a note expected at this row of `note_file`
  std::string note_file = {};
};

void PrintTo(const Mistake& m, std::ostream* os) { *os << m.name; }

class AuthorMistakes : public ::testing::TestWithParam<Mistake> {};

TEST_P(AuthorMistakes, AreToldAtTheirRow) {
  const Mistake& m = GetParam();
  const CompileResult r = author_compile(m.line, m.train);
  const auto& all = r.report.diagnostics;
  const auto it = std::find_if(all.begin(), all.end(), [&m](const Diagnostic& d) {
    return d.severity == m.severity &&
           (d.severity == Severity::kWarning ? d.warning : std::to_string(d.failure.code)) ==
               m.kind;
  });
  ASSERT_NE(it, all.end()) << describe(r.report);
  const Failure& f = it->failure;
  ASSERT_TRUE(f.where.has_value()) << describe(r.report);
  EXPECT_EQ(f.where->file, m.file) << describe(r.report);
  EXPECT_EQ(f.where->line, m.row) << describe(r.report);
  EXPECT_EQ(f.where->column, m.column) << describe(r.report);
  EXPECT_EQ(all.size(), m.diagnostics) << describe(r.report);
  if (m.note_row > 0) {
    const bool noted = std::any_of(f.notes.begin(), f.notes.end(), [&m](const Note& n) {
      return n.where && n.where->file == m.note_file && n.where->line == m.note_row;
    });
    EXPECT_TRUE(noted) << describe(r.report);
  }
  // Whatever is told, the compiled files are those of the plain compile.
  const CompileResult plain = plain_compile(m.line, m.train);
  EXPECT_EQ(plain.closing_failure, r.closing_failure);
  EXPECT_EQ(codes_of(plain.scenario), codes_of(r.scenario));
  if (r.writable()) {
    EXPECT_EQ(encode_route(plain.scenario), encode_route(r.scenario));
    EXPECT_EQ(encode_timetable(plain.scenario), encode_timetable(r.scenario));
  }
}

const Severity W = Severity::kWarning, E = Severity::kError;

INSTANTIATE_TEST_SUITE_P(
    Cases, AuthorMistakes,
    ::testing::Values(
        Mistake{"KeywordTypo", line_file(""), train_file("segnael,  5000,   1, 4, 0\r\n"), W,
                "unknown-key", kTrain, 2, 1, 1},
        Mistake{"HashCommentedRow", line_file("# pendenza,  500,   3\r\n"), train_file(""), W,
                "commented-row", kLine, 4, 1, 1},
        Mistake{"GradientOutOfOrder",
                line_file("pendenza,  3000,   2\r\npendenza,  1000,   1\r\n"), train_file(""), W,
                "out-of-order", kLine, 5, 12, 1, 4, kLine},
        Mistake{"SignalOffTheGrid", line_file(""), train_file(signal_row(2020)), W, "rounded",
                kTrain, 2, 11, 1},
        Mistake{"BlankInsideANumber", line_file("pendenza,  27 000,   3\r\n"), train_file(""), W,
                "split-number", kLine, 4, 12, 1},
        Mistake{"StationNameWithAComma", line_file(""), train_file(kStationCut), W, "text-cut",
                kTrain, 2, static_cast<int>(kStationCut.find(", SUD")) + 1, 1},
        Mistake{"SpeedOutOfRangeAtItsRow", line_file(""),
                train_file("velocita,  0,  100\r\nvelocita,  1000,  1300\r\n"
                           "velocita,  2000,  100\r\n"),
                E, "25", kTrain, 3, 19, 1},
        Mistake{"RowMissingItsLastValue",
                line_file("pendenza,   500\r\npendenza,  1000,   2\r\n"), train_file(""), E,
                "25", kLine, 4, 16, 1},
        Mistake{"LineFileWithoutHeader", "lunghezza percorso,  10000\r\n[curve]\r\n[fine]\r\n",
                train_file(""), E, "102", kLine, 1, 1, 1},
        Mistake{"MarkerCellTakenByARow", line_file(""),
                train_file("abbattimento,  50,  90\r\n"), E, "1250", kTrain, 2, 1, 1},
        Mistake{"CollisionNamesTheOtherRow", line_file(kBoard), train_file(signal_row(1100)),
                E, "16", kTrain, 2, 11, 1, 4, kLine},
        Mistake{"FinishingFailureNamesItsRow", line_file(""),
                train_file(signal_row(4650) + signal_row(4700) + signal_row(4750) +
                           "rallentamento,  5000,  60,  1000,  1,  0,  0\r\n"),
                E, "12", kTrain, 5, 1, 1, 4, kTrain},
        Mistake{"SignalBehindAWarningBoardNamesTheRowsInTheWay",
                line_file("indicatori_vmax,  2350,  80,  90,  100,  0,  ,  ,  ,  0\r\n"
                          "indicatori_vmax,  2400,  80,  90,  100,  0,  ,  ,  ,  0\r\n"),
                train_file(signal_row(2450) + "rallentamento,  4000,  60,  1000,  1,  0,  0\r\n"),
                E, "11", kTrain, 2, 1, 1, 5, kLine}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AuthorMistakes, FinishingFailuresGiveTheAuthorsMetres) {
  const CompileResult r = author_compile(
      line_file(""), train_file(signal_row(4650) + signal_row(4700) + signal_row(4750) +
                                "rallentamento,  5000,  60,  1000,  1,  0,  0\r\n"));
  ASSERT_EQ(r.report.diagnostics.size(), 1u) << describe(r.report);
  const Failure& f = r.report.diagnostics[0].failure;
  EXPECT_NE(f.message.find("slow-down at 5000 m (cell 101)"), std::string::npos) << f.message;
  EXPECT_EQ(f.position, 5050);  // the position recorded stays the cell's
  EXPECT_EQ(f.notes.size(), 3u);
}

TEST(AuthorMistakes, ATrainFileWithoutHeaderIsRefusedAtItsTop) {
  std::string text = "numero vetture,  6\r\n[fine]\r\n";
  const PreparedSource p =
      prepare_source(text, SourceRole::kTrain, kTrain, author_options("P", "9").diagnostics);
  EXPECT_TRUE(p.refused);
  ASSERT_EQ(p.diagnostics.size(), 1u);
  const Failure& f = p.diagnostics[0].failure;
  EXPECT_EQ(p.diagnostics[0].severity, Severity::kError);
  ASSERT_TRUE(f.where.has_value());
  EXPECT_EQ(f.where->file, kTrain);
  EXPECT_EQ(f.where->line, 1);
  EXPECT_EQ(f.where->column, 1);
  EXPECT_NE(f.message.find("[generale]"), std::string::npos);
}

// Seven independent mistakes, one a row: the first decides the compiled
// files, the six after it are found by reading on and say so.
const std::string kSevenMistakes =
    "[generale]\r\n"                                               // 1
    "lunghezza percorso,    20000\r\n"                             // 2
    "[curve]\r\n"                                                  // 3
    + kBoard +                                                     // 4
    kBoard +                                                       // 5: 21, a taken cell
    "pendenza,  ventimila,   3\r\n"                                // 6: 25, no number
    "cartello indicatore,  1100,  PONTE\r\n"                       // 7: 6, a taken cell
    "curvax7,  3000,  100\r\n"                                     // 8: 103, no class
    "montagna,  5000\r\n"                                          // 9: 25, ends early
    "pendenza,  999999,   2\r\n"                                   // 10: 15, past the route
    + kBoard +                                                     // 11: 21, a taken cell
    "[fine]\r\n";

TEST(ReadingOn, SevenMistakesOnSevenRowsGiveSevenErrors) {
  const CompileResult r = author_compile(kSevenMistakes, train_file(""));
  std::vector<int> rows;
  for (const Diagnostic& d : r.report.diagnostics) {
    ASSERT_EQ(d.severity, Severity::kError) << describe(r.report);
    ASSERT_TRUE(d.failure.where.has_value());
    EXPECT_EQ(d.failure.where->file, kLine);
    rows.push_back(d.failure.where->line);
  }
  EXPECT_EQ(rows, (std::vector<int>{5, 6, 7, 8, 9, 10, 11})) << describe(r.report);
  EXPECT_EQ(r.report.errors, 7);
  ASSERT_EQ(r.report.diagnostics.size(), 7u);
  EXPECT_EQ(r.report.diagnostics[0].origin, Diagnostic::Origin::kRecorded);
  EXPECT_EQ(r.report.diagnostics[0].failure.code, 21);
  for (size_t i = 1; i < 7; ++i) {
    const Diagnostic& d = r.report.diagnostics[i];
    EXPECT_EQ(d.origin, Diagnostic::Origin::kReadOn);
    ASSERT_FALSE(d.failure.notes.empty());
    const Note& first = d.failure.notes.back();
    EXPECT_NE(first.message.find("decided the compiled files"), std::string::npos);
    ASSERT_TRUE(first.where.has_value());
    EXPECT_EQ(first.where->line, 5);
  }
  // Only the first is recorded, and the tables are those of the plain compile.
  ASSERT_EQ(r.scenario.failures.size(), 1u);
  const CompileResult plain = plain_compile(kSevenMistakes, train_file(""));
  EXPECT_EQ(encode_route(plain.scenario), encode_route(r.scenario));
  EXPECT_EQ(encode_timetable(plain.scenario), encode_timetable(r.scenario));
  EXPECT_EQ(codes_of(plain.scenario), codes_of(r.scenario));
}

TEST(ReadingOn, FatalErrorsReportExactlyWhatTheCompileRecorded) {
  CompileOptions o = author_options("Prova", "9");
  o.diagnostics.read_on = false;
  const CompileResult r = compile(kSevenMistakes, train_file(""), o);
  ASSERT_EQ(r.report.diagnostics.size(), 1u) << describe(r.report);
  EXPECT_EQ(r.report.diagnostics[0].failure.code, 21);
  EXPECT_EQ(r.report.diagnostics[0].failure.where->line, 5);
}

TEST(ReadingOn, ATrainFileTheCompileNeverReachedIsReadToo) {
  const CompileResult r =
      author_compile(line_file(kBoard + kBoard), train_file(signal_row(1100) + signal_row(1100)));
  // The line file's board collision stops the compile before the train
  // file; reading on finds the signal on the board and the two signals.
  ASSERT_EQ(r.report.diagnostics.size(), 3u) << describe(r.report);
  EXPECT_EQ(r.report.diagnostics[1].failure.where->file, kTrain);
  EXPECT_EQ(r.report.diagnostics[1].failure.code, 16);
  EXPECT_EQ(r.report.diagnostics[1].failure.where->line, 2);
  EXPECT_EQ(r.report.diagnostics[2].failure.where->line, 3);
  EXPECT_EQ(r.scenario.failures.size(), 1u);
}

TEST(ReadingOn, AFullTableIsToldOnce) {
  std::string rows;
  for (int i = 0; i < 85; ++i)
    rows += "stazione,  " + std::to_string(2000 + 1000 * i) +
            ",  25,  100,  0, 0, 0,  1,1,0,  4,1,1,    0,   6,52, 0, S\r\n";
  const CompileResult r = author_compile(line_file("", 100000), train_file(rows));
  ASSERT_EQ(r.report.errors, 1) << describe(r.report);
  EXPECT_EQ(r.report.diagnostics[0].failure.code, 10);
}

// A clean scenario stays clean, and compiles to the same bytes, however
// its text is laid out.
struct Variant {
  const char* name;
  std::string (*change)(std::string);
};

void PrintTo(const Variant& v, std::ostream* os) { *os << v.name; }

std::string replace_all(std::string s, const std::string& from, const std::string& to) {
  for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
    s.replace(at, from.size(), to);
  return s;
}

class CleanVariants : public ::testing::TestWithParam<Variant> {};

TEST_P(CleanVariants, GiveNoWarningAndTheSameBytes) {
  const std::string line = text_file_bytes(line_source_table());
  const std::string train = text_file_bytes(train_source_table());
  const CompileResult base = compile(line, train, author_options("Valdena", "704"));
  const CompileResult r = compile(GetParam().change(line), GetParam().change(train),
                                  author_options("Valdena", "704"));
  EXPECT_TRUE(r.report.diagnostics.empty()) << describe(r.report);
  EXPECT_EQ(r.scenario.failures.size(), 0u);
  EXPECT_EQ(encode_route(base.scenario), encode_route(r.scenario));
  EXPECT_EQ(encode_timetable(base.scenario), encode_timetable(r.scenario));
  EXPECT_EQ(line_plan_bytes(base.scenario.track_plan), line_plan_bytes(r.scenario.track_plan));
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, CleanVariants,
    ::testing::Values(
        Variant{"CrLf", [](std::string s) { return s; }},
        Variant{"Lf", [](std::string s) { return replace_all(s, "\r\n", "\n"); }},
        Variant{"CrOnly", [](std::string s) { return replace_all(s, "\r\n", "\r"); }},
        Variant{"ByteOrderMark", [](std::string s) { return "\xEF\xBB\xBF" + s; }},
        Variant{"Tabs", [](std::string s) { return replace_all(s, ",  ", ",\t"); }},
        Variant{"TrailingSpaces", [](std::string s) { return replace_all(s, "\r\n", "   \r\n"); }},
        Variant{"UpperCaseKeys",
                [](std::string s) {
                  for (const char* key : {"pendenza", "curva", "montagna", "indicatori_vmax",
                                          "segnale", "stazione", "velocita", "aderenza",
                                          "orologio", "sabbia", "numero vetture",
                                          "lunghezza percorso", "percentuale massa frenata"}) {
                    std::string upper = key;
                    for (char& c : upper) c = static_cast<char>(std::toupper(c));
                    s = replace_all(s, key, upper);
                  }
                  return s;
                }},
        Variant{"NoFinalLineEnd", [](std::string s) { return s.substr(0, s.size() - 2); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CleanVariants, AccentedNamesInUtf8OrWindows1252GiveNoWarningAndTheSameBytes) {
  std::string line = text_file_bytes(line_source_table());
  const std::string train = text_file_bytes(train_source_table());
  const size_t at = train.find("VALDENA CENTRALE");
  ASSERT_NE(at, std::string::npos);
  std::string utf8 = train, cp1252 = train;
  utf8.replace(at, 16, "CITT\xC3\x80 ALTA");
  cp1252.replace(at, 16, "CITT\xC0 ALTA");
  const DiagnosticOptions o = author_options("Valdena", "704").diagnostics;
  for (std::string* text : {&utf8, &cp1252}) {
    const PreparedSource p = prepare_source(*text, SourceRole::kTrain, "Valdena_704-.txt", o);
    EXPECT_FALSE(p.refused);
    EXPECT_TRUE(p.diagnostics.empty());
  }
  EXPECT_EQ(utf8, cp1252);
  const CompileResult r = compile(line, utf8, author_options("Valdena", "704"));
  EXPECT_TRUE(r.report.diagnostics.empty()) << describe(r.report);
}

TEST(CleanVariants, OneStrayByteInAUtf8FileIsTold) {
  std::string text = "[generale]\r\nstazione, 0, CITT\xC3\x80\r\nstazione, 0, CITT\xC0\r\n";
  const PreparedSource p = prepare_source(text, SourceRole::kTrain, kTrain,
                                          author_options("P", "9").diagnostics);
  ASSERT_EQ(p.diagnostics.size(), 1u);
  EXPECT_EQ(p.diagnostics[0].warning, "mixed-encoding");
  EXPECT_EQ(p.diagnostics[0].failure.where->line, 3);
  EXPECT_EQ(p.diagnostics[0].failure.where->column, 18);
}

TEST(CleanVariants, TheBuiltInScenarioGivesNoWarningWithOrWithoutItsPlan) {
  const std::string line = text_file_bytes(line_source_table());
  const std::string train = text_file_bytes(train_source_table());
  for (const bool plan : {true, false}) {
    const CompileResult r = compile(line, train, author_options("Valdena", "704", plan));
    EXPECT_TRUE(r.report.diagnostics.empty()) << plan << describe(r.report);
    EXPECT_EQ(r.report.stations, 21);
    EXPECT_EQ(r.report.signals, 95);
  }
}

}  // namespace
}  // namespace scenarioc
