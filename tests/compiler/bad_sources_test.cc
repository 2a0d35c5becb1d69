// Every file of tests/data/bad_sources is a line or a train file that must
// fail. Its first line, which the compiler ignores because it stands before
// "[generale]", says how:
//   expect: CODE FILE LINE "a piece of the message"
// FILE is "line" or "train", the source the failure names; LINE is its line,
// 0 for a failure that belongs to no line. A bad line file is compiled with
// good_train.txt, a bad train file with good_line.txt.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>
#include <sstream>

#include "compiler/parse_sources.h"
#include "compiler/parser.h"
#include "test_util.h"

namespace scenarioc {
namespace {

namespace fs = std::filesystem;
using testing::slurp;

const fs::path kDir = fs::path(SCENARIOC_TEST_DATA) / "bad_sources";

struct Expectation {
  int32_t code = -1;
  std::string file;  // "line" or "train"
  int line = -1;
  std::string piece;
};

std::string first_line(const std::string& bytes) {
  return bytes.substr(0, bytes.find_first_of("\r\n"));
}

// Reads the expectation from the first line.
Expectation expectation_of(const std::string& bytes) {
  const std::string first = first_line(bytes);
  Expectation e;
  std::istringstream in(first);
  std::string word;
  in >> word >> e.code >> e.file >> e.line;
  if (word != "expect:") return Expectation{};
  const size_t open = first.find('"');
  const size_t close = first.rfind('"');
  if (open != std::string::npos && close > open)
    e.piece = first.substr(open + 1, close - open - 1);
  return e;
}

struct Compiled {
  Scenario s;
  std::string line_label;
  std::string train_label;
};

Compiled compile(const std::string& line_name, const std::string& line_bytes,
                 const std::string& train_name, const std::string& train_bytes) {
  Compiled c;
  c.line_label = line_name;
  c.train_label = train_name;
  c.s.line_name = "Prova";
  c.s.train_number = "9";
  c.s.build_line_plan = true;
  c.s.clear_scenario_table();
  TextSources sources({line_name, line_bytes}, {train_name, train_bytes});
  parse_sources(c.s, sources);
  return c;
}

std::string describe(const Scenario& s) {
  std::string out;
  for (const Failure& f : s.failures) {
    out += "\n  " + std::to_string(f.code) + " ";
    if (f.where) out += f.where->file + ":" + std::to_string(f.where->line) + " ";
    out += f.message;
  }
  return out;
}

std::vector<std::string> bad_files() {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(kDir)) {
    const std::string n = e.path().filename().string();
    if (n.rfind("line_", 0) == 0 || n.rfind("train_", 0) == 0) names.push_back(n);
  }
  std::sort(names.begin(), names.end());
  return names;
}

Compiled compile_bad(const std::string& name) {
  const std::string bad = slurp(kDir / name);
  if (name.rfind("line_", 0) == 0)
    return compile(name, bad, "good_train.txt", slurp(kDir / "good_train.txt"));
  return compile("good_line.txt", slurp(kDir / "good_line.txt"), name, bad);
}

TEST(BadSources, TheGoodPartnersCompileCleanly) {
  Compiled c = compile("good_line.txt", slurp(kDir / "good_line.txt"), "good_train.txt",
                       slurp(kDir / "good_train.txt"));
  EXPECT_TRUE(c.s.failures.empty()) << describe(c.s);
  EXPECT_TRUE(c.s.route_created);
}

class BadSource : public ::testing::TestWithParam<std::string> {};

TEST_P(BadSource, FailsWithItsCodeLineAndMessage) {
  const std::string& name = GetParam();
  const Expectation e = expectation_of(slurp(kDir / name));
  ASSERT_GE(e.code, 0) << name << ": its first line holds no valid 'expect:'";
  ASSERT_FALSE(contains_ci(first_line(slurp(kDir / name)), "[generale]"))
      << name << ": a header in the expectation would start the file's data there";
  ASSERT_TRUE(e.file == "line" || e.file == "train") << name;

  const Compiled c = compile_bad(name);
  ASSERT_EQ(c.s.failures.size(), 1u) << name << describe(c.s);
  const Failure& f = c.s.failures.front();
  EXPECT_EQ(f.code, e.code) << name << describe(c.s);
  ASSERT_TRUE(f.where.has_value()) << name << describe(c.s);
  EXPECT_EQ(f.where->file, e.file == "line" ? c.line_label : c.train_label)
      << name << describe(c.s);
  EXPECT_EQ(f.where->line, e.line) << name << describe(c.s);
  EXPECT_NE(f.message.find(e.piece), std::string::npos)
      << name << ": the message lacks \"" << e.piece << "\"" << describe(c.s);
}

std::string test_name(const ::testing::TestParamInfo<std::string>& info) {
  std::string n = info.param.substr(0, info.param.rfind('.'));
  for (char& ch : n)
    if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return n;
}

INSTANTIATE_TEST_SUITE_P(Corpus, BadSource, ::testing::ValuesIn(bad_files()), test_name);

// The two failures a file cannot carry its expectation in.
TEST(BadSources, MissingLineFileGives101NamingIt) {
  testing::TempDir dir;
  Scenario s;
  s.line_name = "Prova";
  s.train_number = "9";
  s.build_line_plan = true;
  s.clear_scenario_table();
  TextSources sources({"assente_linea.txt", std::nullopt},
                      {"good_train.txt", slurp(kDir / "good_train.txt")});
  parse_sources(s, sources);
  ASSERT_EQ(s.failures.size(), 1u) << describe(s);
  EXPECT_EQ(s.failures[0].code, 101);
  EXPECT_NE(s.failures[0].message.find("assente_linea.txt"), std::string::npos);
  EXPECT_FALSE(s.route_created);
}

TEST(BadSources, EmptyLineFileGives102) {
  const Compiled c = compile("vuoto_linea.txt", "", "good_train.txt",
                             slurp(kDir / "good_train.txt"));
  ASSERT_EQ(c.s.failures.size(), 1u) << describe(c.s);
  EXPECT_EQ(c.s.failures[0].code, 102);
  EXPECT_FALSE(c.s.route_created);
}

// Keeps the corpus whole: every code the compiler records has a bad source.
TEST(BadSources, CorpusCoversEveryCompilerCode) {
  std::set<int32_t> covered = {101, 102};  // the two tests above
  for (const std::string& name : bad_files())
    covered.insert(expectation_of(slurp(kDir / name)).code);
  for (int32_t code : {102, 1, 3, 4, 5, 6, 15, 103, 25, 2, 7, 8, 9, 10, 22, 24, 16, 17,
                       18, 19, 20, 21})
    EXPECT_TRUE(covered.count(code)) << "no bad source gives code " << code;
}

}  // namespace
}  // namespace scenarioc
