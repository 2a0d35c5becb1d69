// The scenario tables: everything one compilation builds before the three
// compiled files are written. The field order and widths of RouteCell and
// ScenarioRecord are those of the files; compiled_files.cc encodes them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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
};

constexpr int kScenarioRows = 87;         // rows 0 to 86
constexpr int kFirstSignRow = 80;         // sign texts grow downward from here
constexpr int kProgressiveRows[] = {81, 82, 83};
constexpr int kTrainDataRow = 84;         // braked mass, route length, coaches
constexpr int kLineRow = 85;              // line name, backgrounds, codes
constexpr int kTrainRow = 86;             // train number, repetition, clock
constexpr int kMountainEntries = 81;      // entries 0 to 80, used from 1

// The plan of the track, one point a metre. The parser fills it strictly in
// order from metre 2 on, so which points are seeds (16-bit integers), which
// are computed (doubles) and which were never assigned (empty) follows from
// two facts: whether the seeds were set, and how far the computation got.
//
// A computed point is the one before it plus the last step, turned by the
// curvature of its metre. The plan keeps those curvatures, not the points:
// runs of metres with one curvature, from which the points are worked out
// again, from the seeds on and in the same double arithmetic, whenever they
// are read. The longest plan thus takes kilobytes instead of the 16 MB of
// its points, and far less than the file it is written to.
class TrackPlan {
 public:
  enum class Tag : uint16_t { kEmpty = 0, kInteger = 2, kDouble = 5 };

  // Dimensions the plan with metres 0 to last_metre, every coordinate empty.
  void create(int32_t last_metre);
  void destroy();
  bool created() const { return created_; }
  int32_t last_metre() const { return last_metre_; }

  // Stores the seeds: metre 0 = (0, 0), metre 1 = (0, 1), as 16-bit integers.
  void seed();
  bool seeded() const { return seeded_; }

  // The next metre to compute; every metre from 2 below it holds a double.
  int32_t cursor() const { return cursor_; }
  // The point at cursor() is the one before it plus the last step D turned
  // by k: (D.x + k D.y, D.y - k D.x); with k = 0 the step is repeated as it
  // is. Adds `metres` such points and advances the cursor past them. The
  // caller checks that they end at last_metre() or before and that the plan
  // is seeded.
  void step(double k, int32_t metres = 1);
  // Stores the point at cursor() as given and advances it. Same checks.
  void append(double x, double y);

  Tag tag(int32_t m) const;
  // Coordinates as reals; an empty coordinate reads as 0. Works the points
  // out from the seeds up to m: for reading a few points, not the plan.
  double x(int32_t m) const { return point(m).x; }
  double y(int32_t m) const { return point(m).y; }

  // A point of the plan, in metres.
  struct Point {
    double x = 0, y = 0;
  };

  // Reads the computed points in order, metre 2 first, a batch at a time.
  // The plan must not change while it is read.
  class Reader {
   public:
    explicit Reader(const TrackPlan& plan) : plan_(plan) {}
    // Fills xs and ys with the next points, at most n; returns how many,
    // 0 once every point up to cursor() - 1 has been read.
    size_t read(double* xs, double* ys, size_t n);

   private:
    const TrackPlan& plan_;
    size_t run_ = 0;     // the run being read
    int32_t done_ = 0;   // its points read so far
    Point p0_{0, 0}, p1_{0, 1};  // the last two points read
  };

 private:
  // Metres one after the other, either worked out with curvature k or, for
  // appended points, stored from `stored_at` in xs_ and ys_.
  struct Run {
    int32_t count = 0;
    double k = 0;
    bool stored = false;
    size_t stored_at = 0;
  };

  Point point(int32_t m) const;
  // The run that takes the point at cursor().
  Run& run_for_next(bool stored, double k);

  bool created_ = false;
  bool seeded_ = false;
  int32_t last_metre_ = 0;
  int32_t cursor_ = 2;
  std::vector<Run> runs_;
  std::vector<double> xs_, ys_;  // appended points only
};

// Where a recorded failure comes from in a source file.
struct SourceLocation {
  std::string file;   // as the user named it
  int line = 0;       // 1-based
  int column = 0;     // 1-based, the first byte of the item at fault
  std::string text;   // the whole source line, without its line end
};

// A failure recorded during the run; the run goes on (see report.h).
struct Failure {
  int32_t code = 0;
  std::optional<int32_t> position;  // metres along the line
  std::string message;              // in words, for the scenario author
  std::optional<SourceLocation> where;
};

// All state of one compilation.
struct Scenario {
  TrackPlan track_plan;
  std::vector<RouteCell> route;  // cells 0 to cell_count; empty until created
  bool route_created = false;
  std::array<ScenarioRecord, kScenarioRows> scenario_table{};
  std::array<int32_t, kMountainEntries> mountain_start{};
  std::array<int32_t, kMountainEntries> mountain_end{};
  int32_t mountain_count = 0;
  int32_t write_line_file = 0;
  std::string train_number;
  std::string line_name;
  std::string current_line;
  int32_t route_length_ext = 0;
  int32_t cell_count = 0;
  int32_t error_code = 0;
  int32_t error_position = 0;

  // Every failure in the order recorded; error_code and error_position keep
  // the last one, as the compiled-file protocol expects.
  std::vector<Failure> failures;

  // Records a failure: error_code always, error_position when given.
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
