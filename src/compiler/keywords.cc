#include "compiler/keywords.h"

#include <algorithm>
#include <cstdint>

#include "compiler/parser.h"

namespace scenarioc {
namespace {

constexpr int64_t kLongMin = INT32_MIN, kLongMax = INT32_MAX;
constexpr int64_t kIntMin = INT16_MIN, kIntMax = INT16_MAX;

using VT = ValueType;
using VR = ValueRole;

// Positions may lie anywhere the route reaches; the range test, not the
// range here, decides whether they fit.
constexpr ValueSpec cell_position(std::string_view name, std::string_view meaning) {
  return {name, VT::kLong, "m", kLongMin, kLongMax, meaning, VR::kCellPosition};
}

constexpr ValueSpec kLunghezza[] = {
    {"L", VT::kLong, "m", 0, 1000000, "the length of the line; the route runs 7000 m beyond it"},
};
constexpr ValueSpec kProgressiva[] = {
    {"a", VT::kLong, "m", kLongMin, kLongMax,
     "where along the route the progressive applies; a multiple of 50"},
    {"b", VT::kLong, "m", kLongMin, kLongMax,
     "the progressive's value there; a multiple of 50"},
    {"flag", VT::kLong, "", 0, 1, "1 raises the value by 100 m"},
};
constexpr ValueSpec kSfondo[] = {
    {"v", VT::kLong, "", kLongMin, kLongMax, "a background value, stored as read"},
};
constexpr ValueSpec kRipetizione[] = {
    {"from", VT::kLong, "m", kLongMin, kLongMax,
     "start of the stretch with signals repeated in the cab; a multiple of 50"},
    {"to", VT::kLong, "m", kLongMin, kLongMax,
     "its end, a multiple of 50; 0 means no repetition"},
};
constexpr KeyVariant kRipetizioneVariants[] = {
    {"4", "four codes (tested first)", VariantRole::kCodes, 4},
    {"9", "nine codes", VariantRole::kCodes, 9},
};
constexpr ValueSpec kPendenza[] = {
    cell_position("p", "from here on the gradient holds, until the next gradient row"),
    {"g", VT::kLong, "per mille", -60, 60, "the gradient, rising positive, falling negative"},
};
constexpr ValueSpec kCurva[] = {
    {"s", VT::kLong, "m", kLongMin, kLongMax, "where the curve starts, to the metre",
     VR::kPosition},
    {"l", VT::kLong, "m", 0, 1000000, "the curve's length"},
};
constexpr KeyVariant kCurvaVariants[] = {
    {"d", "bends to the right", VariantRole::kRight},
    {"s", "bends to the left (any key holding an s, in either case)", VariantRole::kLeft},
    // The class is the first of these the key holds, in this order.
    {"1", "class 1: curvature 0.0001 a metre", VariantRole::kClass, 1},
    {"2", "class 2: curvature 0.0002 a metre", VariantRole::kClass, 2},
    {"3", "class 3: curvature 0.0004 a metre", VariantRole::kClass, 3},
    {"4", "class 4: curvature 0.001 a metre", VariantRole::kClass, 4},
    {"5", "class 5: curvature 0.002 a metre", VariantRole::kClass, 5},
    {"6", "class 6: curvature 0.003 a metre", VariantRole::kClass, 6},
};
constexpr ValueSpec kMontagna[] = {
    cell_position("inizio", "where the mountain stretch starts"),
    cell_position("fine", "where it ends"),
    {"tipo", VT::kLong, "", 0, 265,
     "its type; above 10, the type less 10 with a marker every fourth cell"},
};
constexpr ValueSpec kIndicatori[] = {
    cell_position("posizione", "where the board stands"),
    {"vas", VT::kLong, "km/h", 0, 350, "first speed of the left board"},
    {"vbs", VT::kLong, "km/h", 0, 350, "second speed of the left board"},
    {"vcs", VT::kLong, "km/h", 0, 350, "third speed of the left board"},
    {"strisces", VT::kLong, "", 0, 9, "stripes of the left board"},
    {"vad", VT::kLong, "km/h", 0, 95, "first speed of the right board; often left empty",
     VR::kSpeed, true},
    {"vbd", VT::kLong, "km/h", 0, 95, "second speed of the right board; often left empty",
     VR::kSpeed, true},
    {"vcd", VT::kLong, "km/h", 0, 95, "third speed of the right board; often left empty",
     VR::kSpeed, true},
    {"strisced", VT::kLong, "", 0, 9, "stripes of the right board"},
};
constexpr ValueSpec kCartello[] = {
    cell_position("posizione", "where the sign stands"),
    {"text", VT::kText, "", 0, 65535, "the sign's text, to the end of the row; no comma"},
};
constexpr ValueSpec kMassaFrenata[] = {
    {"v", VT::kLong, "%", 0, 250, "the train's braked-mass percentage"},
};
constexpr ValueSpec kVetture[] = {
    {"n", VT::kLong, "coaches", 1, 50, "the number of coaches"},
};
constexpr ValueSpec kVelocita[] = {
    cell_position("p", "from here on the speed limit holds, until the next speed row"),
    {"v", VT::kLong, "km/h", 0, 350, "the speed limit", VR::kSpeed},
};
constexpr ValueSpec kAderenza[] = {
    cell_position("p", "from here on the adhesion holds, until the next adhesion row"),
    {"a", VT::kLong, "", 0, 100, "the adhesion"},
};
constexpr ValueSpec kOrologio[] = {
    {"hh", VT::kInteger, "h", 0, 23, "the clock at the start: hours"},
    {"mm", VT::kInteger, "min", 0, 59, "minutes"},
    {"ss", VT::kInteger, "s", 0, 59, "seconds"},
};
constexpr ValueSpec kSabbia[] = {
    {"s", VT::kInteger, "", 0, kIntMax, "the sand the train carries"},
};
constexpr ValueSpec kSegnale[] = {
    cell_position("posizione", "where the signal stands"),
    {"sx", VT::kLong, "", 0, 2, "the signal's kind; 2 is a signal with a time"},
    {"s1", VT::kLong, "", 0, 9, "first aspect of the signal"},
    {"s2", VT::kLong, "", 0, 9, "second aspect"},
    {"s3", VT::kLong, "", 0, 9, "third aspect"},
    {"rapp", VT::kLong, "", 0, 9, "the signal's relation to the next one"},
    {"dx", VT::kLong, "", 0, 2, "the kind of the signal's second head"},
    {"d1", VT::kLong, "", 0, 9, "first aspect of the second head"},
    {"d2", VT::kLong, "", 0, 9, "second aspect of the second head"},
    {"d3", VT::kLong, "", 0, 9, "third aspect of the second head"},
    {"tempo", VT::kLong, "s", 0, 255, "the time of a kind 2 signal; 1 to 100 become 101"},
};
constexpr ValueSpec kRallentamento[] = {
    cell_position("x", "where the slow-down starts; its warning board stands 1200 m before"),
    {"v", VT::kLong, "km/h", 0, 350, "the speed through the slow-down"},
    {"l", VT::kLong, "m", 0, 1000000, "its length"},
    {"f_tt", VT::kLong, "", kIntMin, kIntMax, "stored with its start and end"},
    {"f_ta", VT::kLong, "", kLongMin, kLongMax,
     "not 0: four approach cells before the warning board"},
    {"d_v", VT::kLong, "", kIntMin, kIntMax, "not 0: stored in every cell of the slow-down"},
};
constexpr ValueSpec kAbbattimento[] = {
    cell_position("p", "where the braking point stands"),
    {"value", VT::kLong, "km/h", kLongMin, kIntMax,
     "the point's speed; 0 or less: a point without one"},
};
constexpr ValueSpec kStazione[] = {
    {"position", VT::kLong, "m", kLongMin, kLongMax, "where the station stands; a multiple of 50",
     VR::kPosition},
    {"type", VT::kByte, "", 0, 255,
     "the station's kind; below 25 the train stops; 5 to 8 shape the area otherwise"},
    {"length", VT::kLong, "m", 0, 1000000, "the station's length; a multiple of 100"},
    {"byte_a", VT::kByte, "", 0, 255, "stored as read"},
    {"byte_d", VT::kByte, "", 0, 255, "stored as read; 0 for stations below 600 m"},
    {"byte_c", VT::kByte, "", 0, 255, "not 0: the stop lies 50 m further"},
    {"int_a", VT::kInteger, "", kIntMin, kIntMax, "stored as read"},
    {"int_b", VT::kInteger, "", kIntMin, kIntMax, "stored as read"},
    {"byte_e", VT::kByte, "", 0, 255, "stored as read"},
    {"int_c", VT::kInteger, "", kIntMin, kIntMax, "stored as read"},
    {"int_d", VT::kInteger, "", kIntMin, kIntMax, "stored as read"},
    {"int_e", VT::kInteger, "", kIntMin, kIntMax, "stored as read"},
    {"byte_f", VT::kByte, "", 0, 255, "stored as read"},
    {"hours", VT::kLong, "h", 0, 47, "the timetable time: hours (24 and on: the next day)"},
    {"minutes", VT::kLong, "min", 0, 59, "minutes"},
    {"seconds", VT::kLong, "s", 0, 59, "seconds"},
    {"name", VT::kText, "", 0, 65535, "the station's name, to the end of the row; no comma"},
};

constexpr std::span<const ValueSpec> kNone;

using KS = KeySection;
constexpr SourceRole L = SourceRole::kLine, T = SourceRole::kTrain;

constexpr Keyword kKeywords[] = {
    {Key::kGenerale, L, KS::kHeader, "[generale]", {"[generale]", ""}, false,
     "starts the data of both files; whatever stands before it is not read", kNone, {}, false,
     {}, true},
    {Key::kCurveHeader, L, KS::kHeader, "[curve]", {"[curve]", ""}, false,
     "ends the line's general data; curves follow (any data row may stand under any header)",
     kNone},
    {Key::kPendenzeHeader, L, KS::kHeader, "[pendenze]", {"[pendenze]", ""}, false,
     "the gradients follow", kNone},
    {Key::kMontagneHeader, L, KS::kHeader, "[montagne]", {"[montagne]", ""}, false,
     "the mountain stretches follow", kNone},
    {Key::kCartelliHeader, L, KS::kHeader, "[cartelli]", {"[cartelli]", ""}, false,
     "the speed boards follow", kNone},
    {Key::kIndicazioniHeader, L, KS::kHeader, "[indicazioni]", {"[indicazioni]", ""}, false,
     "the signs follow", kNone},
    {Key::kAderenzeHeader, T, KS::kHeader, "[aderenze]", {"[aderenze]", ""}, false,
     "the adhesion rows follow", kNone},
    {Key::kVelLimiteHeader, T, KS::kHeader, "[vel_limite]", {"[vel_limite]", ""}, false,
     "the speed limits follow", kNone},
    {Key::kStazioniHeader, T, KS::kHeader, "[stazioni]", {"[stazioni]", ""}, false,
     "the stations follow", kNone},
    {Key::kRallentamentiHeader, T, KS::kHeader, "[rallentamenti]", {"[rallentamenti]", ""},
     false, "the slow-downs follow", kNone},
    {Key::kSegnaliHeader, T, KS::kHeader, "[segnali]", {"[segnali]", ""}, false,
     "the signals follow", kNone},
    {Key::kCodiciHeader, T, KS::kHeader, "[codici]", {"[codici]", ""}, false,
     "a header with no rows", kNone},
    {Key::kFineHeader, L, KS::kHeader, "[fine]", {"[fine]", ""}, false,
     "the last line of both files: the last item of a file is never read", kNone, {}, false, {},
     true},

    {Key::kLunghezzaPercorso, L, KS::kGeneral, "lunghezza percorso", {"lunghezza", "percorso"},
     false, "makes the route, 7000 m longer than L, in cells of 50 m, and the line plan, one point a "
     "metre; stores L in the timetable (row 84); a second such row starts the route anew", kLunghezza, {}, false,
     "lunghezza percorso,    220000"},
    {Key::kProgressivaTre, L, KS::kGeneral, "progressiva chilometrica tre",
     {"progressiva", "tre"}, true, "the third kilometric progressive (timetable row 81 before the ordering)",
     kProgressiva, {}, false, "progressiva chilometrica tre,    96000,    214000,    1"},
    {Key::kProgressivaDue, L, KS::kGeneral, "progressiva chilometrica due",
     {"progressiva", "due"}, true, "the second kilometric progressive (row 82 before the ordering)",
     kProgressiva, {}, false, "progressiva chilometrica due,    84000,    230000,    1"},
    {Key::kProgressivaUno, L, KS::kGeneral, "progressiva chilometrica uno",
     {"progressiva", "uno"}, true, "the first kilometric progressive (row 83 before the ordering)",
     kProgressiva, {}, false, "progressiva chilometrica uno,    0,    214000,    1"},
    {Key::kSfondoUno, L, KS::kGeneral, "sfondo uno", {"sfondo", "uno"}, true,
     "the first background value, stored as read (row 85)", kSfondo, {}, false,
     "sfondo uno,    200000"},
    {Key::kSfondoDue, L, KS::kGeneral, "sfondo due", {"sfondo", "due"}, true,
     "the second background value, stored as read", kSfondo, {}, false, "sfondo due,    1"},
    {Key::kSfondoTre, L, KS::kGeneral, "sfondo tre", {"sfondo", "tre"}, true,
     "the third background value, stored as read", kSfondo, {}, false, "sfondo tre,    0"},
    {Key::kRipetizioneSegnali, L, KS::kGeneral, "ripetizione segnali 9 codici",
     {"segnali", "ripetizione"}, true,
     "the stretch with signals repeated in the cab; the key names the number of codes "
     "(error 5 when it names neither 4 nor 9)",
     kRipetizione, kRipetizioneVariants, false, "ripetizione segnali 9 codici,    0,    220000"},

    {Key::kPendenza, L, KS::kData, "pendenza", {"pendenza", ""}, false,
     "gradient g per mille from p on, up to the next gradient row; the last runs to the end of "
     "the route (but for its last two cells); rows in ascending order", kPendenza, {}, false,
     "pendenza,  500,   -3"},
    {Key::kCurva, L, KS::kData, "curvad1", {"curva", ""}, false,
     "a curve from s over l metres, drawn into the line plan; the key names its side and "
     "class, as in curvad1 or curvas3 (error 103 without a class); rows in ascending order, "
     "not overlapping",
     kCurva, kCurvaVariants, false, "curvad1,  8500,  7300"},
    {Key::kMontagna, L, KS::kData, "montagna", {"montagna", ""}, false, "a mountain stretch of type tipo from inizio to fine (at most 80)",
     kMontagna, {}, false, "montagna,   55500,  55750,  2"},
    {Key::kIndicatoriV, L, KS::kData, "indicatori_vmax", {"indicatori_v", ""}, false,
     "a board of maximum speeds (see its values below)", kIndicatori, {}, false,
     "indicatori_vmax,  1100,  80,  90,  100,  0,  ,  ,  ,  0"},
    {Key::kCartelloIndicatore, L, KS::kData, "cartello indicatore", {"cartello", "indicat"},
     false, "a sign with its text, kept in the timetable from row 80 down (at most 80)", kCartello, {}, false, "cartello indicatore,  1100,  PONTE"},

    {Key::kMassaFrenata, T, KS::kData, "percentuale massa frenata", {"frenata", "massa"}, false,
     "the braked-mass percentage (timetable row 84)", kMassaFrenata, {}, false,
     "percentuale massa frenata,    130"},
    {Key::kVetture, T, KS::kData, "numero vetture", {"vetture", ""}, false,
     "the number of coaches (row 84)", kVetture, {}, false, "numero vetture,    12"},
    {Key::kVelocita, T, KS::kData, "velocita", {"velocit", ""}, false,
     "speed limit v from p on, up to the next speed row, stored per cell as v / 5, rounded; "
     "the last runs to the end of the route (but for its last two cells); rows in ascending "
     "order", kVelocita, {}, false,
     "velocita,    1100,   100"},
    {Key::kAderenza, T, KS::kData, "aderenza", {"aderenza", ""}, false,
     "adhesion a from p on, up to the next adhesion row, stored per cell in one byte; rows in "
     "ascending order", kAderenza, {}, false,
     "aderenza,     400,    80"},
    {Key::kOrologio, T, KS::kData, "orologio", {"orologio", ""}, false,
     "the clock at the start of the run (row 86)", kOrologio, {}, true,
     "orologio,    6               51            45 "},
    {Key::kSabbia, T, KS::kData, "sabbia", {"sabbia", ""}, false, "the sand (row 86)", kSabbia, {},
     false, "sabbia,    300"},
    {Key::kSegnale, T, KS::kData, "segnale", {"segnale", ""}, false,
     "a signal (see its values below); rows in any order", kSegnale, {}, false,
     "segnale,    9900,   1, 4, 0,  0, 0,    1,  1,0,0, 0"},
    {Key::kRallentamento, T, KS::kData, "rallentamento", {"rallentamento", ""}, false,
     "a slow-down with its warning board 1200 m before it (see its values below)", kRallentamento, {}, false,
     "rallentamento,  46000,  60,  1000,  1,  1,  0"},
    {Key::kAbbattimento, T, KS::kData, "abbattimento", {"abbattimento", ""}, false,
     "a braking point in the cell p / 50 (no + 1); with a value above 0 a point with that "
     "value, otherwise one without", kAbbattimento, {}, false, "abbattimento,  11000,  100"},
    {Key::kStazione, T, KS::kData, "stazione", {"stazione", ""}, false,
     "a station with its stop and timetable (see its values below); rows in ascending order", kStazione, {}, false,
     "stazione,    3400,  2,  400,  0, 0, 0,  1,1,0,  4,1,1,    0,   0, 0, 0, BORGO"},
};

static_assert(std::size(kKeywords) == static_cast<size_t>(Key::kCount));

constexpr SyntaxMark kSyntax[] = {
    {kCommentMark,
     "an item holding a dash is a comment: up to ten in a row are skipped in the general "
     "section of the line file, up to two elsewhere"},
    {kHeaderOpen, "an item holding [ and ] ends the general section of the line file"},
    {kHeaderClose, "see ["},
};

std::span<const Keyword> active_table = kKeywords;

}  // namespace

std::span<const Keyword> keyword_table() { return active_table; }

const Keyword& keyword(Key k) {
  if (active_table.data() == kKeywords) return kKeywords[static_cast<size_t>(k)];
  for (const Keyword& entry : active_table)
    if (entry.id == k) return entry;
  return kKeywords[static_cast<size_t>(k)];
}

ScopedKeywordTable::ScopedKeywordTable(std::span<const Keyword> table)
    : previous_(active_table) {
  active_table = table;
}

ScopedKeywordTable::~ScopedKeywordTable() { active_table = previous_; }

std::span<const SyntaxMark> syntax_marks() { return kSyntax; }

bool holds_keyword(std::string_view item, const Keyword& k) {
  for (const std::string_view w : k.words) {
    if (w.empty()) continue;
    if (!(k.case_sensitive ? contains(item, w) : contains_ci(item, w))) return false;
  }
  return true;
}

bool holds_variant(std::string_view item, const KeyVariant& v) { return contains_ci(item, v.text); }

const KeyVariant* variant_held(std::string_view item, const Keyword& k, VariantRole role) {
  for (const KeyVariant& v : k.variants)
    if (v.role == role && holds_variant(item, v)) return &v;
  return nullptr;
}

}  // namespace scenarioc

