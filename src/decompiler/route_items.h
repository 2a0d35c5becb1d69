// The items that occupy route cells (boards, signs, stations, signals,
// slow-downs, braking points) and the order of the train file, read back
// from the route and the timetable.
//
// Most items sit in cells of their own and their order does not matter.
// Two writers overwrite: a station's stop takes its cell whatever it held,
// and the repeat codes in front of signals and stations go over whatever
// was there. So an item whose cell a stop took survives only in the values
// the stop leaves (written before the station, as an item of its own), and
// where repeat codes overlap the order of the lines is rebuilt from the
// last one backwards: each time an item that is the last writer of every
// cell it writes that no later item settles.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "format/format_error.h"
#include "format/line_plan_file.h"
#include "format/route_file.h"
#include "format/timetable_file.h"
#include "decompiler/source_lines.h"

namespace scenarioc {

// Where the train file stops: at its end, or at an item the compile
// stopped at (then the closing tails of speeds and adhesion did not run,
// unless the item's position lay beyond the route, which only ends the
// reading).
enum class TrainStop { kAtEnd, kAtItem, kAtItemWithTails };

struct RouteItems {
  // Line file.
  std::vector<SourceLine> boards;  // [cartelli], by position
  std::vector<SourceLine> signs;   // [indicazioni], in the order of their rows
  // Train file.
  std::vector<SourceLine> stations;      // [stazioni], with the items that must come before
  std::vector<SourceLine> slow_downs;    // [rallentamenti]: slow-downs and braking points
  std::vector<SourceLine> signals;       // [segnali]
  std::vector<SourceLine> last;          // the item the compile stopped at, when it goes last
  TrainStop stop = TrainStop::kAtEnd;
  // What the sources cannot give back, in words.
  std::vector<std::string> problems;
};

// `cells`: the route as compiled, with cell 1's two scenario constants set
// back to 0; `source_points_180`: cells holding a point of 180 that the
// finishing pass does not make itself. Throws NotCompiledFiles for cells
// and rows no source can produce.
RouteItems read_route_items(const std::vector<RouteCell>& cells, const Timetable& table,
                            const std::vector<int64_t>& source_points_180);

}  // namespace scenarioc
