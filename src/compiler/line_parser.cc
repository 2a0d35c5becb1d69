// The line file: general data, then gradients, curves, mountain stretches,
// speed boards and signs into the route and the track plan.
#include <algorithm>
#include <string>

#include "compiler/cell_writers.h"
#include "compiler/parser.h"
#include "compiler/route_cell.h"
#include "compiler/order_progressives.h"
#include "compiler/runtime_failure.h"
#include "model/rounding.h"
#include "model/route_rules.h"

namespace scenarioc {
namespace {


constexpr int32_t kPlanLimit = kLongestLine;  // the plan cursor may not pass it

// The first non-blank character of a section header is not a dash: a line
// such as "-- [curve] --" is a comment, not the end of the general data.
bool ends_general_section(std::string_view item) {
  return contains(item, kHeaderOpen) && contains(item, kHeaderClose) && !item.empty() &&
         !item.starts_with(kCommentMark);
}

void create_route(Parser& p, int32_t length) {
  Scenario& s = p.s;
  s.route_length_ext = length + kRouteTail;
  s.cell_count = static_cast<int32_t>(route_last_cell(length));
  s.create_route(s.cell_count);
  if (s.build_line_plan) s.track_plan.create(s.route_length_ext);
}

void route_length(Parser& p) {
  Scenario& s = p.s;
  const int32_t length = p.reader->read_long();
  s.scenario_table[kTrainDataRow].stop_pos = length;
  if (length > kLongestLine)
    p.error_exit(ErrorCode::kRouteTooLong, std::nullopt,
                 "route length " + in_metres(length) + " is longer than the longest route of " +
                     in_metres(kLongestLine),
                 p.value_location());
  if (length < 0)
    throw RuntimeFailure("route length " + in_metres(length) + " is negative",
                         p.value_location());
  create_route(p, length);
}

void progressive(Parser& p, int row) {
  ScenarioRecord& r = p.s.scenario_table[static_cast<size_t>(row)];
  ParserState::ProgressiveRead& read = p.progressive_read[row - 81];
  r.start_pos = p.reader->read_long();
  read.a_at = RowMark{p.here.file, p.reader->last_offset(), p.reader->last_line()};
  r.stop_pos = p.reader->read_long();
  read.b_at = RowMark{p.here.file, p.reader->last_offset(), p.reader->last_line()};
  r.position = p.reader->read_long();
  read.read = true;
  read.a = r.start_pos;
  read.b = r.stop_pos;
}

void signal_repetition(Parser& p, const Keyword& k, std::string_view key) {
  ScenarioRecord& r = p.s.scenario_table[kTrainRow];
  r.start_pos = p.reader->read_long();
  const ItemMark from_at = p.value_location();
  r.stop_pos = p.reader->read_long();
  const ItemMark to_at = p.value_location();
  if (!multiple_of(r.start_pos, 50))
    p.error_exit(ErrorCode::kRepetitionStartOffGrid, std::nullopt,
                 "signal repetition starts at " + in_metres(r.start_pos) +
                     ", which is not a multiple of 50 m",
                 from_at);
  if (!multiple_of(r.stop_pos, 50))
    p.error_exit(ErrorCode::kRepetitionEndOffGrid, std::nullopt,
                 "signal repetition ends at " + in_metres(r.stop_pos) +
                     ", which is not a multiple of 50 m",
                 to_at);
  if (const KeyVariant* codes = variant_held(key, k, VariantRole::kCodes))
    r.position = codes->value;
  else
    p.error_exit(ErrorCode::kRepetitionWithoutCodes, std::nullopt,
                 "the signal repetition key names no number of codes: it must contain "
                 "4 or 9, as in '" + std::string(k.key) + "'");
  if (r.stop_pos == 0) r.position = 0;
}

// Applies the general keywords, in their order, to one key.
void general_keywords(Parser& p, std::string_view key) {
  ScenarioRecord& line_row = p.s.scenario_table[kLineRow];
  for_each_keyword_held(key, SourceRole::kLine, KeySection::kGeneral, [&](const Keyword& k) {
    p.matched(k.id);
    switch (k.id) {
      case Key::kLunghezzaPercorso: route_length(p); break;
      case Key::kProgressivaTre: progressive(p, 81); break;
      case Key::kProgressivaDue: progressive(p, 82); break;
      case Key::kProgressivaUno: progressive(p, 83); break;
      case Key::kSfondoUno: line_row.start_pos = p.reader->read_long(); break;
      case Key::kSfondoDue: line_row.position = p.reader->read_long(); break;
      case Key::kSfondoTre: line_row.stop_pos = p.reader->read_long(); break;
      case Key::kRipetizioneSegnali: signal_repetition(p, k, key); break;
      default: break;
    }
    return true;
  });
  p.check_row(key, SourceRole::kLine, KeySection::kGeneral);
}

// A gradient is stored as 100 + per mille.
uint8_t gradient_byte(CellFill& f) {
  return static_cast<uint8_t>(static_cast<uint32_t>(f.previous) + uint32_t{kGradientBias});
}

// `pendenza` rows; a gradient past the route's last cell is a runtime failure.
constexpr FillKind kGradientFill{&ParserState::gradients, &RouteCell::gradient, "gradient",
                                 "the gradient", RouteEnd::kFails, gradient_byte};

// Each data row is read by the handler named after its keyword
// (`curva_row` for "curva"), which hands what it read to the cell writer
// of the same thing where there is one (`memo_indicatori_v_max`).

// The curvature of a curve key: its class is the first class variant it
// holds; the left-hand variant bends the other way.
std::optional<double> curvature(const Keyword& curve, std::string_view key) {
  const KeyVariant* c = variant_held(key, curve, VariantRole::kClass);
  if (!c || c->value < 1 || c->value > kCurveClasses) return std::nullopt;
  const double k = kCurveClassCurvature[c->value - 1];
  return variant_held(key, curve, VariantRole::kLeft) ? -k : k;
}

// The plan up to and including metre `until`, each metre the last step
// turned by k (0 for straight track). Taken a stretch at a time, with the
// checks of each metre: a metre past the plan's last is a runtime failure,
// and on a curve the cursor may not pass the longest plan.
void plan_run(Parser& p, double k, int64_t until, bool limited) {
  TrackPlan& plan = p.s.track_plan;
  while (plan.cursor() <= until) {
    const int64_t cursor = plan.cursor();
    if (cursor > plan.last_metre())
      throw RuntimeFailure("the track plan runs past its last metre " +
                           std::to_string(plan.last_metre()) +
                           ": the curve ends beyond the route");
    int64_t n = std::min(until, int64_t{plan.last_metre()}) - cursor + 1;
    if (limited) n = std::clamp(int64_t{kPlanLimit} - cursor + 1, int64_t{1}, n);
    plan.step(k, static_cast<int32_t>(n));
    if (limited && plan.cursor() > kPlanLimit)
      p.error_exit(ErrorCode::kCurveOrPlanRefused, std::nullopt,
                   "the track plan passes " + in_metres(kPlanLimit) + ", its longest");
  }
}

Flow curva_row(Parser& p, const Keyword& curve, std::string_view key) {
  const int32_t start = p.reader->read_long();
  const ItemMark start_at = p.value_location();
  const int32_t length = p.reader->read_long();
  if (p.range_test(start, "curve", start_at) == Flow::kEndPass) return Flow::kEndPass;
  const std::optional<double> k = curvature(curve, key);
  if (!k)
    p.error_exit(ErrorCode::kCurveOrPlanRefused, std::nullopt,
                 "the curve key names no class: it must contain a digit from 1 to 6, "
                 "as in 'curvad1' or 'curvas3'");
  if (!p.s.track_plan.created() || !p.s.track_plan.seeded())
    throw RuntimeFailure("a curve needs the route, but no route length was given before it");
  plan_run(p, 0, start, true);
  plan_run(p, *k, int64_t{start} + length, true);
  return Flow::kGoOn;
}

Flow montagna_row(Parser& p) {
  const int32_t inizio = p.reader->read_long();
  const ItemMark at = p.value_location();
  const int32_t fine = p.reader->read_long();
  int32_t tipo = p.reader->read_long();
  if (p.range_test(inizio, "mountain stretch", at) == Flow::kEndPass) return Flow::kEndPass;
  if (!p.s.route_created)
    throw RuntimeFailure("a mountain stretch needs the route, but no route length was given before it");
  if (p.s.mountain_count + 1 >= kMountainEntries) p.capacity = Capacity::kMountains;
  memo_montagna(p.s, inizio, fine, tipo);
  p.capacity = Capacity::kNone;
  return Flow::kGoOn;
}

Flow indicatori_v_row(Parser& p) {
  int32_t v[9];
  v[0] = p.reader->read_long();
  const ItemMark at = p.value_location();
  for (int i = 1; i < 9; ++i) v[i] = p.reader->read_long();
  if (p.range_test(v[0], "speed board", at) == Flow::kEndPass) return Flow::kEndPass;
  const int64_t c = item_cell(v[0]);
  const uint8_t was = p.cell(c, "the speed board").kind;
  if (memo_indicatori_v_max(p.s, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]) != 0)
    p.error_exit(ErrorCode::kSpeedBoardCellTaken, v[0],
                 "speed board at " + in_metres(v[0]) + ": cell " + std::to_string(c) +
                     " is already taken by " + kind_name(was) +
                     "; a board needs a cell of its own",
                 at, p.occupant_note(c, the_kind(was)));
  return Flow::kGoOn;
}

Flow cartello_row(Parser& p) {
  const int32_t pos = p.reader->read_long();
  const ItemMark at = p.value_location();
  const std::string_view text = p.reader->read_text();
  if (p.range_test(pos, "sign", at) == Flow::kEndPass) return Flow::kEndPass;
  const int64_t c = item_cell(pos);
  RouteCell& cell = p.cell(c, "the sign");
  if (!is_free(cell))
    p.error_exit(ErrorCode::kSignCellTaken, pos,
                 "sign at " + in_metres(pos) + ": cell " + std::to_string(c) +
                     " is already taken by " + kind_name(cell.kind) +
                     "; a sign needs a cell of its own",
                 at, p.occupant_note(c, the_kind(cell.kind)));
  cell.kind = kSign;
  cell.code1 = static_cast<int16_t>(p.sign_slot);
  p.s.origins.mark(c, pos);
  if (p.sign_slot < 1) {
    p.capacity = Capacity::kSigns;
    throw RuntimeFailure("too many signs: the timetable holds at most 80 sign texts", at);
  }
  p.s.scenario_table[static_cast<size_t>(p.sign_slot)].text.assign(text);
  --p.sign_slot;
  return Flow::kGoOn;
}

// Applies the data keywords, in their order, to one key; several may act.
Flow data_keywords(Parser& p, std::string_view key) {
  Flow flow = Flow::kGoOn;
  for_each_keyword_held(key, SourceRole::kLine, KeySection::kData, [&](const Keyword& k) {
    // Without the track plan a curve is not acted upon: its values are
    // read as items of their own.
    const bool acts = k.id != Key::kCurva || p.s.build_line_plan;
    p.matched(k.id, acts);
    if (!acts) return true;
    switch (k.id) {
      case Key::kPendenza: flow = fill_row(p, kGradientFill); break;
      case Key::kCurva: flow = curva_row(p, k, key); break;
      case Key::kMontagna: flow = montagna_row(p); break;
      case Key::kIndicatoriV: flow = indicatori_v_row(p); break;
      case Key::kCartelloIndicatore: flow = cartello_row(p); break;
      default: break;
    }
    return flow == Flow::kGoOn;
  });
  if (flow == Flow::kEndPass) return Flow::kEndPass;
  p.check_row(key, SourceRole::kLine, KeySection::kData);
  return Flow::kGoOn;
}

// The general section: its comments are items holding a dash, up to ten in
// a row; it ends at the first header.
void general_pass(Parser& p) {
  p.here.phase = Phase::kGeneral;
  ItemReader& r = *p.reader;
  while (!r.at_end()) {
    std::string_view key = p.next_key();
    if (r.at_end()) {  // the last item is never interpreted
      p.last_item_unread(key);
      break;
    }
    for (int i = 0; i < 10; ++i)
      if (contains(key, kCommentMark)) key = p.next_key();
    general_keywords(p, key);
    if (ends_general_section(key)) break;
  }
}

void between_passes(Parser& p) {
  Scenario& s = p.s;
  order_progressives(s);
  s.mountain_count = 0;
  p.sign_slot = kFirstSignRow;
  p.gradients = CellFill{};
  if (s.build_line_plan) {
    if (!s.track_plan.created())
      throw RuntimeFailure("the line file gives no route length before its line data");
    s.track_plan.seed();
  }
}

// The data section, up to two comment items in a row; kEndPass when a
// position beyond the route ended it early.
Flow data_pass(Parser& p) {
  p.here.phase = Phase::kData;
  while (const std::optional<std::string_view> key = p.next_data_key())
    if (data_keywords(p, *key) == Flow::kEndPass) return Flow::kEndPass;
  return Flow::kGoOn;
}

void closing_steps(Parser& p) {
  Scenario& s = p.s;
  // The file is read whole already; only its deletion is left.
  p.consume(p.here.file);

  fill_up_to(p, kGradientFill, int64_t{s.cell_count} - 2, RouteEnd::kFails);

  if (s.build_line_plan) {
    if (!s.track_plan.seeded())
      throw RuntimeFailure("the track plan needs the route, but no route length was given");
    plan_run(p, 0, int64_t{s.route_length_ext} - 2, false);
  }
}

}  // namespace

