// The route file, L_T.dat: every cell of the route, cell 0 first, 15 bytes
// a cell, its fields packed in the order below; cell c starts at byte 15 c.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "format/record_fields.h"
#include "model/scenario_tables.h"

namespace scenarioc {

inline constexpr auto kRouteCellFields = std::tuple{
    Field<&RouteCell::kind>{"kind"},
    Field<&RouteCell::code1>{"code1"},
    Field<&RouteCell::code2>{"code2"},
    Field<&RouteCell::code3>{"code3"},
    Field<&RouteCell::code4>{"code4"},
    Field<&RouteCell::signal_time>{"signal_time"},
    Field<&RouteCell::repeat_code>{"repeat_code"},
    Field<&RouteCell::mountain>{"mountain"},
    Field<&RouteCell::speed_limit>{"speed_limit"},
    Field<&RouteCell::gradient>{"gradient"},
    Field<&RouteCell::adhesion>{"adhesion"},
};

constexpr size_t kRouteCellBytes = 15;
static_assert(fixed_bytes(kRouteCellFields) == kRouteCellBytes);

// The metres a cell stands for: cell c covers the metres around 50 c.
constexpr int32_t kCellMetres = 50;

// The routes the compiler makes: 0 to 1000000 m of line and 7000 m past its
// end, one cell every 50 m and cell 0.
constexpr size_t kFewestRouteCells = 141;
constexpr size_t kMostRouteCells = 20141;
static_assert(kMostRouteCells == (kLongestLine + kRouteRunOff) / kCellMetres + 1);
// The largest route file: the longest route's cells. A reader refuses a
// larger file before reading it.
constexpr uint64_t kLargestRouteFile = uint64_t{kMostRouteCells} * kRouteCellBytes;

// The occupants a cell can hold, by their `kind`, with the word the dump
// shows for each. A kind not listed here is in no route.
struct CellKindName {
  uint8_t kind;
  std::string_view name;
};
inline constexpr CellKindName kCellKinds[] = {
    {kEmpty, "nothing"},
    {kSignal, "signal"},
    {kSlowDownEnd, "slow-down end"},
    {kSlowDownStart, "slow-down start"},
    {kWarningBoard, "warning board"},
    {kApproach, "approach"},
    {kSpeedBoard, "speed board"},
    {kStationStop, "station stop"},
    {kMountainMarker, "mountain marker"},
    {kPointWithValue, "braking point"},
    {kPointWithoutValue, "braking point without value"},
    {kSign, "sign"},
};

// The word for an occupant, or "" for a kind no route holds.
constexpr std::string_view cell_kind_name(uint8_t kind) {
  for (const CellKindName& k : kCellKinds)
    if (k.kind == kind) return k.name;
  return {};
}

// The cells of `s.route` (or of `cells`), 15 bytes each.
std::string encode_route(const Scenario& s);
std::string encode_route(std::span<const RouteCell> cells);

// The cells of a route file. Throws FormatError for a file shorter or longer
// than any route, one that ends inside a cell, or a cell of a kind no route
// holds.
std::vector<RouteCell> decode_route(std::string_view bytes);

}  // namespace scenarioc
