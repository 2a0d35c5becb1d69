// Every key of the two scenario sources, as the parsers read them: the
// section headers, the keys of the general data and the keys of the data
// rows, each with its values (name, unit, the range the simulator can hold,
// a line of meaning) and a line of description.
//
// The parsers test keys by substring: a row's key is acted upon when it
// contains every word of a keyword (ignoring letter case unless the keyword
// says otherwise). The parsers find their keys here and act on the entry
// they find; the decompiler writes its keys from here; the warnings suggest
// from it ("did you mean 'segnale'?") and check values against it, and the
// authors' guide and `explain` are written from it. A spelling added to this
// table is therefore known everywhere at once.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "compiler/source_input.h"

namespace scenarioc {

enum class Key : unsigned char {
  // Headers.
  kGenerale,
  kCurveHeader,
  kPendenzeHeader,
  kMontagneHeader,
  kCartelliHeader,
  kIndicazioniHeader,
  kAderenzeHeader,
  kVelLimiteHeader,
  kStazioniHeader,
  kRallentamentiHeader,
  kSegnaliHeader,
  kCodiciHeader,
  kFineHeader,
  // Line file, general section.
  kLunghezzaPercorso,
  kProgressivaTre,
  kProgressivaDue,
  kProgressivaUno,
  kSfondoUno,
  kSfondoDue,
  kSfondoTre,
  kRipetizioneSegnali,
  // Line file, data section.
  kPendenza,
  kCurva,
  kMontagna,
  kIndicatoriV,
  kCartelloIndicatore,
  // Train file.
  kMassaFrenata,
  kVetture,
  kVelocita,
  kAderenza,
  kOrologio,
  kSabbia,
  kSegnale,
  kRallentamento,
  kAbbattimento,
  kStazione,
  kCount
};

enum class KeySection : unsigned char {
  kHeader,   // a header line; headers are read as items that match no key
  kGeneral,  // the general section of the line file, before its first header
  kData,     // the data rows: the line file after its first header, the train file
};

enum class ValueType : unsigned char { kLong, kInteger, kByte, kText };

// How the compiler uses a value beyond storing it, for the checks on it.
enum class ValueRole : unsigned char {
  kPlain,
  kCellPosition,  // a position taken to its 50 m cell
  kPosition,      // a position taken as written (a curve's start, a station)
  kSpeed,         // km/h, stored in steps of 5 km/h
};

struct ValueSpec {
  std::string_view name;     // as in the format's description: "posizione"
  ValueType type;
  std::string_view unit;     // "m", "km/h", "per mille", or empty
  int64_t min, max;          // the range the simulator can hold
  std::string_view meaning;  // one line
  ValueRole role = ValueRole::kPlain;
  bool may_be_empty = false;  // an empty field is an idiom of the format here
};

// What a variant of a key chooses.
enum class VariantRole : unsigned char {
  kCodes,  // the number of codes of the signal repetition: `value`
  kLeft,   // a curve bending to the left
  kRight,  // a curve bending to the right
  kClass,  // a curve's class: `value`, 1 to 6
};

// A letter or digit in a key that chooses among forms of one keyword. A key
// holds a variant when it contains its text, in either letter case.
struct KeyVariant {
  std::string_view text;
  std::string_view meaning;
  VariantRole role = VariantRole::kCodes;
  int value = 0;
};

struct Keyword {
  Key id;
  SourceRole file;
  KeySection section;
  std::string_view key;  // as the built-in sources write it: "lunghezza percorso"
  // What a key must contain to be this keyword; the second word may be empty.
  std::array<std::string_view, 2> words;
  bool case_sensitive;
  std::string_view description;  // one line
  std::span<const ValueSpec> values;
  std::span<const KeyVariant> variants = {};
  // Values may stand apart by blanks alone, without commas (the clock).
  bool blank_separated = false;
  std::string_view example = {};  // a whole row
  // A header both files have (`file` names the one read first).
  bool in_both_files = false;
};

// Every keyword, headers first, in the order in which the parsers test them.
std::span<const Keyword> keyword_table();
// The first entry of `k` in the table: the spelling keys are written in.
const Keyword& keyword(Key k);

// Puts another keyword table in place of the built-in one while it lives,
// for trying a new spelling of a key before it is added to the table. The
// table must hold every Key at least once and outlive this object.
class ScopedKeywordTable {
 public:
  explicit ScopedKeywordTable(std::span<const Keyword> table);
  ~ScopedKeywordTable();
  ScopedKeywordTable(const ScopedKeywordTable&) = delete;
  ScopedKeywordTable& operator=(const ScopedKeywordTable&) = delete;

 private:
  std::span<const Keyword> previous_;
};

// Marks of the reading model that are no keys of their own.
inline constexpr std::string_view kCommentMark = "-";  // an item holding it is a comment
inline constexpr std::string_view kHeaderOpen = "[";
inline constexpr std::string_view kHeaderClose = "]";

struct SyntaxMark {
  std::string_view text;
  std::string_view meaning;
};
std::span<const SyntaxMark> syntax_marks();

// Whether `item` holds the words of `k`, with the keyword's case rule.
bool holds_keyword(std::string_view item, const Keyword& k);
// Whether `item` holds the text of `v`.
bool holds_variant(std::string_view item, const KeyVariant& v);
// The first variant of `k` with this role that `item` holds; null when none.
const KeyVariant* variant_held(std::string_view item, const Keyword& k, VariantRole role);

// The keywords of one file and section that a key holds, in the order of
// the table; a Key is acted upon once a row, by its first entry the key holds.
template <class Act>
void for_each_keyword_held(std::string_view key, SourceRole file, KeySection section, Act act) {
  uint64_t acted = 0;
  static_assert(static_cast<size_t>(Key::kCount) <= 64);
  for (const Keyword& k : keyword_table()) {
    if (k.file != file || k.section != section) continue;
    const uint64_t bit = uint64_t{1} << static_cast<unsigned>(k.id);
    if ((acted & bit) || !holds_keyword(key, k)) continue;
    acted |= bit;
    if (!act(k)) return;
  }
}

// The fewest letters to change, add, drop or swap (neighbours) so that `word`
// stands somewhere in `text`, ignoring letter case: 0 when it does already.
int approximate_distance(std::string_view text, std::string_view word);

// The keywords of one file and section nearest to an item that matches
// none, for "did you mean": at most three, equally near; none when no
// keyword is near enough to be a slip of the keyboard.
std::vector<const Keyword*> nearest_keywords(std::string_view item, SourceRole file,
                                             KeySection section);

}  // namespace scenarioc
