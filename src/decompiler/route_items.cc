#include "decompiler/route_items.h"

#include <algorithm>
#include <map>
#include <optional>

#include "decompiler/decompile.h"
#include "model/rounding.h"

namespace scenarioc {
namespace {

constexpr int16_t kPointValue = 180;
constexpr const char* kStopToken = "STOP";  // not a number: the compile stops reading there

std::string metres(int64_t m) { return std::to_string(m) + " m"; }

// A point item (signal, board, sign, slow-down start) at cell c stands at
// (c - 1) x 50 m; a braking point at c x 50 m.
int64_t item_position(int64_t c) { return 50 * (c - 1); }

// The cell values that only some kinds write; any other value in them
// means the cell was not written by the compiler.
bool values_fit_kind(const RouteCell& c) {
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

bool row_empty(const ScenarioRecord& r) {
  return r.type == 0 && r.start_pos == 0 && r.stop_pos == 0 && r.position == 0 &&
         r.byte_a == 0 && r.text.empty() && r.int_a == 0 && r.int_b == 0 && r.int_c == 0 &&
         r.int_d == 0 && r.int_e == 0 && r.byte_e == 0 && r.byte_f == 0 && r.byte_c == 0 &&
         r.byte_d == 0 && r.time_s == 0;
}

bool text_only(const ScenarioRecord& r) {
  ScenarioRecord copy = r;
  copy.text.clear();
  return row_empty(copy);
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
void split_time(int32_t t, int64_t& h, int64_t& m, int64_t& s) {
  if (t < 0) {
    h = m = 0;
    s = t;
    return;
  }
  h = t / 3600;
  m = t / 60 % 60;
  s = t % 60;
}

// A value stored s x 10 + d as its two parts.
void split_tens(int16_t code, int& s, int& d) {
  s = code / 10;
  d = code % 10;
}

// sx x 3 + dx from the repeat code X x 10 + k (low 8 bits) of one cell:
// X modulo 128, or nothing when no X gives that byte.
std::optional<int32_t> x_from_repeat(uint8_t code, int k) {
  const int diff = (int{code} - k) & 0xff;
  if (diff % 2 != 0) return std::nullopt;
  return (diff / 2 * 77) & 127;  // 77 is the inverse of 5 modulo 128
}

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

std::string RouteReader::station_name(int row) const {
  return "the station at " + metres(table_[static_cast<size_t>(row)].position);
}

std::string RouteReader::stop_of(int64_t q) const {
  return "the stop of " + station_name(stop_first_row_.at(q));
}

// Rows 1 up are stations, rows 80 down sign texts; at least one empty row
// lies between them, since the stations must stay below the signs' rows.
void RouteReader::read_rows() {
  if (!row_empty(table_[0])) not_compiled("timetable row 0 holds values; the compiler leaves it empty");
  while (station_rows_ + 1 < kFirstSignRow && !row_empty(table_[station_rows_ + 1])) ++station_rows_;
  for (int r = kFirstSignRow; r > station_rows_; --r) {
    const ScenarioRecord& row = table_[static_cast<size_t>(r)];
    if (row_empty(row)) continue;
    if (!text_only(row))
      not_compiled("timetable row " + std::to_string(r) +
                   " holds numbers apart from the stations' rows");
    lowest_sign_ = std::min(lowest_sign_, r);
  }
  for (int64_t c = 0; c <= last_; ++c)
    if (at(c).kind == kSign) {
      const int16_t slot = at(c).code1;
      if (slot < 1 || slot > kFirstSignRow || slot <= station_rows_)
        not_compiled("the sign in cell " + std::to_string(c) + " names timetable row " +
                     std::to_string(slot) + ", which holds no sign text");
      lowest_sign_ = std::min<int>(lowest_sign_, slot);
    }
  for (int row = 1; row <= station_rows_; ++row) read_station(row);
}

void RouteReader::read_station(int row) {
  const ScenarioRecord& r = table_[static_cast<size_t>(row)];
  const int32_t prev_stop = row > 1 ? table_[static_cast<size_t>(row - 1)].stop_pos : 0;
  const int sign_slot = lowest_sign_ - 1;  // the next free sign row after the line file
  Station st;
  st.row = row;
  st.position = r.position;
  const int64_t pos = r.position;
  const bool in_range = within_route(pos, static_cast<int32_t>(last_), 800);

  // The length is not stored: the area gives it back.
  int64_t length = 0;
  int field6 = r.byte_c;
  bool complete = pos % 50 == 0 && in_range;
  if (r.type == 5 || r.type == 6) {
    length = pos - r.start_pos;
    complete = complete && r.stop_pos == pos + 150 && r.byte_c == 0;
    field6 = 0;
  } else if (r.type == 7 || r.type == 8) {
    length = pos - r.start_pos;
    complete = complete && r.stop_pos == pos + length && r.byte_c == 0;
    field6 = 0;
  } else {
    length = 2 * (pos - r.start_pos);
    const int64_t shift = r.stop_pos - pos - length / 2;
    complete = complete && (shift == 0 || shift == 50);
    if (row == 1) {
      complete = complete && r.byte_c == 0;
      field6 = shift == 50 ? 1 : 0;
    } else {
      complete = complete && (r.byte_c != 0) == (shift == 50);
    }
  }
  complete = complete && length % 100 == 0 && length >= INT32_MIN && length <= INT32_MAX;
  if ((length < 600 || row == 1) && r.byte_d != 0) complete = false;

  int64_t h, m, s;
  split_time(r.time_s, h, m, s);
  if (complete) {
    // Minutes in two digits, a leading zero included, and 0 as " 0".
    const std::string minutes = m == 0 ? " 0" : format("%02lld", static_cast<long long>(m));
    st.line = format("stazione,  %7d, %2d, %4lld, %2d,%2d,%2d, %2d,%d,%d, %2d,%d,%d, %4d, %3lld,%s,%2lld, ",
                     r.position, r.type, static_cast<long long>(length), r.byte_a, r.byte_d,
                     field6, r.int_a, r.int_b, r.byte_e, r.int_c, r.int_d, r.int_e, r.byte_f,
                     static_cast<long long>(h), minutes.c_str(), static_cast<long long>(s)) +
              r.text;
    // What the handler writes, in its order, and where it stops.
    const bool marks = r.type < 25 && r.type != 5 && r.type != 6;
    bool stopped = false;
    if (marks) {
      for (int k = 1; k <= 4 && !stopped; ++k) {
        const int64_t q = r.stop_pos / 50 - k - 1;
        if (q <= 1) continue;
        if (q > last_) {
          stopped = true;
          st.why = "its approach marks fall beyond the end of the route";
        } else {
          st.marks.push_back({q, static_cast<uint8_t>(80 + k)});
        }
      }
    }
    if (!stopped && r.type < 25) {
      const int64_t q = r.stop_pos / 50 - 1;
      if (q <= 1) {
        stopped = true;
        st.why = "it stops within 100 m of the start of the route";
      } else if (q > last_) {
        stopped = true;
        st.why = "its stop falls beyond the end of the route";
      } else {
        st.stop_cell = q;
      }
    }
    if (!stopped && row > 1 && int64_t{r.start_pos} - 350 < prev_stop) {
      stopped = true;
      st.why = "it starts less than 350 m after the stop of the station before";
    }
    if (!stopped && row + 1 >= sign_slot) {
      stopped = true;
      st.why = "its row reaches the rows of the signs' texts";
    }
    if (stopped) st.stops = TrainStop::kAtItem;
  } else {
    // A row the compile stopped in: its fields are stored one by one as
    // they are read, so the line gives those and then a word that is not
    // a number where the reading stopped.
    if (!r.text.empty() || r.start_pos != 0 || r.stop_pos != 0)
      not_compiled("timetable row " + std::to_string(row) +
                   " holds a station whose area does not follow from its position, kind "
                   "and length");
    const long long fields[] = {r.position, r.type,  r.byte_a, r.byte_d, r.byte_c,
                                r.int_a,    r.int_b, r.byte_e, r.int_c,  r.int_d,
                                r.int_e,    r.byte_f};
    int last_field = 0;
    for (int f = 0; f < 12; ++f)
      if (fields[f] != 0) last_field = f;
    if (r.time_s != 0) last_field = 12;
    std::string line = format("stazione,  %7d", r.position);
    if (last_field == 0 && !in_range) {
      st.stops = TrainStop::kAtItemWithTails;
      st.why = "its position lies beyond the route";
    } else if (last_field == 0 && pos % 50 != 0) {
      st.stops = TrainStop::kAtItem;
      st.why = "its position is off the 50 m grid";
    } else {
      if (!in_range || pos % 50 != 0 || last_field == 12)
        not_compiled("timetable row " + std::to_string(row) +
                     " holds a station cut short where the compiler never stops");
      for (int f = 1; f <= last_field; ++f) {
        line += format(", %lld", fields[f]);
        if (f == 1 && last_field > 1) line += ", 0";  // the length, never stored
      }
      line += std::string(", ") + kStopToken;
      st.stops = TrainStop::kAtItem;
      st.why = "its line could not be read past the values kept";
    }
    st.line = line;
  }
  if (st.stops != TrainStop::kAtEnd && row != station_rows_)
    not_compiled("timetable row " + std::to_string(row) +
                 " holds a station the compile would have stopped at, yet rows follow it");
  if (st.stop_cell >= 0) stop_first_row_.emplace(st.stop_cell, row);
  stations_.push_back(std::move(st));
}

void RouteReader::read_signs() {
  std::map<int, int64_t> cell_of_row;
  for (int64_t c = 0; c <= last_; ++c)
    if (at(c).kind == kSign) {
      if (!cell_of_row.emplace(at(c).code1, c).second)
        not_compiled("two signs name timetable row " + std::to_string(at(c).code1));
    }
  if (lowest_sign_ > kFirstSignRow) return;
  // Rows whose sign no cell shows were taken by a stop: such a sign goes
  // under a stop that keeps nothing else.
  std::vector<int64_t> free_stops;
  for (const auto& [q, row] : stop_first_row_) {
    const RouteCell& c = at(q);
    if (c.code2 == 0 && c.code3 == 0 && c.code4 == 0 && c.signal_time == 0 &&
        !hidden_.count(q))
      free_stops.push_back(q);
  }
  size_t next_free = 0;
  for (int row = kFirstSignRow; row >= lowest_sign_; --row) {
    const std::string& text = table_[static_cast<size_t>(row)].text;
    SourceLine line;
    int64_t cell;
    if (const auto found = cell_of_row.find(row); found != cell_of_row.end()) {
      cell = found->second;
    } else if (next_free < free_stops.size()) {
      cell = free_stops[next_free++];
      hidden_[cell] = "sign";
      line.why = "a sign " + stop_of(cell) +
                 " overwrote: written to keep its text and the numbering of the signs";
    } else {
      problem("the sign of timetable row " + std::to_string(row) +
              " has no cell: no stop is left that could have overwritten it");
      continue;
    }
    if (cell > last_ - 1) problem("the sign in cell " + std::to_string(cell) + " lies too near the end of the route");
    line.text = format("cartello indicatore,  %lld,  ", static_cast<long long>(item_position(cell))) + text;
    signs_.push_back({row, line});
  }
}

std::string RouteReader::slow_down_line(const SlowDown& d) const {
  const int64_t length = 50 * (d.end - 1) - d.x;
  return format("rallentamento,  %d,  %d,  %lld,  %d,  %d,  %d", d.x, d.v,
                static_cast<long long>(length), d.ftt, d.approach ? 1 : 0, d.dv);
}

// Each start with its warning board 24 cells before it (from 1550 m on),
// the four approach cells before the board when it has them, and an end
// with the same values after it. A part a stop took survives as the values
// it leaves; a start a stop took shows only through its board.
void RouteReader::read_slow_downs() {
  std::vector<bool> used(static_cast<size_t>(last_ + 1), false);
  auto is_stop = [&](int64_t c) { return stop_first_row_.count(c) > 0; };
  auto claim_stop = [&](int64_t q, int16_t code2, int16_t code3, SlowDown& d) {
    const RouteCell& c = at(q);
    if (c.code2 != code2 || c.code3 != code3 || c.code4 != 0 || c.signal_time != 0 ||
        hidden_.count(q))
      return false;
    hidden_[q] = "slow-down";
    const int row = stop_first_row_.at(q);
    d.before_row = d.before_row == 0 ? row : std::min(d.before_row, row);
    return true;
  };

  std::vector<SlowDown> found;
  auto take_board = [&](SlowDown& d) {
    const int64_t w = d.start - 24;
    if (d.start < 31) return true;
    const RouteCell& c = at(w);
    bool warned = false;
    if (c.kind == kWarningBoard && c.code1 == d.v && c.code2 == d.dv && !used[static_cast<size_t>(w)]) {
      used[static_cast<size_t>(w)] = true;
      warned = true;
    } else if (is_stop(w) && claim_stop(w, d.dv, 0, d)) {
      warned = true;
    }
    if (d.start == 31) {
      d.x = warned ? 1510 : 1500;  // on one side of 1500 m the board is there
      if (!warned) return true;
    } else if (!warned) {
      return false;
    }
    // The approach cells count down from (x - 1200) / 50 rounded, the cell
    // before the board; for a start 25 m short of a cell boundary, two
    // cells before it (both roundings of the half go to the even side).
    for (int64_t gap : {1, 2}) {
      if (gap == 2 && d.start % 2 != 0) break;
      int cells = 0, shown = 0;
      for (int j = 0; j < 4; ++j) {
        const int64_t a = w - gap - j;
        if (a < 0) break;
        const RouteCell& ac = at(a);
        const int16_t code2 = d.dv != 0 ? static_cast<int16_t>(j + 1) : 0;
        if (ac.kind == kApproach && ac.code1 == j + 1 && ac.code2 == code2 && !used[static_cast<size_t>(a)]) {
          ++cells;
          ++shown;
        } else if (is_stop(a) && ac.code2 == code2 && ac.code3 == 0 && ac.code4 == 0 &&
                   ac.signal_time == 0 && !hidden_.count(a)) {
          ++cells;
        }
      }
      if (cells < 4 || shown == 0) continue;
      d.approach = true;
      if (gap == 2) d.x = static_cast<int32_t>(50 * d.start - 75);
      for (int j = 0; j < 4; ++j) {
        const int64_t a = w - gap - j;
        if (at(a).kind == kApproach) used[static_cast<size_t>(a)] = true;
        else claim_stop(a, d.dv != 0 ? static_cast<int16_t>(j + 1) : 0, 0, d);
      }
      break;
    }
    return true;
  };

  for (int64_t c = 0; c <= last_; ++c) {
    if (at(c).kind != kSlowDownStart) continue;
    SlowDown d;
    d.start = c;
    d.x = static_cast<int32_t>(item_position(c));
    d.v = at(c).code1;
    d.dv = at(c).code2;
    d.ftt = at(c).code3;
    used[static_cast<size_t>(c)] = true;
    if (!take_board(d)) {
      problem("the slow-down starting in cell " + std::to_string(c) +
              " has no warning board 24 cells before it");
    }
    found.push_back(d);
  }
  // A board with no start behind it: the start lies under a stop.
  for (int64_t w = 0; w + 24 <= last_; ++w) {
    if (at(w).kind != kWarningBoard || used[static_cast<size_t>(w)]) continue;
    const int64_t s = w + 24;
    SlowDown d;
    d.start = s;
    d.x = static_cast<int32_t>(item_position(s));
    d.v = at(w).code1;
    d.dv = at(w).code2;
    d.ftt = at(s).code3;
    if (!is_stop(s) || !claim_stop(s, d.dv, d.ftt, d) || !take_board(d)) continue;
    found.push_back(d);
  }
  // Ends: the first free one after each start with the same values; a
  // start without one ends in its own cell.
  std::sort(found.begin(), found.end(), [](const SlowDown& a, const SlowDown& b) { return a.start < b.start; });
  auto matches = [&](int64_t e, const SlowDown& d) {
    const RouteCell& c = at(e);
    return c.kind == kSlowDownEnd && !used[static_cast<size_t>(e)] && c.code1 == d.v &&
           c.code2 == d.dv && c.code3 == d.ftt;
  };
  for (SlowDown& d : found) {
    d.end = d.start;
    for (int64_t e = d.start + 1; e <= last_; ++e)
      if (matches(e, d)) {
        d.end = e;
        used[static_cast<size_t>(e)] = true;
        break;
      }
  }
  for (SlowDown& d : found) {
    if (d.end != d.start) continue;
    for (int64_t e = 0; e < d.start; ++e)
      if (matches(e, d)) {
        d.end = e;
        used[static_cast<size_t>(e)] = true;
        break;
      }
  }
  // An end with no start: the start lies under a stop, with no warning
  // board (within the first 1500 m) or with its board under a stop too.
  for (int64_t e = 0; e <= last_; ++e) {
    if (at(e).kind != kSlowDownEnd || used[static_cast<size_t>(e)]) continue;
    for (auto it = stop_first_row_.rbegin(); it != stop_first_row_.rend(); ++it) {
      const int64_t q = it->first;
      if (q > e) continue;
      SlowDown d;
      d.start = q;
      d.end = e;
      d.x = static_cast<int32_t>(item_position(q));
      d.v = at(e).code1;
      d.dv = at(e).code2;
      d.ftt = at(e).code3;
      const bool board_hidden = q >= 31 && is_stop(q - 24) && !hidden_.count(q - 24) &&
                                at(q - 24).code2 == d.dv && at(q - 24).code3 == 0 &&
                                at(q - 24).code4 == 0 && at(q - 24).signal_time == 0;
      if (hidden_.count(q) || at(q).code2 != d.dv || at(q).code3 != d.ftt || at(q).code4 != 0 ||
          at(q).signal_time != 0 || (q >= 31 && !board_hidden))
        continue;
      claim_stop(q, d.dv, d.ftt, d);
      if (q >= 31) {
        if (q == 31) d.x = 1510;
        claim_stop(q - 24, d.dv, 0, d);
      }
      used[static_cast<size_t>(e)] = true;
      found.push_back(d);
      break;
    }
  }
  for (int64_t c = 0; c <= last_; ++c) {
    const uint8_t k = at(c).kind;
    if ((k == kSlowDownEnd || k == kWarningBoard || k == kApproach) && !used[static_cast<size_t>(c)])
      problem("cell " + std::to_string(c) + " holds " + kind_name(k) +
              " that belongs to no slow-down the sources can give");
  }
  slow_downs_ = std::move(found);
}

void RouteReader::read_signals_and_points() {
  for (int64_t c = 0; c <= last_; ++c) {
    const RouteCell& cell = at(c);
    if (cell.kind == kSignal) {
      Signal s;
      s.cell = c;
      s.code1 = cell.code1;
      s.code2 = cell.code2;
      s.code3 = cell.code3;
      s.code4 = cell.code4;
      s.time = cell.signal_time;
      s.stops = c < 8;  // its fourth repeat cell would lie before cell 0
      if (c > last_ - 1) problem("the signal in cell " + std::to_string(c) + " lies too near the end of the route");
      signals_.push_back(s);
    }
  }
  std::vector<bool> source_180(static_cast<size_t>(last_ + 1), false);
  for (int64_t c : points_180_) source_180[static_cast<size_t>(c)] = true;
  for (int64_t c = 0; c <= last_; ++c) {
    const RouteCell& cell = at(c);
    int32_t value;
    if (cell.kind == kPointWithoutValue) {
      value = 0;
    } else if (cell.kind == kPointWithValue &&
               (cell.code1 != kPointValue || source_180[static_cast<size_t>(c)])) {
      // A value kept to 16 bits: a point of 0 or less is written 65536 higher.
      value = cell.code1 > 0 ? cell.code1 : cell.code1 + 65536;
    } else {
      continue;
    }
    if (c > last_ - 2) problem("the braking point in cell " + std::to_string(c) + " lies too near the end of the route");
    items_.slow_downs.push_back({format("abbattimento,  %lld,  %d", static_cast<long long>(50 * c), value), ""});
  }
}

// A board of maximum speeds keeps vas x 20 + vad / 5 for each pair: the
// speed in twenties and the rest in fifths, as an author writes them.
std::string board_line(int64_t cell, const RouteCell& c) {
  auto pair = [](int16_t code, int& s, int& d) {
    s = code >= 0 ? code / 20 : -((-code + 19) / 20);
    d = (code - s * 20) * 5;
  };
  int vas, vad, vbs, vbd, vcs, vcd;
  pair(c.code1, vas, vad);
  pair(c.code2, vbs, vbd);
  pair(c.code3, vcs, vcd);
  auto opt = [](int v) { return v == 0 ? std::string("  ") : format("  %d", v); };
  return format("indicatori_vmax,  %lld,  %d,  %d,  %d,  %d,%s,%s,%s,  %d",
                static_cast<long long>(item_position(cell)), vas, vbs, vcs, c.code4 / 10,
                opt(vad).c_str(), opt(vbd).c_str(), opt(vcd).c_str(), c.code4 % 10);
}

void RouteReader::read_boards() {
  for (int64_t c = 0; c <= last_; ++c)
    if (at(c).kind == kSpeedBoard) {
      if (c > last_ - 1) problem("the board in cell " + std::to_string(c) + " lies too near the end of the route");
      boards_.push_back({c, {board_line(c, at(c)), ""}});
    }
}

std::string RouteReader::signal_line(const Signal& s) const {
  int s1, d1, s2, d2, s3, d3;
  split_tens(s.code1, s1, d1);
  split_tens(s.code2, s2, d2);
  split_tens(s.code3, s3, d3);
  // code4 = rapp x 10 + X (low 16 bits); X = sx x 3 + dx.
  int64_t rapp = (int64_t{s.code4} - s.x) / 10;
  int64_t rest = int64_t{s.code4} - s.x - rapp * 10;
  for (int t = 1; rest != 0 && t < 5; ++t) {  // through the 16-bit wrap
    const int64_t d = int64_t{s.code4} - s.x + 65536 * t;
    if (d % 10 == 0) {
      rapp = d / 10;
      rest = 0;
    }
  }
  int sx, dx;
  int64_t tempo = 0;
  if (s.time != 0) {
    sx = 2;
    dx = s.x - 6;
    // A time of 1 to 100 is stored as 101; a byte of 1 to 100 comes from 256 more.
    tempo = s.time <= 100 ? s.time + 256 : s.time;
  } else if (s.x >= 0) {
    sx = s.x / 3;
    dx = s.x % 3;
  } else {
    sx = 0;
    dx = s.x;
  }
  return format("segnale,  %7lld,   %d, %d, %d,  %d, %lld,    %d,  %d,%d,%d, %lld",
                static_cast<long long>(item_position(s.cell)), sx, s1, s2, s3,
                static_cast<long long>(rapp), dx, d1, d2, d3, static_cast<long long>(tempo));
}

// A stop that kept a signal time overwrote a signal: only signals write
// it. Other stops are looked at when the train file is ordered.
void RouteReader::hide_signals_with_time() {
  for (const auto& [q, row] : stop_first_row_) {
    const RouteCell& c = at(q);
    if (hidden_.count(q) || c.signal_time == 0) continue;
    Signal s;
    s.cell = q;
    s.code2 = c.code2;
    s.code3 = c.code3;
    s.code4 = c.code4;
    s.time = c.signal_time;
    s.before_row = row;
    s.stops = q < 8;
    signals_.push_back(s);
    hidden_[q] = "signal";
  }
}

// What a stop kept of an item it overwrote and no other item explains: a
// board when the stop kept values (the only item of the line file that
// writes them all).
void RouteReader::hide_boards() {
  for (const auto& [q, row] : stop_first_row_) {
    const RouteCell& c = at(q);
    if (hidden_.count(q) || (c.code2 == 0 && c.code3 == 0 && c.code4 == 0)) continue;
    RouteCell board = c;
    board.code1 = 0;
    boards_.push_back({q, {board_line(q, board),
                           "a board " + stop_of(q) +
                               " overwrote: written for the values it leaves in that cell"}});
    hidden_[q] = "board";
  }
}

// The train file's order, built from its last item backwards.
void RouteReader::order_train() {
  enum Type { kStationItem, kSignalItem, kSlowDownItem };
  struct Item {
    Type type;
    size_t index;
    double rank;      // the place in the usual order of the file
    int before_row;   // must come before this station; 0 for none
    bool last;        // the compile stopped at it
  };
  // A stop that kept nothing else may have overwritten a signal whose
  // repeat codes are still in front of it: such a signal takes its place
  // in the order if some repeat code needs it.
  for (const auto& [q, row] : stop_first_row_) {
    if (hidden_.count(q) || q < 8) continue;
    Signal s;
    s.cell = q;
    s.code2 = at(q).code2;
    s.code3 = at(q).code3;
    s.code4 = at(q).code4;
    s.before_row = row;
    s.maybe = true;
    signals_.push_back(s);
  }
  std::vector<Item> items;
  const double cells = static_cast<double>(last_ + 1);
  for (size_t i = 0; i < stations_.size(); ++i)
    items.push_back({kStationItem, i, 2.0 * stations_[i].row + 1, 0,
                     stations_[i].stops != TrainStop::kAtEnd});
  for (size_t i = 0; i < signals_.size(); ++i) {
    const Signal& s = signals_[i];
    const double rank = s.before_row ? 2.0 * s.before_row + 0.9 * s.cell / cells : 1000.0 + s.cell;
    items.push_back({kSignalItem, i, rank, s.before_row, s.stops});
  }
  for (size_t i = 0; i < slow_downs_.size(); ++i) {
    const SlowDown& d = slow_downs_[i];
    if (d.before_row == 0) continue;  // in [rallentamenti], with no order to keep
    items.push_back({kSlowDownItem, i, 2.0 * d.before_row + 0.9 * d.start / cells, d.before_row, false});
  }
  int stopping = 0;
  for (const Item& it : items) stopping += it.last ? 1 : 0;
  if (stopping > 1) not_compiled("the route holds two items the compile would each have stopped at");

  std::vector<bool> settled(static_cast<size_t>(last_ + 1), false);
  std::vector<bool> placed(items.size(), false);
  std::vector<bool> station_placed(stations_.size() + 2, false);
  std::vector<size_t> backwards;

  // The repeat codes of a signal with sx x 3 + dx = X, and whether every
  // cell it writes that no later item settles shows them.
  auto signal_fits = [&](const Signal& s, int32_t& x) -> bool {
    std::optional<int32_t> x128;
    bool needed = false;  // it gives a repeat code no later item settles
    for (int k = 1; k <= 4; ++k) {
      const int64_t c = s.cell - 2 * k;
      if (c < 0) break;
      if (settled[static_cast<size_t>(c)]) continue;
      const std::optional<int32_t> xr = x_from_repeat(at(c).repeat_code, k);
      if (!xr || (x128 && *x128 != *xr)) return false;
      x128 = xr;
      needed = needed || at(c).repeat_code != 0;
    }
    if (s.maybe && !needed) return false;
    if (!x128) {
      // Free: the last digit of code4, with sx = 2 when a time is kept.
      x = ((s.code4 % 10) + 10) % 10;
      if (s.time != 0 && x < 6) x += 10;
      return true;
    }
    if ((*x128 - s.code4) % 2 != 0) return false;
    // Of the X that give these bytes, the one that leaves rapp whole and small.
    int32_t best = *x128;
    int64_t best_rapp = -1;
    for (int j = -4; j <= 4; ++j) {
      const int32_t cand = *x128 + 128 * j;
      if ((int64_t{s.code4} - cand) % 10 != 0) continue;
      const int64_t rapp = std::abs((int64_t{s.code4} - cand) / 10);
      if (best_rapp < 0 || rapp < best_rapp || (rapp == best_rapp && cand >= 0 && best < 0)) {
        best = cand;
        best_rapp = rapp;
      }
    }
    x = best;
    return true;
  };
  auto station_fits = [&](const Station& st) {
    for (const auto& [q, v] : st.marks)
      if (!settled[static_cast<size_t>(q)] && at(q).repeat_code != v) return false;
    return true;
  };
  auto available = [&](const Item& it) {
    if (it.type == kStationItem) {
      const int row = stations_[it.index].row;
      return row == static_cast<int>(stations_.size()) || station_placed[static_cast<size_t>(row + 1)];
    }
    return it.before_row == 0 || station_placed[static_cast<size_t>(it.before_row)];
  };
  auto place = [&](size_t i) {
    Item& it = items[i];
    placed[i] = true;
    backwards.push_back(i);
    if (it.type == kStationItem) {
      const Station& st = stations_[it.index];
      station_placed[static_cast<size_t>(st.row)] = true;
      for (const auto& [q, v] : st.marks) settled[static_cast<size_t>(q)] = true;
    } else if (it.type == kSignalItem) {
      Signal& s = signals_[it.index];
      for (int k = 1; k <= 4; ++k)
        if (s.cell - 2 * k >= 0) settled[static_cast<size_t>(s.cell - 2 * k)] = true;
    }
  };
  auto fits = [&](size_t i) {
    const Item& it = items[i];
    if (it.type == kStationItem) return station_fits(stations_[it.index]);
    if (it.type == kSignalItem) {
      int32_t x;
      if (!signal_fits(signals_[it.index], x)) return false;
      signals_[it.index].x = x;
    }
    return true;
  };

  for (size_t i = 0; i < items.size(); ++i)
    if (items[i].last) {
      if (!fits(i)) problem("the repeat codes in front of the item the compile stopped at are not its own");
      place(i);
    }
  auto maybe = [&](const Item& it) { return it.type == kSignalItem && signals_[it.index].maybe; };
  size_t needed = 0;
  for (const Item& it : items) needed += maybe(it) ? 0 : 1;
  for (size_t done = backwards.size();;) {
    int64_t best = -1;
    for (size_t i = 0; i < items.size(); ++i) {
      if (placed[i] || !available(items[i])) continue;
      if (best >= 0 && items[i].rank <= items[static_cast<size_t>(best)].rank) continue;
      if (fits(i)) best = static_cast<int64_t>(i);
    }
    if (best >= 0 && !maybe(items[static_cast<size_t>(best)])) ++done;
    if (best < 0) {
      if (done == needed) break;
      ++done;
      problem("no order of the signals and stations gives every repeat code of the route");
      // Place the rest in their usual order, so the sources are still whole.
      int64_t next = -1;
      for (size_t i = 0; i < items.size(); ++i)
        if (!placed[i] && !maybe(items[i]) && available(items[i]) &&
            (next < 0 || items[i].rank > items[static_cast<size_t>(next)].rank))
          next = static_cast<int64_t>(i);
      if (next < 0)
        for (size_t i = 0; i < items.size(); ++i)
          if (!placed[i] && !maybe(items[i])) next = static_cast<int64_t>(i);
      int32_t x = 0;
      if (items[static_cast<size_t>(next)].type == kSignalItem) {
        signal_fits(signals_[items[static_cast<size_t>(next)].index], x);
        signals_[items[static_cast<size_t>(next)].index].x = x;
      }
      place(static_cast<size_t>(next));
      continue;
    }
    // The signal's X was chosen for the cells as they stand now.
    fits(static_cast<size_t>(best));
    place(static_cast<size_t>(best));
  }

  for (int64_t c = 0; c <= last_; ++c)
    if (at(c).repeat_code != 0 && !settled[static_cast<size_t>(c)])
      problem("the repeat code " + std::to_string(at(c).repeat_code) + " of cell " +
              std::to_string(c) + " comes from no signal or station the sources can give");
  for (size_t i : backwards)
    if (maybe(items[i])) hidden_[signals_[items[i].index].cell] = "signal";

  // Forward: the stations' section runs to the last station the compile
  // read through; signals that must come before a station stand there too.
  std::vector<size_t> forward(backwards.rbegin(), backwards.rend());
  int64_t last_station = -1;
  for (size_t i = 0; i < forward.size(); ++i) {
    const Item& it = items[forward[i]];
    if (it.type == kStationItem && !it.last) last_station = static_cast<int64_t>(i);
  }
  std::vector<SourceLine> after_stations;
  std::optional<SourceLine> stopped;
  for (size_t i = 0; i < forward.size(); ++i) {
    const Item& it = items[forward[i]];
    SourceLine line;
    if (it.type == kStationItem) {
      const Station& st = stations_[it.index];
      line.text = st.line;
      if (it.last)
        line.why = "the compile these files come from stopped at this station: " + st.why;
    } else if (it.type == kSignalItem) {
      const Signal& s = signals_[it.index];
      line.text = signal_line(s);
      if (s.before_row)
        line.why = "a signal " + stop_of(s.cell) +
                   " overwrote: written for what it leaves in that cell and in front of it";
      else if (it.last)
        line.why = "the compile these files come from stopped at this signal: its repeat "
                   "codes would fall before the start of the route";
      else if (static_cast<int64_t>(i) < last_station)
        line.why = "written among the stations: a later item writes over some of its repeat codes";
    } else {
      const SlowDown& d = slow_downs_[it.index];
      line.text = slow_down_line(d);
      line.why = "a slow-down the stop of " + station_name(d.before_row) +
                 " overwrote in part: written before it for the cells it leaves";
    }
    if (it.last) stopped = line;
    else if (static_cast<int64_t>(i) <= last_station) items_.stations.push_back(line);
    else after_stations.push_back(line);
  }
  for (const SlowDown& d : slow_downs_)
    if (d.before_row == 0) items_.slow_downs.insert(items_.slow_downs.begin(), {slow_down_line(d), ""});
  std::sort(items_.slow_downs.begin(), items_.slow_downs.end(), [](const SourceLine& a, const SourceLine& b) {
    // Slow-downs before braking points, each by position.
    const bool pa = a.text.rfind("abbattimento", 0) == 0, pb = b.text.rfind("abbattimento", 0) == 0;
    if (pa != pb) return pb;
    return std::atoll(a.text.c_str() + a.text.find(',') + 1) < std::atoll(b.text.c_str() + b.text.find(',') + 1);
  });
  items_.signals = std::move(after_stations);
  if (stopped) {
    for (const Item& it : items)
      if (it.last) items_.stop = it.type == kStationItem ? stations_[it.index].stops : TrainStop::kAtItem;
    // A station the compile stopped at stays in its section when nothing follows it.
    if (items_.stop != TrainStop::kAtEnd && stopped->text.rfind("stazione", 0) == 0 &&
        items_.slow_downs.empty() && items_.signals.empty())
      items_.stations.push_back(*stopped);
    else
      items_.last.push_back(*stopped);
  }
}

RouteItems RouteReader::read() {
  for (int64_t c = 0; c <= last_; ++c) {
    const uint8_t k = at(c).kind;
    if (k > kSign || (k > kSpeedBoard && k < kStationStop))
      not_compiled("route cell " + std::to_string(c) + " holds an occupant of unknown kind " +
                   std::to_string(k));
    if (!values_fit_kind(at(c)))
      not_compiled("route cell " + std::to_string(c) + " holds values " + kind_name(k) + " never leaves");
  }
  read_rows();
  for (int64_t c = 0; c <= last_; ++c)
    if (at(c).kind == kStationStop) {
      const int16_t row = at(c).code1;
      if (row < 1 || row > station_rows_ || stations_[static_cast<size_t>(row - 1)].stop_cell != c)
        not_compiled("route cell " + std::to_string(c) + " holds the stop of timetable row " +
                     std::to_string(row) + ", whose station stops elsewhere");
    }
  for (const Station& st : stations_)
    if (st.stop_cell >= 0 && at(st.stop_cell).kind != kStationStop)
      not_compiled("the stop of " + station_name(st.row) + " should be in cell " +
                   std::to_string(st.stop_cell) + ", which holds " + kind_name(at(st.stop_cell).kind));
  read_slow_downs();
  read_signals_and_points();
  read_boards();
  hide_signals_with_time();
  read_signs();
  order_train();
  hide_boards();
  std::sort(boards_.begin(), boards_.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& [c, line] : boards_) items_.boards.push_back(std::move(line));
  for (auto& [row, line] : signs_) items_.signs.push_back(std::move(line));
  return std::move(items_);
}

}  // namespace

RouteItems read_route_items(const std::vector<RouteCell>& cells, const Timetable& table,
                            const std::vector<int64_t>& source_points_180) {
  return RouteReader(cells, table, source_points_180).read();
}

}  // namespace scenarioc
