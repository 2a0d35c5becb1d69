#include "finishing/route_finishing.h"

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "finishing/finishing_walk.h"
#include "finishing/scenario_codes.h"
#include "model/error_codes.h"
#include "model/route_rules.h"

namespace scenarioc {
namespace {

// Cells outside the route are never free and never hold an occupant.
bool exists(const Scenario& s, int64_t c) {
  return s.has_cell(c) && c < static_cast<int64_t>(s.route.size());
}

bool is_kind(const Scenario& s, int64_t c, uint8_t kind) {
  return exists(s, c) && s.route[static_cast<size_t>(c)].kind == kind;
}

bool free_cell(const Scenario& s, int64_t c) {
  return exists(s, c) && is_free(s.route[static_cast<size_t>(c)]);
}

RouteCell& cell(Scenario& s, int64_t c) { return s.route[static_cast<size_t>(c)]; }
uint8_t cell_kind(const Scenario& s, int64_t c) { return s.route[static_cast<size_t>(c)].kind; }

// A mountain marker chosen for a point stops being one but keeps its
// mountain byte: only kind and value change. The point is placed for the
// occupant of `for_cell`, whose source row then stands behind it too.
void place_point(Scenario& s, int64_t c, int64_t for_cell) {
  cell(s, c).kind = kPointWithValue;
  cell(s, c).code1 = kPointValue;
  s.origins.mark_placed(c, for_cell);
}

int32_t metres(int64_t c) { return static_cast<int32_t>(c * kCellMetres); }

std::string at(int64_t c) {
  return std::to_string(metres(c)) + " m (cell " + std::to_string(c) + ")";
}

// "the signal at 23850 m (cell 478)": the position as its row gave it,
// where the cell came from a row.
std::string named(const Scenario& s, int64_t c, const std::string& what) {
  if (const SourceRow* row = s.origins.row_of(c); row && !s.origins.placed(c))
    return what + " at " + std::to_string(row->position) + " m (cell " + std::to_string(c) +
           ")";
  return what + " at " + at(c);
}

// "the speed board" for "a speed board".
std::string the_kind(uint8_t kind) {
  const std::string a = kind_name(kind);
  if (a.rfind("a ", 0) == 0) return "the " + a.substr(2);
  if (a.rfind("an ", 0) == 0) return "the " + a.substr(3);
  return a;
}

// Notes naming the rows behind the occupants of cells in the way, each
// row once.
void add_occupant_notes(const Scenario& s, std::vector<Note>& notes,
                        std::initializer_list<int64_t> cells) {
  std::vector<const SourceRow*> named_rows;
  for (const int64_t c : cells) {
    const SourceRow* row = s.origins.row_of(c);
    if (!row || !exists(s, c)) continue;
    bool seen = false;
    for (const SourceRow* r : named_rows) seen |= r == row;
    if (seen) continue;
    named_rows.push_back(row);
    Note n;
    n.message = s.origins.placed(c)
                    ? "the braking point in cell " + std::to_string(c) +
                          " was placed for the row here"
                    : the_kind(cell_kind(s, c)) + " in cell " + std::to_string(c) +
                          " comes from here";
    n.row_of_cell = c;
    notes.push_back(std::move(n));
  }
}

// The failure names the source row behind the occupant of `row_cell`.
void record(Scenario& s, ErrorCode code, int64_t c, std::string message, int64_t row_cell,
            std::vector<Note> notes = {}) {
  Failure f{number(code), metres(c), std::move(message), std::nullopt, std::move(notes)};
  if (s.origins.row_of(row_cell)) f.row_of_cell = row_cell;
  s.record(std::move(f));
}

void lower_point(Scenario& s, int64_t c) {
  cell(s, c).code1 = static_cast<int16_t>(std::min<int32_t>(kPointValue, cell(s, c).code1));
}

// The finishing walk over the scenario itself: points go into its cells,
// and a point that finds no cell is recorded as a failure naming the rows
// in the way.
struct ScenarioView {
  Scenario& s;

