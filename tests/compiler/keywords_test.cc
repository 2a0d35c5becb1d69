// The keyword table is what the parsers read keys by and what authors are
// told from ("did you mean", the format guide): each keyword's example must
// be read as that keyword, and a slip of the keyboard must be met with the
// keyword it missed.
#include "compiler/keywords.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "compiler/compile.h"
#include "compiler/warnings.h"

namespace scenarioc {
namespace {

// Every keyword's example row, in the file and section it belongs to, is
// read as that keyword and no other: the parsers find their keys in the
// table, so what the table shows an author is what the parsers act on.
TEST(Keywords, EachExampleRowIsReadAsItsKeyword) {
  for (const Keyword& k : keyword_table()) {
    if (k.section == KeySection::kHeader || k.example.empty()) continue;
    const std::string row = std::string(k.example) + "\r\n";
    std::string line = "[generale]\r\nlunghezza percorso,    220000\r\n";
    std::string train = "[generale]\r\n";
    if (k.file == SourceRole::kTrain) train += row;
    else if (k.section == KeySection::kGeneral) line += row;
    line += "[curve]\r\n";
    if (k.file == SourceRole::kLine && k.section == KeySection::kData) line += row;
    line += "[fine]\r\n";
    train += "[fine]\r\n";
    const CompileResult r = compile(line, train, author_options("Prova", "9"));
    for (const Diagnostic& d : r.report.diagnostics) {
      EXPECT_NE(d.warning, "unknown-key") << k.example << ": " << d.failure.message;
      EXPECT_NE(d.warning, "misplaced-key") << k.example << ": " << d.failure.message;
      EXPECT_NE(d.warning, "several-keys") << k.example << ": " << d.failure.message;
    }
  }
}

struct VariantCase {
  const char* key;
  Key id;
  VariantRole role;
  int value;  // -1: no variant of the role held
};

// The variants a key holds choose its form: the number of codes of the
// signal repetition, the side and class of a curve.
TEST(Keywords, VariantsHeldChooseTheKeysForm) {
  for (const VariantCase& c : std::vector<VariantCase>{
           {"ripetizione segnali 4 codici", Key::kRipetizioneSegnali, VariantRole::kCodes, 4},
           {"ripetizione segnali 9 codici", Key::kRipetizioneSegnali, VariantRole::kCodes, 9},
           // 4 is tested first.
           {"ripetizione segnali 94 codici", Key::kRipetizioneSegnali, VariantRole::kCodes, 4},
           {"ripetizione segnali codici", Key::kRipetizioneSegnali, VariantRole::kCodes, -1},
           {"curvad1", Key::kCurva, VariantRole::kClass, 1},
           {"curvas6", Key::kCurva, VariantRole::kClass, 6},
           // The lowest class digit wins, wherever it stands.
           {"curva 5 3", Key::kCurva, VariantRole::kClass, 3},
           {"curvad7", Key::kCurva, VariantRole::kClass, -1},
           {"CURVAS2", Key::kCurva, VariantRole::kLeft, 0},
           {"curvad2", Key::kCurva, VariantRole::kLeft, -1},
       }) {
    const KeyVariant* v = variant_held(c.key, keyword(c.id), c.role);
    if (c.value < 0) {
      EXPECT_EQ(v, nullptr) << c.key;
    } else {
      ASSERT_NE(v, nullptr) << c.key;
      EXPECT_EQ(v->value, c.value) << c.key;
    }
  }
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
