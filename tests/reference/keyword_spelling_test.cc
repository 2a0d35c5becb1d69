// A key's spelling lives in the keyword table alone: put a new spelling of
// a key in the table, and the parser reads it, the format guide and
// `explain` name it, and the decompiler writes it.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "reference/explain.h"
#include "reference/format_guide.h"
#include "compiler/compile.h"
#include "compiler/keywords.h"
#include "decompiler/decompile.h"
#include "format/route_file.h"
#include "format/timetable_file.h"
#include "../decompiler/decompile_fixture.h"

namespace scenarioc {
namespace {

using testing::compile_files;
using testing::kLine;
using testing::kTrain;
using testing::line_with;
using testing::train_with;

// The built-in table with the speed limit spelled "speed" instead (a word
// no header or other key of the train file holds).
std::vector<Keyword> respelled_speed_table() {
  std::vector<Keyword> table(keyword_table().begin(), keyword_table().end());
  for (Keyword& k : table) {
    if (k.id != Key::kVelocita) continue;
    k.key = "speed";
    k.words = {"speed", ""};
    k.example = "speed,    1100,   100";
  }
  return table;
}

const std::string kLineText = line_with("pendenza,  0,  2\r\n", 10000);

std::string speeds(std::string_view key) {
  const std::string k(key);
  return train_with(k + ",  0,  80\r\n" + k + ",  2000,  120\r\n" + k + ",  6000,  60\r\n");
}

std::string route_bytes(const std::string& line, const std::string& train) {
  const CompileResult r = compile(line, train, {kLine, kTrain, true});
  EXPECT_TRUE(r.writable());
  return encode_route(r.scenario) + encode_timetable(r.scenario);
}

TEST(KeywordSpelling, ANewSpellingInTheTableIsKnownEverywhere) {
  const std::string built_in = route_bytes(kLineText, speeds("velocita"));
  const std::vector<Keyword> table = respelled_speed_table();
  const ScopedKeywordTable respelled(table);

  // The parser: the new spelling compiles as the old one did, and the old
  // one is now a key the train file does not know.
  EXPECT_EQ(route_bytes(kLineText, speeds("speed")), built_in);
  EXPECT_NE(route_bytes(kLineText, speeds("velocita")), built_in);
  const CompileResult old = compile(kLineText, speeds("velocita"), author_options(kLine, kTrain));
  bool unknown = false;
  for (const Diagnostic& d : old.report.diagnostics) unknown |= d.warning == "unknown-key";
  EXPECT_TRUE(unknown);

  // The guide's table of the train file's keys.
  std::string guide;
  for (const auto& [name, text] : format_guide_tables()) guide += text;
  EXPECT_NE(guide.find("`speed`"), std::string::npos);
  EXPECT_EQ(guide.find("`velocita`"), std::string::npos);

  // `explain speed`.
  const Keyword* found = find_keyword("speed");
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->id, Key::kVelocita);
  std::ostringstream shown;
  print_keyword(*found, shown);
  EXPECT_NE(shown.str().find("speed"), std::string::npos);
  EXPECT_EQ(find_keyword("velocita"), nullptr);

  // The decompiler writes the new spelling, and what it writes compiles
  // back to the same bytes.
  const DecompiledSources d = decompile(compile_files(kLineText, speeds("speed")), kLine, kTrain);
  EXPECT_TRUE(d.mismatches.empty()) << testing::describe(d);
  EXPECT_NE(d.train_text.find("\r\nspeed,"), std::string::npos) << d.train_text;
  EXPECT_EQ(d.train_text.find("velocita"), std::string::npos) << d.train_text;
}

TEST(KeywordSpelling, AnAddedSpellingActsOnceBesideTheFirst) {
  std::vector<Keyword> table(keyword_table().begin(), keyword_table().end());
  Keyword alias = keyword(Key::kVelocita);
  alias.key = "speed";
  alias.words = {"speed", ""};
  table.push_back(alias);
  const std::string built_in = route_bytes(kLineText, speeds("velocita"));
  const ScopedKeywordTable added(table);
  EXPECT_EQ(route_bytes(kLineText, speeds("speed")), built_in);
  EXPECT_EQ(route_bytes(kLineText, speeds("velocita")), built_in);
  // A key holding both spellings reads its values once, as the first.
  EXPECT_EQ(route_bytes(kLineText, speeds("velocita speed")), built_in);
  // Keys are still written in the first spelling.
  EXPECT_EQ(keyword(Key::kVelocita).key, "velocita");
}

}  // namespace
}  // namespace scenarioc
