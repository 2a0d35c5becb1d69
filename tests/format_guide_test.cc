// The format guide, docs/format.md: its two complete files compile without a
// failure, and its tables of keys, values, codes and warnings are the ones
// made from the compiler's tables (cmake --build build --target
// update-format-guide makes them anew).
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "reference/explain.h"
#include "reference/format_guide.h"
#include "compiler/compile.h"
#include "compiler/keywords.h"
#include "compiler/warnings.h"
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

// The tables between the markers are made from the keyword table and the
// explanations; an edit of either that the guide does not follow fails here.
TEST(FormatGuide, ItsTablesAreTheOnesMadeFromTheTables) {
  const std::string doc = guide();
  for (const auto& [name, table] : format_guide_tables()) {
    const std::optional<std::string> written = marked_text(doc, name);
    ASSERT_TRUE(written.has_value()) << "docs/format.md lacks one pair of the markers <!-- "
                                     << name << ":begin --> and <!-- " << name << ":end -->";
    EXPECT_EQ(*written, table)
        << "the table " << name << " of docs/format.md differs from the one made from the "
        << "tables; make it anew with: cmake --build build --target update-format-guide";
    EXPECT_NE(table.find("\n|---|"), std::string::npos) << name;
  }
}

// Every keyword the parsers recognise, every error code and every warning
// stands in the guide, and `scenarioc explain` tells each of them.
TEST(FormatGuide, NamesEveryKeywordCodeAndWarningAsExplainDoes) {
  const std::string doc = guide();
  std::string keyword_tables;
  for (const auto& [name, table] : format_guide_tables())
    if (name.rfind("keywords:", 0) == 0 || name.rfind("values:", 0) == 0)
      keyword_tables += *marked_text(doc, name);
  for (const Keyword& k : keyword_table()) {
    for (const std::string_view w : k.words) {
      if (!w.empty()) {
        EXPECT_NE(keyword_tables.find("`" + std::string(w) + "`"), std::string::npos)
            << "the guide's tables lack " << w;
      }
    }
    for (const KeyVariant& v : k.variants)
      EXPECT_NE(keyword_tables.find("`" + std::string(v.text) + "`"), std::string::npos)
          << "the guide's tables lack the form " << v.text << " of " << k.key;
    EXPECT_EQ(find_keyword(k.key), &k) << "explain does not tell " << k.key;
  }
  const std::string errors = marked_text(doc, "codes:errors").value_or("");
  const std::string warnings = marked_text(doc, "codes:warnings").value_or("");
  for (const Explanation& e : explanations()) {
    if (warning_named(e.key)) continue;
    EXPECT_NE(errors.find("\n| " + std::string(e.key) + " |"), std::string::npos)
        << "the guide lacks the error code " << e.key;
  }
  for (const WarningInfo& w : warning_table()) {
    EXPECT_NE(warnings.find("| `" + std::string(w.name) + "` |"), std::string::npos)
        << "the guide lacks the warning " << w.name;
    EXPECT_NE(find_explanation(w.name), nullptr) << "explain does not tell " << w.name;
  }
}

// The guide says where an ignored row is warned about.
TEST(FormatGuide, SaysWhichWarningsTellOfIgnoredRows) {
  const std::string doc = guide();
  const size_t ignored = doc.find("A key that contains no keyword is ignored");
  ASSERT_NE(ignored, std::string::npos);
  const size_t next_section = doc.find("\n### ", ignored);
  const std::string part = doc.substr(ignored, next_section - ignored);
  for (const char* w : {"unknown-key", "misplaced-key", "several-keys", "header-is-key"})
    EXPECT_NE(part.find(std::string("`") + w + "`"), std::string::npos) << w;
}

TEST(FormatGuide, TheReadmeLinksToIt) {
  EXPECT_NE(slurp(kSource / "README.md").find("(docs/format.md)"), std::string::npos);
}

}  // namespace
}  // namespace scenarioc
