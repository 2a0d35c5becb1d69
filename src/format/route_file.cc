#include "format/route_file.h"

#include "format/format_error.h"

namespace scenarioc {

std::string encode_route(const Scenario& s) { return encode_route(std::span(s.route)); }

std::string encode_route(std::span<const RouteCell> cells) {
  std::string out(cells.size() * kRouteCellBytes, '\0');
  char* p = out.data();
  for (const RouteCell& c : cells) p = put_fields(p, kRouteCellFields, c);
  return out;
}

std::vector<RouteCell> decode_route(std::string_view bytes) {
  const size_t size = bytes.size();
  const size_t whole = size / kRouteCellBytes;
  if (whole < kFewestRouteCells)
    throw FormatError(size, "the file ends after " + std::to_string(size) +
                                " bytes; the shortest route has " +
                                std::to_string(kFewestRouteCells) + " cells of " +
                                std::to_string(kRouteCellBytes) + " bytes, " +
                                std::to_string(kFewestRouteCells * kRouteCellBytes) + " bytes");
  if (size % kRouteCellBytes != 0)
    throw FormatError(whole * kRouteCellBytes,
                      "the file ends inside cell " + std::to_string(whole) + ", " +
                          std::to_string(size % kRouteCellBytes) + " bytes into its " +
                          std::to_string(kRouteCellBytes));
  if (whole > kMostRouteCells)
    throw FormatError(kMostRouteCells * kRouteCellBytes, "the file holds " + std::to_string(whole) +
                                                             " cells; the longest route has " +
                                                             std::to_string(kMostRouteCells));
  std::vector<RouteCell> cells(whole);
  const char* p = bytes.data();
  for (size_t c = 0; c < whole; ++c) {
    const size_t at = c * kRouteCellBytes;
    get_fields(p + at, kRouteCellFields, cells[c]);
    if (cell_kind_name(cells[c].kind).empty())
      throw FormatError(at, "cell " + std::to_string(c) + " holds kind " +
                                std::to_string(cells[c].kind) + ", which no route holds");
  }
  return cells;
}

}  // namespace scenarioc