void parse_line_file(Parser& p) {
  p.open(SourceRole::kLine);
  ItemReader& r = *p.reader;

  // A file without the header is at fault at its top, where the header belongs.
  const size_t start = r.position();
  const auto top = [&r, start] { return r.location_at(start, 1); };
  const Keyword& header_key = keyword(Key::kGenerale);
  const std::string header_name(header_key.key);
  const std::string kNoHeader = "no '" + header_name +
                                "' header: the general data of a line file start with a line '" +
                                header_name + "'";
  for (;;) {
    if (r.at_end()) p.error_exit(ErrorCode::kNoGeneralHeader, std::nullopt, kNoHeader, top());
    const std::string_view item = p.next_key();
    const bool header = holds_keyword(item, header_key);
    if (r.at_end()) {
      if (header)
        p.error_exit(ErrorCode::kNoGeneralHeader, std::nullopt,
                     "the file ends at its '" + header_name + "' header: no line data follow it");
      p.error_exit(ErrorCode::kNoGeneralHeader, std::nullopt, kNoHeader, top());
    }
    if (header) break;
  }

  general_pass(p);
  p.here.phase = Phase::kData;
  between_passes(p);
  if (data_pass(p) == Flow::kEndPass) p.read_on_after_stop(false);
  p.here.phase = Phase::kClosing;
  closing_steps(p);
}

void read_on_line_file(Parser& q) {
  read_on_through(q, [](Parser& scratch) {
    if (scratch.here.phase == Phase::kGeneral) {
      general_pass(scratch);
      scratch.here.phase = Phase::kData;
      between_passes(scratch);
    }
    scratch.here.phase = Phase::kData;
    // Without a route the data rows have nowhere to go.
    if (!scratch.s.route_created) return Flow::kGoOn;
    return data_pass(scratch);
  });
}

}  // namespace scenarioc
