// The reader of the route's items, shared by the files that make it up:
// the rows and cells of each item (route_items.cc), the slow-downs
// (slow_downs.cc) and the order of the train file (train_order.cc).
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "decompiler/decompile.h"
#include "decompiler/route_items.h"
#include "model/route_rules.h"

namespace scenarioc::route_reading {

constexpr const char* kStopToken = "STOP";  // not a number: the compile stops reading there

inline std::string metres(int64_t m) { return std::to_string(m) + " m"; }

// The cell values that only some kinds write; any other value in them
// means the cell was not written by the compiler.
inline bool values_fit_kind(const RouteCell& c) {
  const bool codes234 = c.code2 != 0 || c.code3 != 0 || c.code4 != 0;
  switch (c.kind) {
    case kEmpty:
    case kMountainMarker:
      return c.code1 == 0 && !codes234 && c.signal_time == 0;
    case kSignal:
    case kStationStop:
      return true;
    case kSlowDownEnd:
    case kSlowDownStart:
      return c.code4 == 0 && c.signal_time == 0;
    case kWarningBoard:
    case kApproach:
      return c.code3 == 0 && c.code4 == 0 && c.signal_time == 0;
    case kSpeedBoard:
      return c.signal_time == 0;
    case kPointWithValue:
    case kSign:
      return !codes234 && c.signal_time == 0;
    case kPointWithoutValue:
      return c.code1 == 0 && !codes234 && c.signal_time == 0;
  }
  return false;
}

struct Station {
  int row = 0;
  int32_t position = 0;
  std::string line;
  int64_t stop_cell = -1;                          // written, or -1
  std::vector<std::pair<int64_t, uint8_t>> marks;  // repeat codes written, in order
  TrainStop stops = TrainStop::kAtEnd;
  std::string why;
};

struct Signal {
  int64_t cell = 0;
  int16_t code1 = 0, code2 = 0, code3 = 0, code4 = 0;
  uint8_t time = 0;
  int before_row = 0;  // hidden under the stop of this station
  bool maybe = false;  // hidden, if the repeat codes in front of the stop need it
  bool stops = false;  // too near the start for its repeat codes: the compile stopped here
  int32_t x = 0;       // sx x 3 + dx, chosen when ordered
};

struct SlowDown {
  int64_t start = 0, end = 0;
  int32_t x = 0;
  int16_t v = 0, dv = 0, ftt = 0;
  bool approach = false;
  int before_row = 0;  // the first station whose stop takes one of its cells
};

// The time of day in hours, minutes and seconds, as written.
inline void split_time(int32_t t, int64_t& h, int64_t& m, int64_t& s) {
  if (t < 0) {
    h = m = 0;
    s = t;
    return;
  }
  h = t / 3600;
  m = t / 60 % 60;
  s = t % 60;
}

// read() checks every cell against the values its kind may hold, reads
// the stations and signs from the timetable, the slow-downs, signals,
// braking points and boards from the cells, puts what the stops kept under
// them (a slow-down, a signal, a sign, then a board), and orders the
// train file.
class RouteReader {
 public:
  RouteReader(const std::vector<RouteCell>& cells, const Timetable& table,
              const std::vector<int64_t>& points_180)
      : cells_(cells), table_(table), points_180_(points_180) {
    last_ = static_cast<int64_t>(cells.size()) - 1;
  }

  RouteItems read();

 private:
  const RouteCell& at(int64_t c) const { return cells_[static_cast<size_t>(c)]; }
  [[noreturn]] void not_compiled(const std::string& why) const {
    throw NotCompiledFiles(why);
  }
  void problem(const std::string& why) { items_.problems.push_back(why); }

  void read_rows();
  void read_station(int row);
  void read_signs();
  void read_slow_downs();
  void read_signals_and_points();
  void read_boards();
  void hide_signals_with_time();
  void hide_boards();
  void order_train();
  std::string signal_line(const Signal& s) const;
  std::string slow_down_line(const SlowDown& d) const;
  std::string station_name(int row) const;
  std::string stop_of(int64_t q) const;

  const std::vector<RouteCell>& cells_;
  const Timetable& table_;
  const std::vector<int64_t>& points_180_;
  int64_t last_ = 0;  // cell_count
  RouteItems items_;

  int station_rows_ = 0;
  int lowest_sign_ = 81;  // the lowest sign row; 81 without signs
  std::vector<Station> stations_;
  std::map<int64_t, int> stop_first_row_;  // stop cell: the first station taking it
  std::map<int64_t, std::string> hidden_;  // stop cell: what the compile kept under it
  std::vector<Signal> signals_;
  std::vector<SlowDown> slow_downs_;
  std::vector<std::pair<int, SourceLine>> signs_;  // by row
  std::vector<std::pair<int64_t, SourceLine>> boards_;
};

// A board of maximum speeds as its line.
std::string board_line(int64_t cell, const RouteCell& c);

}  // namespace scenarioc::route_reading
