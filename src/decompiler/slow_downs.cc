#include <algorithm>

#include "decompiler/route_reader.h"

namespace scenarioc::route_reading {

std::string RouteReader::slow_down_line(const SlowDown& d) const {
  const int64_t length = slow_down_length(d.x, d.end);
  return keyed(Key::kRallentamento, ",  %d,  %d,  %lld,  %d,  %d,  %d", d.x, d.v,
                static_cast<long long>(length), d.ftt, d.approach ? 1 : 0, d.dv);
}

// Each start with its warning board 24 cells before it (from 1550 m on:
// from cell 32, the first after the unwarned stretch's last start cell),
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

  // The cell of the last start that has no warning board, and the start
  // of a slow-down there with and without one.
  const int64_t last_unwarned = item_cell(kUnwarnedStretch);
  constexpr int32_t kUnwarnedStart = kUnwarnedStretch;
  constexpr int32_t kWarnedStart = kUnwarnedStretch + 10;
  static_assert(!slow_down_warned(kUnwarnedStart) && slow_down_warned(kWarnedStart));

  std::vector<SlowDown> found;
  auto take_board = [&](SlowDown& d) {
    const int64_t w = d.start - kWarningCells;
    if (d.start < last_unwarned) return true;
    const RouteCell& c = at(w);
    bool warned = false;
    if (c.kind == kWarningBoard && c.code1 == d.v && c.code2 == d.dv && !used[static_cast<size_t>(w)]) {
      used[static_cast<size_t>(w)] = true;
      warned = true;
    } else if (is_stop(w) && claim_stop(w, d.dv, 0, d)) {
      warned = true;
    }
    if (d.start == last_unwarned) {
      d.x = warned ? kWarnedStart : kUnwarnedStart;  // on one side of 1500 m the board is there
      if (!warned) return true;
    } else if (!warned) {
      return false;
    }
    // The approach cells count down from (x - 1200) / 50 rounded, the cell
    // before the board; for a start 25 m short of a cell boundary, which
    // rounds into the same start cell when that cell is even, two cells
    // before it.
    const auto short_x = static_cast<int32_t>(item_position(d.start) - kCellMetres / 2);
    for (const int32_t x : {d.x, short_x}) {
      if (x != d.x && (slow_down_cells(x, 0).start != d.start ||
                       slow_down_cells(x, 0).warning != w))
        break;
      const int64_t first = slow_down_cells(x, 0).approach;
      int cells = 0, shown = 0;
      for (int j = 0; j < kApproachCells; ++j) {
        const int64_t a = first - j;
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
      if (cells < kApproachCells || shown == 0) continue;
      d.approach = true;
      d.x = x;
      for (int j = 0; j < kApproachCells; ++j) {
        const int64_t a = first - j;
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
  for (int64_t w = 0; w + kWarningCells <= last_; ++w) {
    if (at(w).kind != kWarningBoard || used[static_cast<size_t>(w)]) continue;
    const int64_t s = w + kWarningCells;
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
      const int64_t b = q - kWarningCells;
      const bool board_hidden = q >= last_unwarned && is_stop(b) && !hidden_.count(b) &&
                                at(b).code2 == d.dv && at(b).code3 == 0 && at(b).code4 == 0 &&
                                at(b).signal_time == 0;
      if (hidden_.count(q) || at(q).code2 != d.dv || at(q).code3 != d.ftt || at(q).code4 != 0 ||
          at(q).signal_time != 0 || (q >= last_unwarned && !board_hidden))
        continue;
      claim_stop(q, d.dv, d.ftt, d);
      if (q >= last_unwarned) {
        if (q == last_unwarned) d.x = kWarnedStart;
        claim_stop(b, d.dv, 0, d);
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

}  // namespace scenarioc::route_reading
