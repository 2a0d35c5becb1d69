// The scenario tables: everything one compilation builds before the three
// compiled files are written. The field order and widths of RouteCell and
// ScenarioRecord are those of the files; src/format/ encodes them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/diagnostics.h"
#include "model/route_origins.h"
#include "model/route_rules.h"
#include "model/track_plan.h"

namespace scenarioc {

// One 50 m cell of the route.
struct RouteCell {
  uint8_t kind = 0;
  int16_t code1 = 0;
  int16_t code2 = 0;
  int16_t code3 = 0;
  int16_t code4 = 0;
  uint8_t signal_time = 0;
  uint8_t repeat_code = 0;
  uint8_t mountain = 0;
  uint8_t speed_limit = 0;
  uint8_t gradient = 0;
  uint8_t adhesion = 0;
  friend bool operator==(const RouteCell&, const RouteCell&) = default;
};

// Occupants of a route cell (RouteCell::kind).
enum CellKind : uint8_t {
  kEmpty = 0,
  kSignal = 1,
  kSlowDownEnd = 2,
  kSlowDownStart = 3,
  kWarningBoard = 4,
  kApproach = 5,
  kSpeedBoard = 6,
  kStationStop = 10,
  kMountainMarker = 11,
  kPointWithValue = 12,
  kPointWithoutValue = 13,
  kSign = 14,
};

// A mountain marker never blocks a new occupant.
inline bool is_free(const RouteCell& c) {
  return c.kind == kEmpty || c.kind == kMountainMarker;
}

// The occupants a cell can hold, by their `kind`: the word the dump and the
// plot show for each, and the phrase the messages use. A kind not listed
// here is in no route.
struct CellKindName {
  uint8_t kind;
  std::string_view name;    // "warning board"
  std::string_view phrase;  // "a slow-down warning board"
};
inline constexpr CellKindName kCellKinds[] = {
    {kEmpty, "nothing", "nothing"},
    {kSignal, "signal", "a signal"},
    {kSlowDownEnd, "slow-down end", "the end of a slow-down"},
    {kSlowDownStart, "slow-down start", "the start of a slow-down"},
    {kWarningBoard, "warning board", "a slow-down warning board"},
    {kApproach, "approach", "an approach cell of a slow-down warning board"},
    {kSpeedBoard, "speed board", "a speed board"},
    {kStationStop, "station stop", "a station stop"},
    {kMountainMarker, "mountain marker", "a mountain marker"},
    {kPointWithValue, "braking point", "a braking point"},
    {kPointWithoutValue, "braking point without value", "a braking point"},
    {kSign, "sign", "a sign"},
};

// The word for an occupant, or "" for a kind no route holds.
constexpr std::string_view cell_kind_name(uint8_t kind) {
  for (const CellKindName& k : kCellKinds)
    if (k.kind == kind) return k.name;
  return {};
}

// What occupies a cell of that kind, in words ("a signal", "a speed board").
std::string kind_name(uint8_t kind);

// One row of the timetable.
struct ScenarioRecord {
  uint8_t type = 0;
  int32_t start_pos = 0;
  int32_t stop_pos = 0;
  int32_t position = 0;
  uint8_t byte_a = 0;
  std::string text;  // bytes in the simulator's code page (Windows-1252)
  int16_t int_a = 0;
  int16_t int_b = 0;
  int16_t int_c = 0;
  int16_t int_d = 0;
  int16_t int_e = 0;
  uint8_t byte_e = 0;
  uint8_t byte_f = 0;
  uint8_t byte_c = 0;
  uint8_t byte_d = 0;
  int32_t time_s = 0;
  friend bool operator==(const ScenarioRecord&, const ScenarioRecord&) = default;
};

constexpr int kScenarioRows = 87;         // rows 0 to 86
constexpr int kFirstSignRow = 80;         // sign texts grow downward from here
constexpr int kProgressiveRows[] = {81, 82, 83};
constexpr int kTrainDataRow = 84;         // braked mass, route length, coaches
constexpr int kLineRow = 85;              // line name, backgrounds, codes
constexpr int kTrainRow = 86;             // train number, repetition, clock
constexpr int kMountainEntries = 81;      // entries 0 to 80, used from 1


// All state of one compilation.
struct Scenario {
  TrackPlan track_plan;
  std::vector<RouteCell> route;  // cells 0 to cell_count; empty until created
  bool route_created = false;
  // The source row behind each cell's occupant, beside the route.
  RouteOrigins origins;
  std::array<ScenarioRecord, kScenarioRows> scenario_table{};
  std::array<int32_t, kMountainEntries> mountain_start{};
  std::array<int32_t, kMountainEntries> mountain_end{};
  int32_t mountain_count = 0;
  bool build_line_plan = false;  // `write_line_file`: the track plan and its file are made
  std::string train_number;
  std::string line_name;
  int32_t route_length_ext = 0;
  int32_t cell_count = 0;

  // Every failure in the order recorded.
  std::vector<Failure> failures;

  void record(Failure f);

  // Clears rows 0 to 86: every number 0, every text empty.
  void clear_scenario_table();
  // Creates the route with cells 0 to cells_last, every field 0.
  void create_route(int32_t cells_last);
  bool has_cell(int64_t c) const {
    return route_created && c >= 0 && c <= cell_count;
  }
};

}  // namespace scenarioc
