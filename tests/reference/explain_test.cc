// `scenarioc explain`: an entry for every code the compiler can record, and
// every example's wrong rows really give its code while the mended rows
// compile cleanly.
#include "reference/explain.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "cli/commands.h"
#include "compiler/compile.h"
#include "compiler/source_check.h"
#include "compiler/warnings.h"
#include "model/error_codes.h"
#include "test_util.h"

namespace scenarioc {
namespace {

namespace fs = std::filesystem;
using testing::slurp;

// The codes the compiler can record: the table every error is raised by.
std::set<std::string> codes_in_table() {
  std::set<std::string> codes;
  for (const ErrorInfo& e : error_table()) codes.insert(std::to_string(number(e.code)));
  return codes;
}

// The codes of the bad-source corpus, from the first line of each file.
std::set<std::string> codes_in_corpus() {
  std::set<std::string> codes;
  for (const auto& e : fs::directory_iterator(fs::path(SCENARIOC_TEST_DATA) / "bad_sources")) {
    std::istringstream first(slurp(e.path()).substr(0, 40));
    std::string word, code;
    if (first >> word >> code && word == "expect:" && code != "no") codes.insert(code);
  }
  return codes;
}

TEST(Explain, EveryRecordedCodeHasAnEntryAndEveryEntryACode) {
  const std::set<std::string> from_table = codes_in_table();
  std::set<std::string> recorded = codes_in_corpus();
  // The corpus holds no code the table lacks.
  for (const std::string& code : recorded) EXPECT_TRUE(from_table.count(code)) << code;
  recorded.insert(from_table.begin(), from_table.end());
  for (const std::string& code : recorded)
    EXPECT_NE(find_explanation(code), nullptr) << "no explanation for code " << code;

  std::set<std::string> keys;
  for (const Explanation& e : explanations()) {
    EXPECT_TRUE(keys.insert(std::string(e.key)).second) << "two entries for " << e.key;
    if (std::all_of(e.key.begin(), e.key.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      EXPECT_TRUE(recorded.count(std::string(e.key)))
          << "an entry for code " << e.key << ", which nothing records";
    }
    EXPECT_FALSE(e.title.empty()) << e.key;
    EXPECT_FALSE(e.meaning.empty()) << e.key;
    EXPECT_FALSE(e.causes.empty()) << e.key;
    EXPECT_FALSE(e.examples.empty()) << e.key;
  }
}

// Each code's entry is headed by its line in the table of error codes, which
// the format guide's table of codes shows too.
TEST(Explain, EachCodesEntryIsHeadedByItsLineInTheTable) {
  for (const ErrorInfo& e : error_table()) {
    const Explanation* x = find_explanation(std::to_string(number(e.code)));
    ASSERT_NE(x, nullptr) << e.name;
    EXPECT_EQ(x->title, e.title) << e.name;
  }
}

// Every code recorded by compiling `sources`, the closing check's included.
std::multiset<int32_t> codes_of(const ExampleSources& sources) {
  const CompileResult r = compile(sources.line, sources.train, {"Prova", "9", true});
  std::multiset<int32_t> codes;
  for (const Failure& f : r.scenario.failures) codes.insert(f.code);
  if (r.closing_failure != 0) codes.insert(r.closing_failure);
  return codes;
}

std::string listed(const std::multiset<int32_t>& codes) {
  std::string out;
  for (int32_t c : codes) out += " " + std::to_string(c);
  return out.empty() ? " none" : out;
}

// Each wrong example shows its own fault alone, and its mended rows compile
// without any failure.
TEST(Explain, WrongRowsGiveTheirCodeAndMendedRowsCompileCleanly) {
  int compiled = 0;
  for (const Explanation& e : explanations()) {
    for (const ExplainExample& x : e.examples) {
      if (x.place == ExamplePlace::kCommandLine || x.place == ExamplePlace::kSketch) continue;
      if (warning_named(e.key)) continue;  // below
      const int32_t code = std::stoi(std::string(e.key));
      const std::multiset<int32_t> wrong = codes_of(example_sources(x.place, x.wrong));
      EXPECT_TRUE(!wrong.empty() && wrong.count(code) == wrong.size())
          << "explain " << e.key << ", " << x.caption << ": the wrong rows give" << listed(wrong);
      const std::multiset<int32_t> right = codes_of(example_sources(x.place, x.right));
      EXPECT_TRUE(right.empty()) << "explain " << e.key << ", " << x.caption
                                 << ": the mended rows give" << listed(right);
      ++compiled;
    }
  }
  EXPECT_GT(compiled, 0);
}

// What the authors' compile tells of two sources, as `compile` does: the
// warnings on the bytes first, then the compile's own; each as its warning's
// name or "error CODE".
std::multiset<std::string> told_of(ExampleSources sources) {
  const CompileOptions options = author_options("Prova", "9");
  std::multiset<std::string> told;
  const auto tell = [&](const Diagnostic& d) {
    told.insert(d.severity == Severity::kWarning ? d.warning
                                                 : "error " + std::to_string(d.failure.code));
  };
  for (auto [text, role] : {std::pair{&sources.line, SourceRole::kLine},
                            std::pair{&sources.train, SourceRole::kTrain}}) {
    const PreparedSource p = prepare_source(*text, role, "source", options.diagnostics);
    for (const Diagnostic& d : p.diagnostics) tell(d);
  }
  const CompileResult r = compile(sources.line, sources.train, options);
  for (const Diagnostic& d : r.report.diagnostics) tell(d);
  return told;
}

std::string listed(const std::multiset<std::string>& told) {
  std::string out;
  for (const std::string& t : told) out += " " + t;
  return out.empty() ? " none" : out;
}

// Every warning has its entry, and each example's wrong rows give that
// warning while its mended rows give nothing at all.
TEST(Explain, EveryWarningHasAnEntryWhoseExamplesGiveIt) {
  for (const WarningInfo& w : warning_table()) {
    const Explanation* e = find_explanation(w.name);
    ASSERT_NE(e, nullptr) << "no explanation for the warning " << w.name;
    for (const ExplainExample& x : e->examples) {
      if (x.place == ExamplePlace::kSketch) continue;  // below
      const std::multiset<std::string> wrong = told_of(example_sources(x.place, x.wrong));
      EXPECT_TRUE(wrong.count(std::string(w.name)))
          << "explain " << w.name << ", " << x.caption << ": the wrong rows give" << listed(wrong);
      const std::multiset<std::string> right = told_of(example_sources(x.place, x.right));
      EXPECT_TRUE(right.empty()) << "explain " << w.name << ", " << x.caption
                                 << ": the mended rows give" << listed(right);
    }
  }
}

// The one sketch among the warnings: bytes of two encodings in one file.
TEST(Explain, TheSketchOfMixedEncodingsHoldsWhenWrittenOut) {
  const Explanation* e = find_explanation("mixed-encoding");
  ASSERT_NE(e, nullptr);
  ASSERT_EQ(e->examples.size(), 1u);
  const std::string row = "stazione,    3400,  2,  400,  0, 0, 0,  1,1,0,  4,1,1,    0,   0, 0, 0, ";
  const std::string wrong = row + "CITT\xC3\x80\n" + "stazione,    5400" + row.substr(17) + "\xC8ORA";
  const std::string right = row + "CITT\xC3\x80\n" + "stazione,    5400" + row.substr(17) + "\xC3\x88ORA";
  const std::multiset<std::string> w = told_of(example_sources(ExamplePlace::kTrainData, wrong));
  EXPECT_TRUE(w.count("mixed-encoding")) << listed(w);
  const std::multiset<std::string> r = told_of(example_sources(ExamplePlace::kTrainData, right));
  EXPECT_TRUE(r.empty()) << listed(r);
}

// A sketch stands for rows too many to show: its rows, written out, give
// the code and its mended rows do not.
std::string stations(int count) {
  std::string rows;
  for (int i = 1; i <= count; ++i) {
    std::string at = std::to_string(400 * i);
    at.insert(0, 8 - at.size(), ' ');
    rows += "stazione," + at + ", 25,    0,  0, 0, 0,  0,0,0,  0,0,0,    0,   0, 0, 0, PM " +
            std::to_string(i) + "\n";
  }
  return rows;
}

std::string first_and_last(std::string_view rows) {
  const std::string all(rows);
  const size_t end_first = all.find('\n');
  const size_t begin_last = all.rfind('\n', all.size() - 2);
  return all.substr(0, end_first) + "\n" + all.substr(begin_last + 1);
}

TEST(Explain, TheSketchOfTooManyStationsHoldsWhenWrittenOut) {
  const Explanation* e = find_explanation("10");
  ASSERT_NE(e, nullptr);
  ASSERT_EQ(e->examples.size(), 1u);
  const ExplainExample& x = e->examples[0];
  ASSERT_EQ(x.place, ExamplePlace::kSketch);
  EXPECT_EQ(first_and_last(std::string(x.wrong) + "\n"), first_and_last(stations(79)));
  EXPECT_EQ(first_and_last(std::string(x.right) + "\n"), first_and_last(stations(78)));
  const std::multiset<int32_t> wrong =
      codes_of(example_sources(ExamplePlace::kTrainData, stations(79)));
  EXPECT_EQ(wrong, std::multiset<int32_t>{10}) << listed(wrong);
  EXPECT_TRUE(codes_of(example_sources(ExamplePlace::kTrainData, stations(78))).empty());
}

// The one example that is no rows at all: a missing line file.
TEST(Explain, OnlyTheMissingLineFileIsShownAsACommand) {
  for (const Explanation& e : explanations()) {
    for (const ExplainExample& x : e.examples) {
      if (x.place == ExamplePlace::kCommandLine) {
        EXPECT_EQ(e.key, "101");
      }
    }
  }
}

TEST(Explain, TheFixtureHoldsTheRowsWhereTheExampleSaysAndCompilesCleanly) {
  EXPECT_TRUE(codes_of(example_sources(ExamplePlace::kTrainData, "")).empty());
  const ExampleSources general =
      example_sources(ExamplePlace::kLineGeneral, "sfondo uno,    7");
  const CompileResult r = compile(general.line, general.train, {"Prova", "9", true});
  EXPECT_EQ(r.scenario.scenario_table[kLineRow].start_pos, 7);
  const ExampleSources data =
      example_sources(ExamplePlace::kLineData, "montagna,   1000,  2000,  2");
  EXPECT_EQ(compile(data.line, data.train, {"Prova", "9", true}).scenario.mountain_count, 1);
}

struct Explained {
  int status;
  std::string out, err;
};

Explained explain(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  std::vector<std::string> all = {"explain"};
  all.insert(all.end(), args.begin(), args.end());
  const int status = run_command_line(all, out, err);
  return {status, out.str(), err.str()};
}

TEST(ExplainCommand, PrintsTheEntryWithItsExampleRows) {
  const Explained r = explain({"16"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out.rfind("error 16: a signal on a cell that is already taken\n", 0), 0u) << r.out;
  EXPECT_NE(r.out.find("Usual causes:\n  - two signals less than 50 m apart\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("\n    segnale,    5020,   1, 4, 0,  0, 0,    1,  1,0,0, 0\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("gives error 16. Mended:"), std::string::npos) << r.out;
}

TEST(ExplainCommand, WrapsItsTextWithinTheTerminal) {
  for (const Explanation& e : explanations()) {
    const Explained r = explain({std::string(e.key)});
    std::istringstream lines(r.out);
    std::string line;
    bool title = true;
    while (std::getline(lines, line)) {
      // The title line and the rows stand as they are; the prose is wrapped.
      if (!title && line.rfind("    ", 0) != 0) {
        EXPECT_LE(line.size(), 78u) << "explain " << e.key << ": " << line;
      }
      title = false;
    }
  }
}

TEST(ExplainCommand, WithoutACodeListsEveryCodeInOrder) {
  const Explained r = explain({});
  EXPECT_EQ(r.status, 0);
  for (const Explanation& e : explanations())
    EXPECT_NE(r.out.find("  " + std::string(e.key) + " "), std::string::npos) << e.key;
  EXPECT_LT(r.out.find("  1 "), r.out.find("  25 "));
  EXPECT_LT(r.out.find("  25 "), r.out.find("  101 "));
  EXPECT_LT(r.out.find("  103 "), r.out.find("  1250 "));
}

TEST(ExplainCommand, AnUnknownCodeOrTwoCodesAreRefused) {
  const Explained unknown = explain({"14"});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_EQ(unknown.out, "");
  EXPECT_EQ(unknown.err,
            "scenarioc: error: no explanation for '14'; 'scenarioc explain' lists the codes\n");
  const Explained two = explain({"16", "17"});
  EXPECT_EQ(two.status, 2);
  EXPECT_NE(two.err.find("too many arguments for scenarioc explain: it takes [CODE]"),
            std::string::npos)
      << two.err;
}

TEST(ExplainCommand, TellsAWarningAndAKeyOfTheFiles) {
  const Explained w = explain({"unknown-key"});
  EXPECT_EQ(w.status, 0);
  EXPECT_EQ(w.out.rfind("warning unknown-key: ", 0), 0u) << w.out;
  EXPECT_NE(w.out.find("gives warning unknown-key. Mended:"), std::string::npos) << w.out;
  const Explained k = explain({"stazione"});
  EXPECT_EQ(k.status, 0);
  EXPECT_EQ(k.out.rfind("key stazione: ", 0), 0u) << k.out;
  EXPECT_NE(k.out.find("  - name: "), std::string::npos) << k.out;
  const Explained index = explain({});
  EXPECT_LT(index.out.find("error codes:"), index.out.find("\nwarnings"));
  for (const WarningInfo& i : warning_table())
    EXPECT_NE(index.out.find("  " + std::string(i.name) + " "), std::string::npos) << i.name;
}

}  // namespace
}  // namespace scenarioc
