// compile(decompile(files)) == files, byte for byte: on the built-in
// scenario, the largest scenario of the benchmarks and a corpus of random
// scenarios, clean ones and ones whose compile recorded failures or
// stopped early.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "builtin/builtin_sources.h"
#include "builtin/text_file.h"
#include "compiler/compile.h"
#include "compiler/text_encoding.h"
#include "decompiler/decompile.h"
#include "decompiler/scenario_generator.h"
#include "format/line_plan_file.h"
#include "format/route_file.h"
#include "format/timetable_file.h"
#include "largest_scenario.h"

namespace scenarioc {
namespace {

// The three files of a compile, as the decompiler reads them back.
CompiledScenario files_of(const Scenario& s, bool with_plan = true) {
  CompiledScenario f;
  f.route = decode_route(encode_route(s));
  f.timetable = decode_timetable(encode_timetable(s));
  if (with_plan) {
    std::string plan;
    encode_line_plan(s.track_plan, [&plan](std::string_view piece) { plan.append(piece); });
    f.plan = decode_line_plan(plan);
  }
  return f;
}

std::string describe(const DecompiledSources& d) {
  std::ostringstream out;
  for (const Mismatch& m : d.mismatches) out << m.file << " byte " << m.offset << ": " << m.where << "\n";
  for (const std::string& n : d.notes) out << "note: " << n << "\n";
  return out.str();
}

// The texts as the compile command takes them.
CompileResult compile_sources(std::string line, std::string train, const std::string& L,
                              const std::string& T) {
  EXPECT_FALSE(to_windows_1252(line, "line"));
  EXPECT_FALSE(to_windows_1252(train, "train"));
  return compile(std::move(line), std::move(train), {L, T, true});
}

TEST(RoundTrip, BuiltInScenarioComesBackAndCompilesWithoutAFailure) {
  const CompileResult original = compile(text_file_bytes(line_source_table()),
                                         text_file_bytes(train_source_table()), {"Valdena", "704", true});
  ASSERT_TRUE(original.writable());
  const DecompiledSources d = decompile(files_of(original.scenario), "Valdena", "704");
  EXPECT_TRUE(d.mismatches.empty()) << describe(d);
  EXPECT_TRUE(d.notes.empty()) << describe(d);
  const CompileResult again = compile_sources(d.line_text, d.train_text, "Valdena", "704");
  EXPECT_TRUE(again.scenario.failures.empty());
}

TEST(RoundTrip, LargestScenarioComesBack) {
  const CompileResult original = compile(bench::largest_line_source(), bench::largest_train_source(),
                                         {bench::kLargestLine, bench::kLargestTrain, true});
  ASSERT_TRUE(original.writable());
  const DecompiledSources d =
      decompile(files_of(original.scenario), bench::kLargestLine, bench::kLargestTrain);
  EXPECT_TRUE(d.mismatches.empty()) << describe(d);
}

// The most signs the timetable holds: 80, in rows 80 down to 1, which leaves
// no row for a station. With stations too, the compile records error 10 for
// them; the files it wrote come back all the same.
TEST(RoundTrip, EightySignsComeBackWithAndWithoutStations) {
  std::string line = "[generale]\r\nlunghezza percorso,    40000\r\n[indicazioni]\r\n";
  for (int i = 0; i < 80; ++i)
    line += "cartello indicatore,  " + std::to_string(1000 + 300 * i) + ",  CARTELLO " +
            std::to_string(i + 1) + "\r\n";
  line += "[fine]\r\n";
  const std::string no_station = "[generale]\r\nvelocita,       0,    60\r\n[fine]\r\n";
  const std::string stations =
      "[generale]\r\nvelocita,       0,    60\r\n"
      "stazione,       0,  8,  500,  1, 0, 0,  4,1,0,  2,1,1,    1,   7,15, 0, COLLINA\r\n"
      "stazione,   12000,  2,  400,  0, 0, 0,  1,1,0,  4,1,1,   60,   7,28, 0, COLLE ALTO\r\n"
      "[fine]\r\n";
  for (const std::string& train : {no_station, stations}) {
    const CompileResult original = compile(line, train, {"Segni", "1", true});
    ASSERT_TRUE(original.writable());
    const DecompiledSources d = decompile(files_of(original.scenario), "Segni", "1");
    EXPECT_TRUE(d.mismatches.empty()) << describe(d);
    const CompileResult again = compile_sources(d.line_text, d.train_text, "Segni", "1");
    EXPECT_EQ(encode_route(again.scenario), encode_route(original.scenario));
    EXPECT_EQ(encode_timetable(again.scenario), encode_timetable(original.scenario));
  }
}

TEST(RoundTrip, WithoutThePlanFileTheSourcesHaveNoCurvesAndSaySo) {
  const CompileResult original = compile(text_file_bytes(line_source_table()),
                                         text_file_bytes(train_source_table()), {"Valdena", "704", true});
  const DecompiledSources d = decompile(files_of(original.scenario, false), "Valdena", "704");
  EXPECT_TRUE(d.mismatches.empty()) << describe(d);
  EXPECT_EQ(d.line_text.find("curva"), std::string::npos);
  ASSERT_EQ(d.notes.size(), 1u);
  EXPECT_NE(d.notes[0].find("no line plan file"), std::string::npos) << d.notes[0];
}

TEST(RoundTrip, FilesOfOtherNamesSaySoAndWhereTheyDiffer) {
  const CompileResult original = compile(text_file_bytes(line_source_table()),
                                         text_file_bytes(train_source_table()), {"Valdena", "704", true});
  const DecompiledSources d = decompile(files_of(original.scenario), "Valdena", "705");
  ASSERT_FALSE(d.notes.empty());
  EXPECT_NE(d.notes[0].find("compiled as line 'Valdena', train '704'"), std::string::npos) << d.notes[0];
  ASSERT_EQ(d.mismatches.size(), 2u) << describe(d);
  EXPECT_NE(d.mismatches[0].where.find("cell 1, code2"), std::string::npos) << describe(d);
  EXPECT_NE(d.mismatches[1].where.find("row 85"), std::string::npos) << describe(d);
}

// Files no compile writes are refused as a whole, with what is wrong.
struct Damage {
  const char* name;
  void (*apply)(CompiledScenario&);
  const char* says;
};

const Damage kDamages[] = {
    {"NoMarkerInCellOne", [](CompiledScenario& f) { f.route[1].code1 = 0; }, "markers"},
    {"AnUnknownKind", [](CompiledScenario& f) { f.route[100].kind = 9; }, "unknown kind 9"},
    {"ValuesInAnEmptyCell", [](CompiledScenario& f) { f.route[100].code3 = 7; }, "route cell 100"},
    {"TextInRowZero", [](CompiledScenario& f) { f.timetable[0].text = "X"; }, "row 0"},
    {"AValueInAFieldOfTheGeneralRowsNoLineWrites",
     [](CompiledScenario& f) { f.timetable[kTrainDataRow].byte_e = 10; }, "timetable row 84"},
    {"AStopOfNoStation", [](CompiledScenario& f) {
       f.route[100].kind = kStationStop;
       f.route[100].code1 = 50;
     }, "stop of timetable row 50"},
    {"ARouteLengthOfAnotherRoute", [](CompiledScenario& f) { f.timetable[kTrainDataRow].stop_pos = 100000; },
     "route length"},
    {"APointOnNoCurve", [](CompiledScenario& f) {
       std::vector<PlanValue> x = f.plan->values(false), y = f.plan->values(true);
       x[5000].value += 1e-9;
       f.plan = DecodedPlan::from_values(x, y);
     }, "metre 5000"},
    {"APlanOfAnotherLength", [](CompiledScenario& f) {
       std::vector<PlanValue> x = f.plan->values(false), y = f.plan->values(true);
       x.resize(x.size() - 60);
       y.resize(y.size() - 60);
       f.plan = DecodedPlan::from_values(x, y);
     }, "do not fit"},
};

class Damaged : public ::testing::TestWithParam<Damage> {};

TEST_P(Damaged, FilesAreRefused) {
  const CompileResult original = compile(text_file_bytes(line_source_table()),
                                         text_file_bytes(train_source_table()), {"Valdena", "704", true});
  CompiledScenario files = files_of(original.scenario);
  GetParam().apply(files);
  try {
    decompile(files, "Valdena", "704");
    ADD_FAILURE() << "not refused";
  } catch (const NotCompiledFiles& e) {
    EXPECT_NE(std::string(e.what()).find(GetParam().says), std::string::npos) << e.what();
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, Damaged, ::testing::ValuesIn(kDamages),
                         [](const ::testing::TestParamInfo<Damage>& i) { return std::string(i.param.name); });

// The points of the built-in plan's last 40 metres, bent as by a curve of
// class 6 starting there: a curve no line may start, so near the end of the
// route. The sources still come back; the proof says where they differ.
TEST(RoundTrip, APlanNoSourceGivesIsReportedWhereItDiffers) {
  const CompileResult original = compile(text_file_bytes(line_source_table()),
                                         text_file_bytes(train_source_table()), {"Valdena", "704", true});
  CompiledScenario files = files_of(original.scenario);
  std::vector<PlanValue> x = files.plan->values(false), y = files.plan->values(true);
  const size_t last = x.size() - 3;  // the last computed metre
  for (size_t m = last - 40; m <= last; ++m) {
    const double dx = x[m - 1].value - x[m - 2].value, dy = y[m - 1].value - y[m - 2].value;
    x[m].value = x[m - 1].value + (dx + 0.003 * dy);
    y[m].value = y[m - 1].value + (dy - 0.003 * dx);
  }
  files.plan = DecodedPlan::from_values(x, y);
  const DecompiledSources d = decompile(files, "Valdena", "704");
  ASSERT_FALSE(d.mismatches.empty());
  const Mismatch& plan = d.mismatches.back();
  EXPECT_EQ(plan.file, "Valdena_linea.dat");
  EXPECT_EQ(plan.offset, 8 + 10 * (last - 40 - 2)) << plan.where;
  EXPECT_NE(plan.where.find("X of metre " + std::to_string(last - 40)), std::string::npos) << plan.where;
}

// How many seeds the corpus takes; SCENARIOC_CORPUS_SEEDS sets another
// number for a longer run by hand.
int corpus_seeds() {
  if (const char* n = std::getenv("SCENARIOC_CORPUS_SEEDS")) return std::atoi(n);
  return 300;
}

TEST(RoundTrip, GeneratedCorpusComesBack) {
  int written = 0, with_failures = 0, same = 0;
  std::ostringstream failed;
  for (int seed = 1; seed <= corpus_seeds(); ++seed) {
    const testing::GeneratedScenario g = testing::generate_scenario(static_cast<uint64_t>(seed));
    const std::string L = "Linea" + std::to_string(seed), T = std::to_string(100 + seed);
    const CompileResult original = compile(g.line_text, g.train_text, {L, T, true});
    if (!original.writable()) continue;
    ++written;
    if (!original.scenario.failures.empty()) ++with_failures;
    try {
      const DecompiledSources d = decompile(files_of(original.scenario), L, T);
      if (d.mismatches.empty()) ++same;
      else failed << "seed " << seed << ": " << describe(d);
    } catch (const NotCompiledFiles& e) {
      failed << "seed " << seed << ": refused: " << e.what() << "\n";
    }
  }
  std::printf("corpus: %d scenarios written, %d of them with recorded failures; %d come back byte "
              "for byte\n", written, with_failures, same);
  EXPECT_GE(written, 200);
  EXPECT_EQ(same, written) << failed.str();
}

}  // namespace
}  // namespace scenarioc
