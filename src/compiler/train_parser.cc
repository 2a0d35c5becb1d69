// The train file: general train data, speed limits and adhesion along the
// line, stations, signals, slow-downs and braking points.
#include <string>

#include "compiler/cell_writers.h"
#include "compiler/parser.h"
#include "compiler/route_cell.h"
#include "compiler/runtime_failure.h"
#include "model/rounding.h"
#include "model/route_rules.h"

namespace scenarioc {
namespace {

// A Long field must hold the result of the arithmetic that fills it.
int32_t to_long(int64_t v, const std::string& what) {
  if (v < INT32_MIN || v > INT32_MAX)
    throw RuntimeFailure(what + " " + std::to_string(v) +
                         " does not fit a 32-bit whole number");
  return static_cast<int32_t>(v);
}

// The speed limit of a cell is stored in steps of 5 km/h, in one byte.
uint8_t speed_byte(int32_t speed) {
  const int64_t fifth = speed_steps(speed);
  if (fifth < 0 || fifth > 255)
    throw RuntimeFailure("speed limit " + std::to_string(speed) +
                         " km/h is out of range: it must lie between 0 and 1277 km/h");
  return static_cast<uint8_t>(fifth);
}

// A speed out of range fails where the next speed row (or the end of the
// file) uses it, but the fault is the row that gave it.
uint8_t carried_speed_byte(CellFill& f) {
  try {
    return speed_byte(f.previous);
  } catch (const RuntimeFailure& e) {
    const ItemMark at = f.previous_at;
    // The speed is told once: reading on after this failure does not use
    // it again (the compile itself stops here).
    f.previous = 0;
    if (!at.reader) throw;
    throw RuntimeFailure(e.what(), at);
  }
}

uint8_t adhesion_byte(CellFill& f) { return static_cast<uint8_t>(f.previous); }

// `velocita` rows stop writing at the route's last cell without a failure,
// where gradient and adhesion rows fail with code 25 on the cell past it:
// the speed fill alone tests the cursor against the route's length before
// each cell, as the compiler this format was made for did. The cursor gets
// there when rows stand at or behind it, since each row writes at least one
// cell. Scenarios compiled before rely on both behaviours, so both stay.
// The closing tail of both lists always fails past the route.
constexpr FillKind kSpeedFill{&ParserState::speeds, &RouteCell::speed_limit, "speed limit",
                              "the speed limit", RouteEnd::kStops, carried_speed_byte};
// `aderenza` rows: the low byte of the value.
constexpr FillKind kAdhesionFill{&ParserState::adhesion, &RouteCell::adhesion, "adhesion",
                                 "the adhesion", RouteEnd::kFails, adhesion_byte};

// Each data row is read by the handler named after its keyword
// (`segnale_row` for "segnale"), which hands what it read to the cell writer
// of the same thing where there is one (`memo_segnale`).

Flow segnale_row(Parser& p) {
  int32_t v[11];
  v[0] = p.reader->read_long();
  const ItemMark at = p.value_location();
  for (int i = 1; i < 11; ++i) v[i] = p.reader->read_long();
  if (p.range_test(v[0], "signal", at) == Flow::kEndPass) return Flow::kEndPass;
  const int64_t c = item_cell(v[0]);
  const uint8_t was = p.cell(c, "the signal").kind;
  if (memo_segnale(p.s, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9],
                   v[10]) != 0)
    p.error_exit(ErrorCode::kSignalCellTaken, v[0],
                 "signal at " + in_metres(v[0]) + ": cell " + std::to_string(c) +
                     " is already taken by " + kind_name(was) +
                     "; a signal needs a cell of its own",
                 at, p.occupant_note(c, the_kind(was)));
  if (p.ctx && !p.read_on.active) ++p.ctx->signals;
  return Flow::kGoOn;
}

std::string slow_down_message(const Parser& p, ErrorCode code, int32_t x, int32_t l) {
  auto taken = [&p](int64_t c) {
    return "cell " + std::to_string(c) + " is already taken by " +
           (p.s.has_cell(c) ? kind_name(p.s.route[static_cast<size_t>(c)].kind)
                            : std::string("nothing"));
  };
  const std::string head = "slow-down at " + in_metres(x) + ": ";
  const SlowDownCells cells = slow_down_cells(x, l);
  switch (code) {
    case ErrorCode::kWarningBoardCellTaken:
      return head + "its warning board 1200 m before the start needs a free cell, but " +
             taken(cells.warning);
    case ErrorCode::kSlowDownStartCellTaken:
      return head + "its start needs a free cell, but " + taken(cells.start);
    case ErrorCode::kSlowDownEndCellTaken:
      return head + "its end at " + in_metres(int64_t{x} + l) + " needs a free cell, but " +
             taken(cells.end);
    default: {
      const int64_t k = cells.approach;
      return head + "the four approach cells " + std::to_string(k - 3) + " to " +
             std::to_string(k) + " in front of its warning board must be free, but one "
             "is taken";
    }
  }
}

// The cell whose occupant made a slow-down fail with `code`.
int64_t slow_down_taken_cell(const Parser& p, ErrorCode code, int32_t x, int32_t l) {
  const SlowDownCells cells = slow_down_cells(x, l);
  switch (code) {
    case ErrorCode::kWarningBoardCellTaken: return cells.warning;
    case ErrorCode::kSlowDownStartCellTaken: return cells.start;
    case ErrorCode::kSlowDownEndCellTaken: return cells.end;
    default: {
      const int64_t k = cells.approach;
      for (int64_t c = k; c > k - kApproachCells; --c)
        if (p.s.has_cell(c) && !is_free(p.s.route[static_cast<size_t>(c)])) return c;
      return k;
    }
  }
}

Flow rallentamento_row(Parser& p) {
  int32_t v[6];
  v[0] = p.reader->read_long();
  const ItemMark at = p.value_location();
  for (int i = 1; i < 6; ++i) v[i] = p.reader->read_long();
  if (p.range_test(v[0], "slow-down", at) == Flow::kEndPass) return Flow::kEndPass;
  if (!p.s.route_created)
    throw RuntimeFailure("a slow-down needs the route, but the line file gives no route length");
  if (const int32_t taken_code = memo_rallentamento(p.s, v[0], v[1], v[2], v[3], v[4], v[5])) {
    const ErrorCode code{taken_code};
    const int64_t taken = slow_down_taken_cell(p, code, v[0], v[2]);
    const uint8_t kind = p.s.has_cell(taken) ? p.s.route[static_cast<size_t>(taken)].kind : 0;
    p.error_exit(code, v[0], slow_down_message(p, code, v[0], v[2]), at,
                 p.occupant_note(taken, the_kind(kind)));
  }
  if (p.ctx && !p.read_on.active) ++p.ctx->slow_downs;
  return Flow::kGoOn;
}

Flow abbattimento_row(Parser& p) {
  const int32_t pos = p.reader->read_long();
  const ItemMark at = p.value_location();
  const int32_t value = p.reader->read_long();
  if (p.range_test(pos, "braking point", at) == Flow::kEndPass) return Flow::kEndPass;
  const int64_t c = point_cell(pos);
  RouteCell& cell = p.cell(c, "the braking point");
  if (!is_free(cell))
    p.error_exit(ErrorCode::kBrakingPointCellTaken, pos,
                 "braking point at " + in_metres(pos) + ": cell " + std::to_string(c) +
                     " is already taken by " + kind_name(cell.kind) +
                     "; a point needs a free cell",
                 at, p.occupant_note(c, the_kind(cell.kind)));
  if (value > 0) {
    cell.kind = kPointWithValue;
    cell.code1 = static_cast<int16_t>(value);
  } else {
    cell.kind = kPointWithoutValue;
  }
  p.s.origins.mark(c, pos);
  return Flow::kGoOn;
}

// A station line: its fields are read and stored one by one, so that an
// error exit leaves in the row what was read before it.
Flow stazione_row(Parser& p) {
  Scenario& s = p.s;
  ItemReader& r = *p.reader;
  const int32_t row_index = p.station_row;
  if (row_index < 1 || row_index >= kScenarioRows)
    throw RuntimeFailure("station row " + std::to_string(row_index) +
                         " lies outside the timetable");
  ScenarioRecord& row = s.scenario_table[static_cast<size_t>(row_index)];

  row.position = r.read_long();
  const ItemMark at = p.value_location();
  const int32_t pos = row.position;
  if (p.range_test(pos, "station", at, 800) == Flow::kEndPass) return Flow::kEndPass;
  if (!multiple_of(pos, 50))
    p.error_exit(ErrorCode::kStationOffGrid, pos, "station position " + in_metres(pos) + " is not a multiple of 50 m",
                 at);
  row.type = r.read_byte();
  const int32_t length = r.read_long();
  const ItemMark length_at = p.value_location();
  if (!multiple_of(length, 100))
    p.error_exit(ErrorCode::kStationLengthOffGrid, pos,
                 "station at " + in_metres(pos) + ": its length " + in_metres(length) +
                     " is not a multiple of 100 m",
                 length_at);
  row.byte_a = r.read_byte();
  row.byte_d = r.read_byte();
  row.byte_c = r.read_byte();
  row.int_a = r.read_integer();
  row.int_b = r.read_integer();
  row.byte_e = r.read_byte();
  row.int_c = r.read_integer();
  row.int_d = r.read_integer();
  row.int_e = r.read_integer();
  row.byte_f = r.read_byte();
  const int64_t hours = r.read_long();
  const int64_t minutes = r.read_long();
  const int64_t seconds = r.read_long();
  row.time_s = to_long((hours * 60 + minutes) * 60 + seconds, "the station's time");
  const std::string_view name = r.read_text();
  row.text.assign(name);

  // The station area: from where the train enters it to where it stops.
  // Kinds 5 to 8 have no shifted stop; kinds 5 and 6 check their stop first.
  if (row.type >= 5 && row.type <= 8) row.byte_c = 0;
  const StationArea area = station_area(row.type, pos, length, row.byte_c != 0);
  if (row.type == 5 || row.type == 6)
    row.stop_pos = to_long(area.stop, "the station's stop");
  row.start_pos = to_long(area.start, "the station's start");
  row.stop_pos = to_long(area.stop, "the station's stop");
  if (length < 600) row.byte_d = 0;
  if (row_index == 1) {
    row.byte_c = 0;
    row.byte_d = 0;
  }

  if (station_has_marks(row.type)) {
    for (int k = 1; k <= kStationMarks; ++k) {
      if (const std::optional<int64_t> q = station_cell(row.stop_pos, k))
        p.cell(*q, "the station's approach mark").repeat_code =
            static_cast<uint8_t>(kStationMarkCode + k);
    }
  }
  if (station_stops(row.type)) {
    const std::optional<int64_t> q = station_cell(row.stop_pos, 0);
    if (!q)
      p.error_exit(ErrorCode::kStopTooNearStart, std::nullopt,
                   "station at " + in_metres(pos) + " stops at " + in_metres(row.stop_pos) +
                       ", too near the start of the route: its stop must lie beyond 100 m",
                   at);
    RouteCell& stop = p.cell(*q, "the station's stop");
    stop.kind = kStationStop;
    stop.code1 = static_cast<int16_t>(row_index);
    s.origins.mark(*q, pos);
  }

  if (row_index > 1) {
    const int32_t previous_stop = s.scenario_table[static_cast<size_t>(row_index - 1)].stop_pos;
    if (int64_t{row.start_pos} - 350 < previous_stop) {
      std::vector<Note> notes;
      const ParserState::Ordered& before =
          p.order[static_cast<size_t>(OrderedList::kStations)];
      if (before.seen)
        notes.push_back(Note{"the previous station comes from here", p.locate_row(before.at)});
      p.error_exit(ErrorCode::kStationsTooClose, pos,
                   "station at " + in_metres(pos) + " starts at " + in_metres(row.start_pos) +
                       ", less than 350 m after the previous station's stop at " +
                       in_metres(previous_stop),
                   at, std::move(notes));
    }
  }
  ++p.station_row;
  if (p.station_row >= p.sign_slot) {
    p.capacity = Capacity::kStations;
    p.error_exit(ErrorCode::kTooManyStations, std::nullopt,
                 "too many stations: the timetable rows of the stations have reached "
                 "those of the signs (row " + std::to_string(p.sign_slot) +
                     "); at most 78 stations fit, one fewer for each sign",
                 at);
  }
  if (p.ctx && !p.read_on.active) ++p.ctx->stations;
  return Flow::kGoOn;
}

// Applies the train keywords, in their order, to one key; several may act.
Flow train_keywords(Parser& p, std::string_view key) {
  Scenario& s = p.s;
  ItemReader& r = *p.reader;
  Flow flow = Flow::kGoOn;
  for_each_keyword_held(key, SourceRole::kTrain, KeySection::kData, [&](const Keyword& k) {
    p.matched(k.id);
    switch (k.id) {
      case Key::kMassaFrenata: s.scenario_table[kTrainDataRow].start_pos = r.read_long(); break;
      case Key::kVetture: s.scenario_table[kTrainDataRow].position = r.read_long(); break;
      case Key::kVelocita: flow = fill_row(p, kSpeedFill); break;
      case Key::kAderenza: flow = fill_row(p, kAdhesionFill); break;
      case Key::kOrologio: {
        ScenarioRecord& row = s.scenario_table[kTrainRow];
        row.int_c = r.read_integer();
        row.int_d = r.read_integer();
        row.int_e = r.read_integer();
        break;
      }
      case Key::kSabbia: s.scenario_table[kTrainRow].int_a = r.read_integer(); break;
      case Key::kSegnale: flow = segnale_row(p); break;
      case Key::kRallentamento: flow = rallentamento_row(p); break;
      case Key::kAbbattimento: flow = abbattimento_row(p); break;
      case Key::kStazione: flow = stazione_row(p); break;
      default: break;
    }
    return flow == Flow::kGoOn;
  });
  if (flow == Flow::kEndPass) return Flow::kEndPass;
  p.check_row(key, SourceRole::kTrain, KeySection::kData);
  return Flow::kGoOn;
}

// The train file's rows; kEndPass when a position beyond the route ended
// them early.
Flow data_pass(Parser& p) {
  p.here.phase = Phase::kData;
  while (const std::optional<std::string_view> key = p.next_data_key())
    if (train_keywords(p, *key) == Flow::kEndPass) return Flow::kEndPass;
  return Flow::kGoOn;
}

// Items are read until one holds the header of the general data; false
// when the file ends first.
bool find_header(Parser& p) {
  ItemReader& r = *p.reader;
  bool header = false;
  while (!r.at_end())
    if (holds_keyword(p.next_key(), keyword(Key::kGenerale))) {
      header = true;
      break;
    }
  p.speeds.cursor = 0;
  p.adhesion.cursor = 0;
  p.station_row = 1;
  return header;
}

// The progressive that is off the 50 m grid, first in its file: the fault
// is there, though the check runs on the rows as ordered.
SourceLocation progressive_location(const Parser& p) {
  const ParserState::ProgressiveRead* first = nullptr;
  const RowMark* at = nullptr;
  for (const ParserState::ProgressiveRead& r : p.progressive_read) {
    if (!r.read) continue;
    const RowMark* bad = !multiple_of(r.a, 50)   ? &r.a_at
                         : !multiple_of(r.b, 50) ? &r.b_at
                                                 : nullptr;
    if (bad && (!at || bad->line < at->line)) {
      first = &r;
      at = bad;
    }
  }
  if (!first) return SourceLocation{p.input.label(SourceRole::kLine), 0, 0, ""};
  return p.locate_row(*at);
}

void closing_steps(Parser& p, bool release = true) {
  Scenario& s = p.s;
  if (release) p.consume(p.here.file);
  fill_up_to(p, kSpeedFill, int64_t{s.cell_count} - 2, RouteEnd::kFails);
  fill_up_to(p, kAdhesionFill, int64_t{s.cell_count} - 2, RouteEnd::kFails);

  for (int row = 81; row <= 83; ++row) {
    const ScenarioRecord& r = s.scenario_table[static_cast<size_t>(row)];
    // The progressives come from the line file; the failure names that file.
    if (!multiple_of(r.start_pos, 50) || !multiple_of(r.stop_pos, 50)) {
      p.record(ErrorCode::kProgressiveOffGrid, std::nullopt,
               "kilometric progressive in timetable row " + std::to_string(row) + " (" +
                   std::to_string(r.start_pos) + ", " + std::to_string(r.stop_pos) +
                   " m after ordering): both values must be multiples of 50 m",
               progressive_location(p));
      break;
    }
  }
}

}  // namespace

void parse_train_file(Parser& p) {
  p.open(SourceRole::kTrain);
  if (find_header(p) && data_pass(p) == Flow::kEndPass) p.read_on_after_stop(false);
  p.here.phase = Phase::kClosing;
  closing_steps(p);
}

void read_on_train_file(Parser& q, bool from_start) {
  if (!q.s.route_created) return;
  try {
    if (from_start) {
      q.open(SourceRole::kTrain);
      q.read_on.last_resume = 0;
      if (!find_header(q)) return;
    }
  } catch (const RuntimeFailure& f) {
    q.record_runtime_failure(f);
    return;
  }
  read_on_through(q, data_pass);
  // The tails and the progressives, as the compile would check them; the
  // file is not let go, the compile does that.
  q.here.phase = Phase::kClosing;
  try {
    closing_steps(q, /*release=*/false);
  } catch (const RuntimeFailure& f) {
    q.record_runtime_failure(f);
  }
}

}  // namespace scenarioc
