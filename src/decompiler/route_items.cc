#include "decompiler/route_items.h"

#include <algorithm>
#include <map>
#include <optional>

#include "decompiler/route_reader.h"
#include "format/timetable_file.h"
#include "model/rounding.h"

namespace scenarioc {
namespace route_reading {

std::string RouteReader::station_name(int row) const {
  return "the station at " + metres(table_[static_cast<size_t>(row)].position);
}

std::string RouteReader::stop_of(int64_t q) const {
  return "the stop of " + station_name(stop_first_row_.at(q));
}

// Rows 1 up are stations, rows 80 down sign texts (the rows the sign cells
// name); at least one empty row lies between them, since the stations must
// stay below the signs' rows.
void RouteReader::read_rows() {
  if (!is_cleared(table_[0])) not_compiled("timetable row 0 holds values; the compiler leaves it empty");
  int lowest_named = kNoSignRow;
  for (int64_t c = 0; c <= last_; ++c)
    if (at(c).kind == kSign && at(c).code1 >= 1) lowest_named = std::min<int>(lowest_named, at(c).code1);
  station_rows_ = last_station_row(table_, lowest_named);
  for (int r = kFirstSignRow; r > station_rows_; --r) {
    const ScenarioRecord& row = table_[static_cast<size_t>(r)];
    if (is_cleared(row)) continue;
    if (!is_text_only(row))
      not_compiled("timetable row " + std::to_string(r) +
                   " holds numbers apart from the stations' rows");
    lowest_sign_ = std::min(lowest_sign_, r);
  }
  for (int64_t c = 0; c <= last_; ++c)
    if (at(c).kind == kSign) {
      const int16_t slot = at(c).code1;
      // A sign may name the last station's row: that station was written
      // over the sign's text when the compile refused it.
      if (slot < 1 || slot > kFirstSignRow || slot < station_rows_)
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
  const int64_t length = station_length(r.type, pos, r.start_pos);
  int field6 = r.byte_c;
  bool complete = pos % 50 == 0 && in_range;
  if (r.type >= 5 && r.type <= 8) {
    complete = complete && station_area(r.type, pos, length, false) ==
                               StationArea{r.start_pos, r.stop_pos} &&
               r.byte_c == 0;
    field6 = 0;
  } else {
    const int64_t shift = r.stop_pos - pos - length / 2;
    complete = complete && station_area(r.type, pos, length, shift == 50) ==
                               StationArea{r.start_pos, r.stop_pos};
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
    st.line = keyed(Key::kStazione, ",  %7d, %2d, %4lld, %2d,%2d,%2d, %2d,%d,%d, %2d,%d,%d, %4d, %3lld,%s,%2lld, ",
                     r.position, r.type, static_cast<long long>(length), r.byte_a, r.byte_d,
                     field6, r.int_a, r.int_b, r.byte_e, r.int_c, r.int_d, r.int_e, r.byte_f,
                     static_cast<long long>(h), minutes.c_str(), static_cast<long long>(s)) +
              r.text;
    // What the handler writes, in its order, and where it stops.
    bool stopped = false;
    if (station_has_marks(r.type)) {
      for (int k = 1; k <= kStationMarks && !stopped; ++k) {
        const std::optional<int64_t> q = station_cell(r.stop_pos, k);
        if (!q) continue;
        if (*q > last_) {
          stopped = true;
          st.why = "its approach marks fall beyond the end of the route";
        } else {
          st.marks.push_back({*q, static_cast<uint8_t>(kStationMarkCode + k)});
        }
      }
    }
    if (!stopped && station_stops(r.type)) {
      const std::optional<int64_t> q = station_cell(r.stop_pos, 0);
      if (!q) {
        stopped = true;
        st.why = "it stops within 100 m of the start of the route";
      } else if (*q > last_) {
        stopped = true;
        st.why = "its stop falls beyond the end of the route";
      } else {
        st.stop_cell = *q;
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
    std::string line = keyed(Key::kStazione, ",  %7d", r.position);
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
    line.text = keyed(Key::kCartelloIndicatore, ",  %lld,  ",
                      static_cast<long long>(item_position(cell))) +
                text;
    signs_.push_back({row, line});
  }
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
    items_.slow_downs.push_back(
        {keyed(Key::kAbbattimento, ",  %lld,  %d", static_cast<long long>(point_position(c)), value),
         ""});
  }
}

// A board of maximum speeds keeps vas x 20 + vad / 5 for each pair: the
// speed in twenties and the rest in fifths, as an author writes them.
std::string board_line(int64_t cell, const RouteCell& c) {
  const BoardSpeed a = board_speed(c.code1), b = board_speed(c.code2), cc = board_speed(c.code3);
  const TensPair stripes = split_tens(c.code4);
  auto opt = [](int v) { return v == 0 ? std::string("  ") : format("  %d", v); };
  return keyed(Key::kIndicatoriV, ",  %lld,  %d,  %d,  %d,  %d,%s,%s,%s,  %d",
                static_cast<long long>(item_position(cell)), a.s, b.s, cc.s, stripes.s,
                opt(a.d).c_str(), opt(b.d).c_str(), opt(cc.d).c_str(), stripes.d);
}

void RouteReader::read_boards() {
  for (int64_t c = 0; c <= last_; ++c)
    if (at(c).kind == kSpeedBoard) {
      if (c > last_ - 1) problem("the board in cell " + std::to_string(c) + " lies too near the end of the route");
      boards_.push_back({c, {board_line(c, at(c)), ""}});
    }
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

}  // namespace route_reading

RouteItems read_route_items(const std::vector<RouteCell>& cells, const Timetable& table,
                            const std::vector<int64_t>& source_points_180) {
  return route_reading::RouteReader(cells, table, source_points_180).read();
}

}  // namespace scenarioc
