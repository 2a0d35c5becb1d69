#include "compiler/cell_writers.h"
#include "compiler/route_cell.h"

namespace scenarioc {

void memo_montagna(Scenario& s, int32_t inizio, int32_t fine, int32_t& tipo) {
  // A type above 10 asks for a marker every fourth cell of the stretch.
  bool markers = false;
  if (tipo > 10) {
    tipo -= 10;
    markers = true;
  }

  ++s.mountain_count;
  if (s.mountain_count >= kMountainEntries)
    throw RuntimeFailure("the mountain stretch from " + in_metres(inizio) + " to " +
                         in_metres(fine) + " is stretch " +
                         std::to_string(s.mountain_count) +
                         ", but a line holds at most " +
                         std::to_string(kMountainEntries - 1));
  s.mountain_start[static_cast<size_t>(s.mountain_count)] = inizio;
  s.mountain_end[static_cast<size_t>(s.mountain_count)] = fine;

  // A stretch that follows the one before within 150 m joins it as type 3.
  if (s.mountain_count > 1 &&
      int64_t{inizio} - s.mountain_end[static_cast<size_t>(s.mountain_count - 1)] <= 150)
    tipo = 3;

  // The stretch begins one cell earlier than a point item at `inizio` would.
  const int64_t first = cell_of(inizio);
  const int64_t last = cell_of(fine, -1);
  auto subject = [&] {
    return "part of the mountain stretch from " + in_metres(inizio) + " to " +
           in_metres(fine);
  };
  for (int64_t i = first, n = 1; i <= last; ++i, ++n) {
    RouteCell& c = route_cell(s, i, subject);
    c.mountain = low8(tipo);
    if (markers && n % 4 == 0 && c.kind == kEmpty) c.kind = kMountainMarker;
  }
}

}  // namespace scenarioc
