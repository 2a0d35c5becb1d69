// What a line diagram shows, taken from the three compiled files once they
// are decoded: the track's plan, the stations of the timetable, what stands
// beside the track (signals, boards, signs), and along the line the
// gradient, the height it adds up to, the line speed and the mountain
// stretches. Positions are metres along the line, from 0 at its start.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "format/format_error.h"
#include "format/line_plan_file.h"
#include "format/route_file.h"
#include "format/timetable_file.h"
#include "compiler/running_time.h"
#include "model/scenario_tables.h"

namespace scenarioc {

// The stretch to draw; an end left out is the line's own.
struct PlotRange {
  std::optional<int32_t> from, to;
};

// A stretch that cannot be drawn (it ends before it starts, or lies beyond
// the line).
class PlotRangeError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

struct PlotPoint {
  double x = 0, y = 0;  // metres east and north of the start of the line
};

struct StationMark {
  int row = 0;               // timetable row
  std::string name;          // UTF-8
  ScenarioRecord record;     // the row as stored, for the author to read
  bool stops = true;         // a station of type 25 and above has no stop
  std::optional<PlotPoint> at;  // on the plan, at its position
};

// What stands beside the track, by the kind of its route cell.
enum class LinesideKind {
  kSignal,
  kSpeedBoard,
  kSlowDownWarning,
  kSlowDownStart,
  kSlowDownEnd,
  kSign,
  kPoint,
};

struct LinesideMark {
  LinesideKind kind = LinesideKind::kSignal;
  int32_t cell = 0;
  int32_t position = 0;         // metres, from the cell
  RouteCell values;             // the cell as stored
  std::string text;             // a sign's text (UTF-8)
  std::optional<PlotPoint> at;  // on the plan
};

// A value that holds over metres [from, to).
struct ValueRun {
  int32_t from = 0, to = 0;
  int value = 0;
};

// A kilometric progressive: from metre `from` of the route on, the posts
// count up from `kilometre` (metres).
struct Progressive {
  int32_t from = 0;
  int64_t kilometre = 0;
};

// A leg of the timetable, between two stations that have a time: the time
// it gives, and the least time the speed limits in force allow (the lower
// bound the checks compare the timetable with).
struct TimedLeg {
  size_t from = 0, to = 0;    // indices into PlotData::stations
  int32_t scheduled = 0;      // seconds
  std::optional<double> fastest;  // seconds; nothing where a limit is 0 km/h
  // A leg whose time goes backwards is another fault, not a tight one (as
  // the checks tell it).
  bool too_tight() const { return fastest && scheduled >= 0 && scheduled < *fastest; }
  // The fastest run from the first station at its time: metres, and the
  // seconds since then, at every change of the limit in force.
  std::vector<std::pair<int32_t, double>> run;
};

struct PlotData {
  std::string line_name, train_number;  // UTF-8
  int32_t route_length = 0;             // as the line file gave it
  int32_t data_end = 0;                 // end of the metres the route describes
  int32_t from = 0, to = 0;             // the stretch drawn

  // The plan, one point a metre from `track_from` on; it runs a stretch's
  // length beyond each end of the stretch (where the plan has it), so the
  // track can be drawn on past the edges of the drawing.
  std::vector<PlotPoint> track;
  int32_t track_from = 0;
  bool has_plan() const { return !track.empty(); }
  // The plan point of a metre, when the plan holds it.
  std::optional<PlotPoint> point_at(int32_t metre) const;

  std::vector<StationMark> stations;   // in timetable order
  std::vector<LinesideMark> lineside;  // in cell order
  std::vector<ValueRun> gradients;     // per mille
  std::vector<ValueRun> speeds;        // km/h, the train's speed rows
  // The limit in force: the speed rows lowered through each slow-down.
  std::vector<ValueRun> speeds_in_force;
  // The speeds as the checks see them, for the whole route.
  SpeedProfile speed_profile;
  // The line's progressives in order of their start; none: the posts count
  // metres from the start of the route.
  std::vector<Progressive> progressives;
  // The kilometre the posts show at a metre.
  int64_t kilometre_at(int64_t metre) const;
  // The legs between the timed stations drawn, in order.
  std::vector<TimedLeg> legs;
  std::vector<ValueRun> mountains;     // stretch type, where it is not 0
  // Height at `from`, metres above the start of the line, added up from
  // the gradients.
  double height_at_from = 0;
};

// Throws PlotRangeError for a stretch that cannot be drawn, and FormatError
// when the plan holds a point that is not a finite number.
PlotData plot_data(const std::vector<RouteCell>& route, const Timetable& rows,
                   const DecodedPlan* plan, const PlotRange& range);

// A text of the compiled files (Windows-1252) in UTF-8, with what XML cannot
// hold replaced.
std::string text_for_display(const std::string& windows_1252);

// The speed limits in force along a compiled route, as the checks reckon
// them from the sources: each cell's speed from its first metre on, and each
// slow-down from its start board to its end board.
SpeedProfile route_speed_profile(const std::vector<RouteCell>& route);

// The words of a lineside kind ("signal", "speed board").
const char* lineside_name(LinesideKind kind);

}  // namespace scenarioc
