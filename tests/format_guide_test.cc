// The format guide, docs/format.md: its two complete files compile without a
// failure, every keyword the parsers test for is in its tables, and the
// tables stand between the markers that a generator can fill.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <string>

#include "compiler/compile.h"
#include "test_util.h"

namespace scenarioc {
namespace {

namespace fs = std::filesystem;
using testing::slurp;

const fs::path kSource = SCENARIOC_SOURCE_DIR;

std::string guide() { return slurp(kSource / "docs" / "format.md"); }

// The first fenced block after `<!-- example:NAME -->`.
std::string example(const std::string& doc, const std::string& name) {
  const std::string marker = "<!-- example:" + name + " -->";
  const size_t at = doc.find(marker);
  if (at == std::string::npos) return "";
  const size_t open = doc.find("```", at);
  const size_t begin = doc.find('\n', open) + 1;
  const size_t close = doc.find("\n```", begin);
  if (open == std::string::npos || close == std::string::npos) return "";
  return doc.substr(begin, close - begin + 1);
}

// The text between `<!-- NAME:begin -->` and `<!-- NAME:end -->`.
std::string between_markers(const std::string& doc, const std::string& name) {
  const std::string begin = "<!-- " + name + ":begin -->", end = "<!-- " + name + ":end -->";
  const size_t b = doc.find(begin), e = doc.find(end);
  if (b == std::string::npos || e == std::string::npos || e < b) return "";
  return doc.substr(b + begin.size(), e - b - begin.size());
}

std::string failures_of(const Scenario& s) {
  std::string out;
  for (const Failure& f : s.failures) out += "\n  " + std::to_string(f.code) + " " + f.message;
  return out;
}

TEST(FormatGuide, ItsTwoFilesCompileWithoutAFailure) {
  const std::string doc = guide();
  const std::string line = example(doc, "line"), train = example(doc, "train");
  ASSERT_NE(line, "");
  ASSERT_NE(train, "");
  const CompileResult r = compile(line, train, {"Collina", "123", true});
  EXPECT_TRUE(r.scenario.failures.empty()) << failures_of(r.scenario);
  EXPECT_TRUE(r.writable());
  // Read to the end, not stopped early without a word.
  const Scenario& s = r.scenario;
  EXPECT_EQ(s.scenario_table[kTrainDataRow].stop_pos, 30000);
  EXPECT_EQ(s.scenario_table[4].text, "VALLE DEL RIO");
  EXPECT_EQ(s.scenario_table[80].text, "GALLERIA DEL COLLE");
  EXPECT_EQ(s.mountain_count, 1);
}

// Every marker once, in a pair, so the tables between them can be made by
// a program and put in their place.
TEST(FormatGuide, EveryTableStandsBetweenItsMarkers) {
  const std::string doc = guide();
  for (const char* name : {"keywords:line-general", "keywords:line-data", "keywords:train",
                           "values:montagna", "values:indicatori_vmax", "values:segnale",
                           "values:rallentamento", "values:stazione"}) {
    const std::string table = between_markers(doc, name);
    EXPECT_NE(table.find("\n|---|"), std::string::npos) << name << ": no table between its markers";
    for (const char* edge : {":begin -->", ":end -->"}) {
      const std::string marker = std::string("<!-- ") + name + edge;
      EXPECT_EQ(doc.find(marker), doc.rfind(marker)) << marker << " stands twice";
    }
  }
}

// The words the parsers test keys for, read from their sources: a keyword
// the parsers know and the guide does not is a fault of the guide.
TEST(FormatGuide, NamesEveryKeywordOfTheParsers) {
  const std::string doc = guide();
  const std::string tables = between_markers(doc, "keywords:line-general") +
                             between_markers(doc, "keywords:line-data") +
                             between_markers(doc, "keywords:train");
  const std::regex test_of_key(R"re(contains(?:_ci)?\(\s*key\s*,\s*"([a-z_]{3,})"\s*\))re");
  std::set<std::string> words;
  for (const char* parser : {"line_parser.cc", "train_parser.cc"}) {
    const std::string text = slurp(kSource / "src" / "compiler" / parser);
    for (std::sregex_iterator m(text.begin(), text.end(), test_of_key), end; m != end; ++m)
      words.insert((*m)[1].str());
  }
  ASSERT_GE(words.size(), 20u);
  for (const std::string& w : words)
    EXPECT_NE(tables.find("`" + w + "`"), std::string::npos) << "the guide's tables lack " << w;
}

TEST(FormatGuide, TheReadmeLinksToIt) {
  EXPECT_NE(slurp(kSource / "README.md").find("(docs/format.md)"), std::string::npos);
}

}  // namespace
}  // namespace scenarioc
