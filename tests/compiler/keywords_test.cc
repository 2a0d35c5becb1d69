// The keyword table is what authors are told from ("did you mean", the
// format guide): it must hold every word the parsers test, and suggest the
// keyword a slip of the keyboard missed.
#include "compiler/keywords.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>

#include "compiler/warnings.h"
#include "test_util.h"

namespace scenarioc {
namespace {

namespace fs = std::filesystem;

// Every word of the table a key may be tested for.
std::set<std::string> table_words() {
  std::set<std::string> words;
  for (const Keyword& k : keyword_table()) {
    for (const std::string_view w : k.words)
      if (!w.empty()) words.emplace(w);
    for (const KeyVariant& v : k.variants) words.emplace(v.text);
  }
  for (const SyntaxMark& m : syntax_marks()) words.emplace(m.text);
  return words;
}

TEST(Keywords, EveryWordTheParsersTestIsInTheTable) {
  const fs::path dir = fs::path(SCENARIOC_SOURCE_DIR) / "src" / "compiler";
  const std::regex call(R"re(contains(_ci)?\(\s*[^,()]+,\s*"((?:[^"\\]|\\.)*)"\s*\))re");
  const std::set<std::string> words = table_words();
  int found = 0;
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    const bool parser = name.size() > 10 && name.substr(name.size() - 10) == "_parser.cc";
    if (!parser && name != "memorizza_dati.cc") continue;
    const std::string text = testing::slurp(e.path());
    for (std::sregex_iterator m(text.begin(), text.end(), call), end; m != end; ++m) {
      ++found;
      EXPECT_TRUE(words.count((*m)[2].str())) << name << ": \"" << (*m)[2] << "\" is tested "
                                              << "but is in no keyword of the table";
    }
  }
  EXPECT_GT(found, 30) << "the parsers' keyword tests were not found";
}

TEST(Keywords, EachKeywordIsFoundByItsOwnKeyAndNoOther) {
  for (const Keyword& k : keyword_table()) {
    EXPECT_TRUE(holds_keyword(k.key, k)) << k.key;
    EXPECT_FALSE(k.description.empty()) << k.key;
    for (const ValueSpec& v : k.values) {
      EXPECT_FALSE(v.name.empty()) << k.key;
      EXPECT_FALSE(v.meaning.empty()) << k.key << " " << v.name;
      EXPECT_LE(v.min, v.max) << k.key << " " << v.name;
    }
    if (!k.example.empty()) {
      EXPECT_TRUE(holds_keyword(k.example, k)) << k.example;
    }
  }
}

TEST(Keywords, WarningNamesAreUniqueAndFoundByName) {
  std::set<std::string_view> names;
  for (const WarningInfo& w : warning_table()) {
    EXPECT_TRUE(names.insert(w.name).second) << w.name;
    EXPECT_EQ(warning_named(w.name), w.id);
    EXPECT_FALSE(w.summary.empty());
  }
  EXPECT_FALSE(warning_named("no-such-warning").has_value());
}

struct Slip {
  const char* item;
  SourceRole file;
  KeySection section;
  std::vector<std::string> suggested;
};

TEST(Keywords, SlipsOfTheKeyboardSuggestTheKeywordTheyMissed) {
  const SourceRole L = SourceRole::kLine, T = SourceRole::kTrain;
  const KeySection G = KeySection::kGeneral, D = KeySection::kData;
  for (const Slip& s : std::vector<Slip>{
           {"segnael", T, D, {"segnale"}},
           {"stazoine", T, D, {"stazione"}},
           {"SEGNLAE", T, D, {"segnale"}},
           {"cruvas3", L, D, {"curvad1"}},
           {"pendeza", L, D, {"pendenza"}},
           {"rallentameto", T, D, {"rallentamento"}},
           {"lungheza percorso", L, G, {"lunghezza percorso"}},
           {"sfondo quattro", L, G, {"sfondo uno", "sfondo due", "sfondo tre"}},
           {"nota del autore", T, D, {}},
           {"xy", L, D, {}},
       }) {
    std::vector<std::string> got;
    for (const Keyword* k : nearest_keywords(s.item, s.file, s.section)) got.emplace_back(k->key);
    EXPECT_EQ(got, s.suggested) << s.item;
  }
}

TEST(Keywords, ApproximateDistanceCountsSlipsAnywhereInTheText) {
  EXPECT_EQ(approximate_distance("numero vetture", "vetture"), 0);
  EXPECT_EQ(approximate_distance("Segnael", "segnale"), 1);  // neighbours swapped
  EXPECT_EQ(approximate_distance("pendnza", "pendenza"), 1);
  EXPECT_EQ(approximate_distance("xx", "segnale"), 7);
}

}  // namespace
}  // namespace scenarioc
