#include <algorithm>

#include "decompiler/route_reader.h"

namespace scenarioc::route_reading {

std::string RouteReader::signal_line(const Signal& s) const {
  const TensPair p1 = split_tens(s.code1), p2 = split_tens(s.code2), p3 = split_tens(s.code3);
  const int64_t rapp = signal_rapp(s.code4, s.x);
  const SignalAspect a = split_signal_x(s.x, s.time != 0);
  const int64_t tempo = signal_time_of_byte(s.time);
  return keyed(Key::kSegnale, ",  %7lld,   %d, %d, %d,  %d, %lld,    %d,  %d,%d,%d, %lld",
                static_cast<long long>(item_position(s.cell)), a.sx, p1.s, p2.s, p3.s,
                static_cast<long long>(rapp), a.dx, p1.d, p2.d, p3.d, static_cast<long long>(tempo));
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
      const std::optional<int32_t> xr = signal_x_of_repeat(at(c).repeat_code, k);
      if (!xr || (x128 && *x128 != *xr)) return false;
      x128 = xr;
      needed = needed || at(c).repeat_code != 0;
    }
    if (s.maybe && !needed) return false;
    if (!x128) {
      // Free: the last digit of code4, with sx = 2 when a time is kept.
      x = signal_x_of_code4(s.code4, s.time != 0);
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
  const std::string point = key_of(Key::kAbbattimento);
  std::sort(items_.slow_downs.begin(), items_.slow_downs.end(), [&point](const SourceLine& a, const SourceLine& b) {
    // Slow-downs before braking points, each by position.
    const bool pa = a.text.rfind(point, 0) == 0, pb = b.text.rfind(point, 0) == 0;
    if (pa != pb) return pb;
    return std::atoll(a.text.c_str() + a.text.find(',') + 1) < std::atoll(b.text.c_str() + b.text.find(',') + 1);
  });
  items_.signals = std::move(after_stations);
  if (stopped) {
    for (const Item& it : items)
      if (it.last) items_.stop = it.type == kStationItem ? stations_[it.index].stops : TrainStop::kAtItem;
    // A station the compile stopped at stays in its section when nothing follows it.
    if (items_.stop != TrainStop::kAtEnd && stopped->text.rfind(key_of(Key::kStazione), 0) == 0 &&
        items_.slow_downs.empty() && items_.signals.empty())
      items_.stations.push_back(*stopped);
    else
      items_.last.push_back(*stopped);
  }
}

}  // namespace scenarioc::route_reading