namespace scenarioc {
namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// How many slips a word of this length may hold and still be suggested.
int slips_allowed(size_t length) { return length >= 9 ? 2 : length >= 4 ? 1 : 0; }

}  // namespace

int approximate_distance(std::string_view text, std::string_view word) {
  // Keys are short; a huge item is judged by its start.
  text = text.substr(0, 256);
  const size_t n = text.size(), m = word.size();
  if (m == 0) return 0;
  // Rows of the table over the positions in `text`: the word may start and
  // end anywhere in it, so the first row is all zeros.
  std::vector<int> before(n + 1, 0), prev(n + 1, 0), cur(n + 1, 0);
  for (size_t i = 1; i <= m; ++i) {
    cur[0] = static_cast<int>(i);
    for (size_t j = 1; j <= n; ++j) {
      const bool same = lower(word[i - 1]) == lower(text[j - 1]);
      int d = std::min({prev[j] + 1, cur[j - 1] + 1, prev[j - 1] + (same ? 0 : 1)});
      if (i > 1 && j > 1 && lower(word[i - 1]) == lower(text[j - 2]) &&
          lower(word[i - 2]) == lower(text[j - 1]))
        d = std::min(d, before[j - 2] + 1);
      cur[j] = d;
    }
    std::swap(before, prev);
    std::swap(prev, cur);
  }
  return *std::min_element(prev.begin(), prev.end());
}

std::vector<const Keyword*> nearest_keywords(std::string_view item, SourceRole file,
                                             KeySection section) {
  constexpr int kMissing = 3;  // a word of the keyword nowhere near
  std::vector<const Keyword*> best;
  int best_score = 0;
  for (const Keyword& k : keyword_table()) {
    if (k.file != file || k.section != section) continue;
    int score = 0;
    bool near = false;
    for (const std::string_view w : k.words) {
      if (w.empty()) continue;
      const int d = approximate_distance(item, w);
      if (d <= slips_allowed(w.size())) {
        score += d;
        near = true;
      } else {
        score += kMissing;
      }
    }
    if (!near || score == 0) continue;
    if (best.empty() || score < best_score) {
      best.assign(1, &k);
      best_score = score;
    } else if (score == best_score && best.size() < 3) {
      best.push_back(&k);
    }
  }
  return best;
}

}  // namespace scenarioc
