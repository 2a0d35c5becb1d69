#include "decompiler/decompile.h"

#include <algorithm>

#include "compiler/display_text.h"
#include "compiler/text_encoding.h"
#include "decompiler/fills.h"
#include "decompiler/finishing_points.h"
#include "decompiler/general.h"
#include "decompiler/mountains.h"
#include "decompiler/plan_curves.h"
#include "decompiler/proof.h"
#include "decompiler/route_items.h"
#include "finishing/scenario_codes.h"
#include "model/rounding.h"
#include "model/route_rules.h"

namespace scenarioc {
namespace {


// How far the compile these files come from read the line file.
enum class LineStop {
  kInGeneral,  // in its general data: nothing of the line's data was stored
  kInData,     // in its data: the closing tails and the whole train file are missing
  kAtEnd,
};

const char* const kStoppedHere =
    "the compile these files come from stopped here: the line below is not a "
    "number and stops this one at the same point";

bool any_cell(const std::vector<RouteCell>& cells, bool (*test)(const RouteCell&)) {
  return std::any_of(cells.begin(), cells.end(), test);
}

// Anything the train file writes: cells, rows and general values.
bool train_kept(const std::vector<RouteCell>& cells, const Timetable& t) {
  const bool in_cells = any_cell(cells, [](const RouteCell& c) {
    return c.speed_limit != 0 || c.adhesion != 0 || c.repeat_code != 0 || c.signal_time != 0 ||
           (c.kind >= kSignal && c.kind <= kApproach) || c.kind == kStationStop ||
           c.kind == kPointWithValue || c.kind == kPointWithoutValue;
  });
  const ScenarioRecord& data = t[kTrainDataRow];
  const ScenarioRecord& train = t[kTrainRow];
  return in_cells || data.start_pos != 0 || data.position != 0 || train.int_a != 0 ||
         train.int_c != 0 || train.int_d != 0 || train.int_e != 0 ||
         std::any_of(t.begin() + 1, t.begin() + kFirstSignRow, [](const ScenarioRecord& r) {
           return r.type != 0 || r.position != 0 || r.start_pos != 0 || r.stop_pos != 0 ||
                  r.time_s != 0;
         });
}

// Anything the line file's data writes into the cells.
bool line_data_kept(const std::vector<RouteCell>& cells) {
  return any_cell(cells, [](const RouteCell& c) {
    return c.gradient != 0 || c.mountain != 0 || c.kind == kSpeedBoard ||
           c.kind == kMountainMarker || c.kind == kSign;
  });
}

std::vector<uint8_t> field(const std::vector<RouteCell>& cells, uint8_t RouteCell::*f) {
  std::vector<uint8_t> out;
  out.reserve(cells.size());
  for (const RouteCell& c : cells) out.push_back(c.*f);
  return out;
}

std::vector<SourceLine> fill_source(const std::vector<RouteCell>& cells, uint8_t RouteCell::*f,
                                    FillField kind, bool tail, Key key, const char* fmt) {
  std::vector<SourceLine> out;
  for (const FillLine& l : fill_lines(field(cells, f), kind, tail))
    out.push_back({key_of(key) + format(fmt, l.position, l.value),
                   l.push ? "past the last position a line may name each line at 50 m only "
                            "moves the compiler's cursor one cell on"
                          : ""});
  return out;
}

// A source's text for the author's editor: UTF-8 when every byte of the
// simulator's code page has a character, its own bytes otherwise.
std::string for_editor(const std::string& bytes) {
  if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
    return bytes;
  if (std::optional<std::string> utf8 = windows_1252_to_source_utf8(bytes)) return *utf8;
  return bytes;
}

CompiledBytes bytes_of(const CompiledScenario& files) {
  Scenario s;
  s.route = files.route;
  s.scenario_table = files.timetable;
  CompiledBytes b{encode_route(s), encode_timetable(s), nullptr};
  if (files.plan) b.plan = &*files.plan;
  return b;
}

}  // namespace

DecompiledSources decompile(const CompiledScenario& files, const std::string& line_name,
                            const std::string& train_number) {
  DecompiledSources out;
  const Timetable& t = files.timetable;
  if (files.route.size() < 3) throw NotCompiledFiles("the route file holds fewer than 3 cells");
  const int32_t cell_count = static_cast<int32_t>(files.route.size()) - 1;

  // Cell 1 and row 85 carry the compiler's markers and the codes of the
  // names; without the markers no compilation wrote these files.
  if (files.route[1].code1 != kRouteMarker || t[kLineRow].int_a != kLineMarker)
    throw NotCompiledFiles("the route and timetable files lack the compiler's markers (5121 in "
                           "cell 1, 610 in row 85)");
  {
    Scenario names;
    names.scenario_table[kLineRow].text = line_name;
    names.scenario_table[kTrainRow].text = train_number;
    const int32_t st = timetable_scenario_code(names);
    const int16_t og = route_scenario_code(names);
    if (t[kLineRow].text != line_name || t[kTrainRow].text != train_number ||
        t[kLineRow].time_s != st || files.route[1].code2 != og)
      out.notes.push_back("the files were compiled as line '" + shown_source(t[kLineRow].text, 200) +
                          "', train '" + shown_source(t[kTrainRow].text, 200) +
                          "': sources named after line '" + shown_source(line_name, 200) +
                          "', train '" + shown_source(train_number, 200) +
                          "' give other bytes in cell 1 and row 85");
  }
  // Rows 81 to 86 hold the general data in fixed fields; no line writes the others.
  for (int row = 81; row <= kTrainRow; ++row) {
    const ScenarioRecord& r = t[static_cast<size_t>(row)];
    const bool named = row == kLineRow || row == kTrainRow;  // a text and int_a
    const bool clock = row == kTrainRow;
    if (r.type != 0 || r.byte_a != 0 || (!named && (!r.text.empty() || r.int_a != 0)) ||
        r.int_b != 0 || (!clock && (r.int_c != 0 || r.int_d != 0 || r.int_e != 0)) ||
        r.byte_e != 0 || r.byte_f != 0 || r.byte_c != 0 || r.byte_d != 0 ||
        (row != kLineRow && r.time_s != 0))
      throw NotCompiledFiles("timetable row " + std::to_string(row) +
                             " holds values in fields the compiler leaves empty there");
  }
  std::vector<RouteCell> cells = files.route;
  cells[1].code1 = 0;
  cells[1].code2 = 0;

  // The route length: the plan's last metre holds it exactly; the route's
  // cells to within 25 m, and row 84 as read.
  int32_t length = t[kTrainDataRow].stop_pos;
  bool length_refused = false;  // a later length line the compile refused
  if (files.plan) {
    length = files.plan->last_metre() - kRouteTail;
    if (route_last_cell(length) != cell_count)
      throw NotCompiledFiles("the line plan's " + std::to_string(files.plan->last_metre() + 1) +
                             " metres do not fit a route of " + std::to_string(cell_count + 1) +
                             " cells");
  } else if (route_last_cell(length) != cell_count ||
             length < 0 || length > kLongestLine) {
    length = cell_count * kCellMetres - kRouteTail;
  }
  if (t[kTrainDataRow].stop_pos != length) {
    if (t[kTrainDataRow].stop_pos >= 0 && t[kTrainDataRow].stop_pos <= kLongestLine)
      throw NotCompiledFiles("row 84 holds a route length of " +
                             std::to_string(t[kTrainDataRow].stop_pos) + " m, but the route has " +
                             std::to_string(cell_count + 1) + " cells");
    length_refused = true;
  }

  std::optional<PlanShape> shape;
  if (files.plan) shape = read_plan_shape(*files.plan);
  else out.notes.push_back("no line plan file: the sources carry no curves, and the plan is not compared");

  // Where the compile stopped.
  const bool train = train_kept(cells, t);
  const bool line_data = line_data_kept(cells);
  const std::optional<std::array<Progressive, 3>> progressives = progressives_before_ordering(t);
  const RepetitionLines repetition = repetition_lines(t);
  LineStop line_stop = LineStop::kAtEnd;
  if (length_refused || repetition.stops_here || (shape && !shape->seeded) || !progressives) {
    line_stop = LineStop::kInGeneral;
  } else if (shape ? shape->last_computed < shape->last_metre - 2
                   : !train && cells[static_cast<size_t>(cell_count - 3)].gradient == 0) {
    line_stop = LineStop::kInData;
  }
  if (line_stop == LineStop::kInGeneral && (line_data || train || (shape && shape->seeded)))
    throw NotCompiledFiles("the line's general data are those of a compile that stopped in them, "
                           "yet the route holds line data");
  if (line_stop == LineStop::kInData && train)
    throw NotCompiledFiles("the line plan stops short, as when the compile stopped in the line "
                           "file, yet the route holds what a train file writes");

  // The items on the route and the order of the train file.
  RouteItems items;
  if (line_stop != LineStop::kInGeneral) {
    items = read_route_items(cells, t, train ? source_points_at_180(cells) : std::vector<int64_t>{});
  }
  MountainLines mountains;
  if (line_stop != LineStop::kInGeneral) mountains = mountain_lines(cells);
  for (const std::string& p : items.problems) out.notes.push_back(p);
  if (!mountains.problem.empty()) out.notes.push_back(mountains.problem);

  // The line file.
  std::vector<SourceSection> line;
  {
    SourceSection general{key_of(Key::kGenerale), {}};
    general.lines.push_back({keyed(Key::kLunghezzaPercorso, ",    %d", length), ""});
    std::array<Progressive, 3> rows;
    if (line_stop == LineStop::kInGeneral) {
      for (int i = 0; i < 3; ++i)
        rows[i] = {t[81 + i].start_pos, t[81 + i].stop_pos, t[81 + i].position};
    } else {
      rows = *progressives;
    }
    for (SourceLine& l : progressive_lines(rows)) general.lines.push_back(std::move(l));
    for (SourceLine& l : background_lines(t)) general.lines.push_back(std::move(l));
    for (const SourceLine& l : repetition.lines) general.lines.push_back(l);
    if (length_refused) {
      general.lines.push_back({keyed(Key::kLunghezzaPercorso, ",    %d", t[kTrainDataRow].stop_pos),
                               "the compile these files come from stopped at this route "
                               "length: the route kept the one before"});
    } else if (line_stop == LineStop::kInGeneral && !repetition.stops_here) {
      general.lines.push_back({keyed(Key::kSfondoUno, ",    STOP"), kStoppedHere});
    }
    line.push_back(std::move(general));
  }
  const bool line_tail = line_stop == LineStop::kAtEnd;
  SourceSection curves{key_of(Key::kCurveHeader), {}};
  if (shape && line_stop != LineStop::kInGeneral) curves.lines = curve_lines(*shape, line_tail, cell_count);
  line.push_back(std::move(curves));
  SourceSection gradients{key_of(Key::kPendenzeHeader), {}};
  if (line_stop != LineStop::kInGeneral)
    gradients.lines = fill_source(cells, &RouteCell::gradient, FillField::kGradient, line_tail,
                                  Key::kPendenza, ",  %d,   %d");
  line.push_back(std::move(gradients));
  SourceSection mountain_section{key_of(Key::kMontagneHeader), {}};
  for (const MountainLine& m : mountains.lines)
    mountain_section.lines.push_back(
        {keyed(Key::kMontagna, ",   %d,  %d,  %d", m.inizio, m.fine, m.tipo), m.why});
  line.push_back(std::move(mountain_section));
  line.push_back({key_of(Key::kCartelliHeader), items.boards});
  SourceSection signs{key_of(Key::kIndicazioniHeader), items.signs};
  if (line_stop == LineStop::kInData) signs.lines.push_back({keyed(Key::kPendenza, ",  STOP"), kStoppedHere});
  line.push_back(std::move(signs));
  line.push_back({key_of(Key::kFineHeader), {}});

  // The train file.
  std::vector<SourceSection> train_file;
  std::string train_heading = "train recovered by scenarioc decompile";
  if (line_stop == LineStop::kAtEnd) {
    const bool train_tail = items.stop != TrainStop::kAtItem;
    train_file.push_back({key_of(Key::kGenerale), train_general_lines(t)});
    train_file.push_back({key_of(Key::kAderenzeHeader),
                          fill_source(cells, &RouteCell::adhesion, FillField::kAdhesion,
                                      train_tail, Key::kAderenza, ",  %d,    %d")});
    train_file.push_back({key_of(Key::kVelLimiteHeader),
                          fill_source(cells, &RouteCell::speed_limit, FillField::kSpeed,
                                      train_tail, Key::kVelocita, ",  %d,   %d")});
    train_file.push_back({key_of(Key::kStazioniHeader), items.stations});
    train_file.push_back({key_of(Key::kRallentamentiHeader), items.slow_downs});
    SourceSection signals{key_of(Key::kSegnaliHeader), items.signals};
    for (const SourceLine& l : items.last) signals.lines.push_back(l);
    train_file.push_back(std::move(signals));
  } else {
    train_heading += ": the compile these files come from stopped in the line file and read "
                     "nothing of the train";
    for (const Key header : {Key::kGenerale, Key::kAderenzeHeader, Key::kVelLimiteHeader,
                             Key::kStazioniHeader, Key::kRallentamentiHeader, Key::kSegnaliHeader})
      train_file.push_back({key_of(header), {}});
  }
  train_file.push_back({key_of(Key::kCodiciHeader), {}});
  train_file.push_back({key_of(Key::kFineHeader), {}});

  out.line_text = for_editor(render_source("line recovered by scenarioc decompile", line));
  out.train_text = for_editor(render_source(train_heading, train_file));
  out.mismatches = prove(out.line_text, out.train_text, line_name, train_number, bytes_of(files));
  return out;
}

}  // namespace scenarioc
