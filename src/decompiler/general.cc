#include "decompiler/general.h"

#include <algorithm>

#include "compiler/order_progressives.h"
#include "compiler/runtime_failure.h"
#include "model/kilometric.h"

namespace scenarioc {
namespace {

constexpr Key kProgressiveKey[] = {Key::kProgressivaTre, Key::kProgressivaDue,
                                   Key::kProgressivaUno};  // rows 81, 82, 83

Progressive stored(const ScenarioRecord& r) { return {r.start_pos, r.stop_pos, r.position}; }

bool same(const Progressive& p, const ScenarioRecord& r) {
  return p.a == r.start_pos && p.b == r.stop_pos && p.flag == r.position;
}

}  // namespace

std::optional<std::array<Progressive, 3>> progressives_before_ordering(const Timetable& t) {
  const ScenarioRecord* rows[3] = {&t[81], &t[82], &t[83]};
  // The ordering only moves whole records and then adds 100 m where the
  // flag is 1: taken back, the records are a permutation of the lines.
  std::array<Progressive, 3> records;
  for (int i = 0; i < 3; ++i) {
    records[i] = stored(*rows[i]);
    if (records[i].flag == 1) {
      const int64_t b = int64_t{records[i].b} - kProgressiveFlagRaise;
      if (b < INT32_MIN) return std::nullopt;
      records[i].b = static_cast<int32_t>(b);
    }
  }
  int order[3] = {0, 1, 2};
  do {
    Scenario s;
    std::array<Progressive, 3> lines;
    for (int i = 0; i < 3; ++i) {
      lines[i] = records[order[i]];
      ScenarioRecord& r = s.scenario_table[81 + i];
      r.start_pos = lines[i].a;
      r.stop_pos = lines[i].b;
      r.position = lines[i].flag;
    }
    try {
      order_progressives(s);
    } catch (const RuntimeFailure&) {
      continue;
    }
    bool all = true;
    for (int i = 0; i < 3; ++i) {
      const ScenarioRecord& r = s.scenario_table[81 + i];
      all = all && r.start_pos == rows[i]->start_pos && r.stop_pos == rows[i]->stop_pos &&
            r.position == rows[i]->position;
    }
    if (all) return lines;
  } while (std::next_permutation(order, order + 3));
  // Rows cleared by a tie of the farthest starts: no lines give them as well.
  const Progressive none{};
  if (same(none, *rows[0]) && same(none, *rows[1]) && same(none, *rows[2]))
    return std::array<Progressive, 3>{};
  return std::nullopt;
}

std::vector<SourceLine> progressive_lines(const std::array<Progressive, 3>& rows) {
  std::vector<SourceLine> out;
  // Written "uno", "due", "tre", as an author lists them.
  for (int i = 2; i >= 0; --i) {
    const Progressive& p = rows[static_cast<size_t>(i)];
    if (p.empty()) continue;
    out.push_back({keyed(kProgressiveKey[i], ",    %d,    %d,    %d", p.a, p.b, p.flag),
                   ""});
  }
  return out;
}

std::vector<SourceLine> background_lines(const Timetable& t) {
  const ScenarioRecord& r = t[kLineRow];
  return {{keyed(Key::kSfondoUno, ",    %d", r.start_pos), ""},
          {keyed(Key::kSfondoDue, ",    %d", r.position), ""},
          {keyed(Key::kSfondoTre, ",    %d", r.stop_pos), ""}};
}

RepetitionLines repetition_lines(const Timetable& t) {
  const ScenarioRecord& r = t[kTrainRow];
  RepetitionLines out;
  const int32_t from = r.start_pos, to = r.stop_pos, codes = r.position;
  const Keyword& k = keyword(Key::kRipetizioneSegnali);
  // The key naming `n` codes; with none of the table's numbers, no number.
  auto key = [&k](int n) {
    return swap_variant(std::string(k.key), k, {VariantRole::kCodes},
                        find_variant(k, VariantRole::kCodes, n));
  };
  if (from == 0 && to == 0 && codes == 0) return out;
  const bool on_grid = from % 50 == 0 && to % 50 == 0;
  if (!on_grid) {
    // The stretch was stored, then refused: the number of codes is that of
    // an earlier line, if any.
    if (codes == 4 || codes == 9)
      out.lines.push_back({key(codes) + ",    0,    50",
                           "an earlier stretch that sets the number of codes the stopped "
                           "line below leaves in place"});
    out.lines.push_back({key(9) + format(",    %d,    %d", from, to),
                         "the compile these files come from stopped at this line: its stretch "
                         "is off the 50 m grid"});
    out.stops_here = true;
    return out;
  }
  if (to != 0 && codes == 0) {
    out.lines.push_back({key(0) + format(",    %d,    %d", from, to),
                         "the compile these files come from stopped at this line: its key "
                         "names no number of codes"});
    out.stops_here = true;
    return out;
  }
  out.lines.push_back(
      {key(codes == 4 ? 4 : 9) + format(",    %d,    %d", from, to), ""});
  return out;
}

std::vector<SourceLine> train_general_lines(const Timetable& t) {
  const ScenarioRecord& data = t[kTrainDataRow];
  const ScenarioRecord& train = t[kTrainRow];
  return {{keyed(Key::kVetture, ",    %d", data.position), ""},
          {keyed(Key::kMassaFrenata, ",    %d", data.start_pos), ""},
          {keyed(Key::kSabbia, ",    %d", train.int_a), ""},
          {keyed(Key::kOrologio, ",    %d    %d    %d", train.int_c, train.int_d, train.int_e),
           ""}};
}

}  // namespace scenarioc
