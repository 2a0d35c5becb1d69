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
#include "model/route_rules.h"
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

// The routes the compiler makes: 0 to kLongestLine of line and kRouteTail
// past its end, one cell every 50 m and cell 0.
constexpr size_t kFewestRouteCells = static_cast<size_t>(kRouteTail / kCellMetres) + 1;
constexpr size_t kMostRouteCells = static_cast<size_t>((kLongestLine + kRouteTail) / kCellMetres) + 1;
static_assert(kFewestRouteCells == 141 && kMostRouteCells == 20141);
// The largest route file: the longest route's cells. A reader refuses a
// larger file before reading it.
constexpr uint64_t kLargestRouteFile = uint64_t{kMostRouteCells} * kRouteCellBytes;

// The cells of `s.route` (or of `cells`), 15 bytes each.
std::string encode_route(const Scenario& s);
std::string encode_route(std::span<const RouteCell> cells);

// The cells of a route file. Throws FormatError for a file shorter or longer
// than any route, one that ends inside a cell, or a cell of a kind no route
// holds.
std::vector<RouteCell> decode_route(std::string_view bytes);

}  // namespace scenarioc