  int64_t last_cell() const { return s.cell_count; }
  bool exists(int64_t c) const { return scenarioc::exists(s, c); }
  bool is_kind(int64_t c, uint8_t k) const { return scenarioc::is_kind(s, c, k); }
  bool is_free(int64_t c) const { return free_cell(s, c); }
  void place(int64_t c, int64_t for_cell) { place_point(s, c, for_cell); }
  void lower(int64_t c) { lower_point(s, c); }
  int16_t code1(int64_t c) const { return s.route[static_cast<size_t>(c)].code1; }

  void no_point_behind_board(int64_t board, int64_t d) {
    std::vector<Note> notes;
    if (s.origins.row_of(board)) {
      Note n;
      n.message = "the slow-down whose warning board stands in cell " + std::to_string(board) +
                  " comes from here";
      n.row_of_cell = board;
      notes.push_back(std::move(n));
    }
    add_occupant_notes(s, notes, {d - 1, d - 2});
    const SourceRow* slow_down = s.origins.row_of(board);
    record(s, ErrorCode::kNoRoomBeforeSignal, d,
           "no free cell for the braking point in front of the " + named(s, d, "signal") +
               " behind the slow-down warning board in cell " + std::to_string(board) +
               (slow_down ? ", 1200 m before the slow-down at " +
                                std::to_string(slow_down->position) + " m"
                          : std::string()) +
               ": cells " + std::to_string(d - 1) + " and " + std::to_string(d - 2) +
               " are taken and neither is a braking point",
           d, std::move(notes));
  }

  void no_point_before_start(int64_t start, int nearest, int64_t farthest) {
    std::vector<Note> notes;
    add_occupant_notes(s, notes, {start - nearest, start - nearest - 1, start - farthest});
    record(s, ErrorCode::kNoRoomBeforeSlowDown, start,
           "no free cell for the braking point " + std::to_string(metres(nearest)) + " to " +
               std::to_string(metres(farthest)) + " m in front of the " +
               named(s, start, "slow-down") + ": cells " + std::to_string(start - nearest) +
               ", " + std::to_string(start - nearest - 1) + " and " +
               std::to_string(start - farthest) + " are taken",
           start, std::move(notes));
  }

  void no_point_inside(int64_t start, int64_t w) {
    std::vector<Note> notes;
    add_occupant_notes(s, notes, {w - 1, w, w + 1});
    record(s, ErrorCode::kNoRoomInSlowDown, w,
           "no free cell for the braking point inside the " + named(s, start, "slow-down") +
               ", due at " + at(w) + ": cells " + std::to_string(w - 1) + ", " +
               std::to_string(w) + " and " + std::to_string(w + 1) +
               " are taken; no further point is placed inside this slow-down",
           start, std::move(notes));
  }

  void no_point_before_signal(int64_t end, int64_t sig) {
    std::vector<Note> notes;
    if (s.origins.row_of(end)) {
      Note n;
      n.message = "the slow-down ending in cell " + std::to_string(end) + " comes from here";
      n.row_of_cell = end;
      notes.push_back(std::move(n));
    }
    add_occupant_notes(s, notes, {sig - 1, sig - 2});
    record(s, ErrorCode::kNoRoomInSlowDown, end,
           "no free cell for the braking point in front of the " + named(s, sig, "signal") +
               ", the first after the slow-down ending at " + at(end) + ": cells " +
               std::to_string(sig - 1) + " and " + std::to_string(sig - 2) + " are taken",
           sig, std::move(notes));
  }
};

}  // namespace

void finish_route(Scenario& s) {
  if (!s.route_created) return;
  ScenarioView view{s};
  FinishingWalk<ScenarioView>(view).run();
}

int32_t closing_checks(Scenario& s) {
  ScenarioRecord& line = s.scenario_table[kLineRow];
  // A route without cell 1 cannot carry the markers: end the run as if used.
  if (!exists(s, 1)) return number(ErrorCode::kRouteMarkerTaken);
  RouteCell& first = cell(s, 1);
  if (line.int_a != 0 || first.code1 != 0) return number(ErrorCode::kRouteMarkerTaken);
  line.int_a = kLineMarker;
  first.code1 = kRouteMarker;
  if (line.time_s != 0 || first.code2 != 0) return number(ErrorCode::kScenarioCodeTaken);
  line.time_s = timetable_scenario_code(s);
  first.code2 = route_scenario_code(s);
  return 0;
}

}  // namespace scenarioc
