#include "plot/plot_data.h"

#include <algorithm>
#include <cmath>

#include "compiler/text_encoding.h"
#include "model/kilometric.h"
#include "model/route_rules.h"

namespace scenarioc {
namespace {

// Runs of one value over the cells that meet [from, to), clipped to it.
template <typename Value>
std::vector<ValueRun> runs(const std::vector<RouteCell>& route, int32_t from, int32_t to,
                           Value value) {
  std::vector<ValueRun> out;
  const size_t first = static_cast<size_t>(from / kCellMetres);
  for (size_t c = first; c < route.size(); ++c) {
    const int32_t a = std::max(from, static_cast<int32_t>(c) * kCellMetres);
    const int32_t b = std::min(to, static_cast<int32_t>(c + 1) * kCellMetres);
    if (a >= b) break;
    const int v = value(route[c]);
    if (!out.empty() && out.back().value == v && out.back().to == a)
      out.back().to = b;
    else
      out.push_back({a, b, v});
  }
  return out;
}

int gradient_of(const RouteCell& c) { return cell_gradient(c.gradient); }

// The cell occupants the plot draws; the first of a mark names it.
struct LinesideOccupant {
  uint8_t cell_kind;
  LinesideKind mark;
};
constexpr LinesideOccupant kLinesideOccupants[] = {
    {kSignal, LinesideKind::kSignal},
    {kSpeedBoard, LinesideKind::kSpeedBoard},
    {kWarningBoard, LinesideKind::kSlowDownWarning},
    {kSlowDownStart, LinesideKind::kSlowDownStart},
    {kSlowDownEnd, LinesideKind::kSlowDownEnd},
    {kSign, LinesideKind::kSign},
    {kPointWithValue, LinesideKind::kPoint},
    {kPointWithoutValue, LinesideKind::kPoint},
};

LinesideKind lineside_kind(uint8_t kind, bool& known) {
  for (const LinesideOccupant& o : kLinesideOccupants)
    if (o.cell_kind == kind) {
      known = true;
      return o.mark;
    }
  known = false;
  return LinesideKind::kSignal;
}

}  // namespace

// The words of the dump's occupants (literals, so .data() ends in a NUL).
const char* lineside_name(LinesideKind kind) {
  for (const LinesideOccupant& o : kLinesideOccupants)
    if (o.mark == kind) return cell_kind_name(o.cell_kind).data();
  return "";
}

std::string text_for_display(const std::string& windows_1252) {
  std::string out;
  for (unsigned char b : windows_1252) {
    uint32_t c = windows_1252_code_point(b);
    if (c == 0 && b != 0) c = 0xFFFD;         // a byte the code page leaves unset
    if (c < 0x20 && c != '\t') c = 0xFFFD;  // no place in XML
    put_utf8(out, c);
  }
  return out;
}

SpeedProfile route_speed_profile(const std::vector<RouteCell>& route) {
  SpeedProfile p;
  int last = -1;
  for (size_t c = 0; c < route.size(); ++c) {
    const int v = cell_speed_kmh(route[c].speed_limit);
    if (v != last) p.add_limit(static_cast<int64_t>(c) * kCellMetres, v);
    last = v;
  }
  // A slow-down runs from its start board to the end board after it, at
  // the speed its start board gives.
  for (size_t c = 0; c < route.size(); ++c) {
    if (route[c].kind != kSlowDownStart) continue;
    for (size_t e = c + 1; e < route.size(); ++e)
      if (route[e].kind == kSlowDownEnd) {
        const int64_t from = item_position(static_cast<int64_t>(c));
        p.add_slow_down(from, item_position(static_cast<int64_t>(e)) - from, route[c].code1);
        break;
      }
  }
  return p;
}

int64_t PlotData::kilometre_at(int64_t metre) const {
  const Progressive* best = nullptr;
  for (const Progressive& p : progressives)
    if (p.from <= metre) best = &p;
  return best ? best->kilometre + (metre - best->from) : metre;
}

std::optional<PlotPoint> PlotData::point_at(int32_t metre) const {
  const int64_t i = static_cast<int64_t>(metre) - track_from;
  if (i < 0 || i >= static_cast<int64_t>(track.size())) return std::nullopt;
  return track[static_cast<size_t>(i)];
}

PlotData plot_data(const std::vector<RouteCell>& route, const Timetable& rows,
                   const DecodedPlan* plan, const PlotRange& range) {
  PlotData d;
  d.line_name = text_for_display(rows[kLineRow].text);
  d.train_number = text_for_display(rows[kTrainRow].text);
  d.route_length = rows[kTrainDataRow].stop_pos;
  // The gradient and speed tails stop short of the last two cells, which
  // hold nothing the line file gave.
  d.data_end = std::max<int32_t>(0, static_cast<int32_t>(route.size()) - 3) * kCellMetres;
  if (d.data_end <= 0) throw PlotRangeError("the route holds no stretch of line to draw");

  d.from = range.from.value_or(0);
  if (d.from < 0) throw PlotRangeError("--from must not be negative");
  if (d.from >= d.data_end)
    throw PlotRangeError("--from " + std::to_string(d.from) + " lies beyond the line, which ends at " +
                         std::to_string(d.data_end) + " m");
  if (range.to) {
    d.to = std::min(*range.to, d.data_end);
  } else {
    d.to = d.route_length > d.from && d.route_length <= d.data_end ? d.route_length : d.data_end;
  }
  if (d.to <= d.from)
    throw PlotRangeError("--to " + std::to_string(d.to) + " must lie after --from " +
                         std::to_string(d.from));

  // The plan: metres from 0 up to the first one the compiler left empty.
  if (plan) {
    const int32_t valid = plan->seeded() ? std::min(plan->last_computed(), plan->last_metre()) + 1 : 0;
    const int32_t length = d.to - d.from;
    const int32_t first = std::max(0, d.from - length);
    const int32_t last = std::min(valid - 1, d.to + length);
    if (last >= d.from && first <= last) {
      d.track_from = first;
      d.track.reserve(static_cast<size_t>(last - first + 1));
      for (int32_t m = first; m <= last; ++m) {
        const PlanValue x = plan->x(m);
        const PlanValue y = plan->y(m);
        if (!std::isfinite(x.value) || !std::isfinite(y.value)) {
          const bool in_y = std::isfinite(x.value);
          throw FormatError(plan->offset_of(in_y, m),
                            "the line plan's " + std::string(in_y ? "Y" : "X") + " of metre " +
                                std::to_string(m) + " is not a number");
        }
        d.track.push_back({x.value, y.value});
      }
    }
  }

  // The sign rows are the rows a sign cell names.
  int lowest_sign_row = kNoSignRow;
  for (const RouteCell& c : route)
    if (c.kind == kSign && c.code1 > 0 && c.code1 < lowest_sign_row) lowest_sign_row = c.code1;
  const int last_station = last_station_row(rows, lowest_sign_row);
  for (int r = 1; r <= last_station; ++r) {
    const ScenarioRecord& rec = rows[static_cast<size_t>(r)];
    if (rec.position < d.from || rec.position > d.to) continue;
    StationMark s;
    s.row = r;
    s.name = text_for_display(rec.text);
    s.record = rec;
    s.stops = rec.type < 25;
    s.at = d.point_at(rec.position);
    d.stations.push_back(std::move(s));
  }

  for (size_t c = 0; c < route.size(); ++c) {
    bool known = false;
    const LinesideKind kind = lineside_kind(route[c].kind, known);
    if (!known) continue;
    // A point lies on the cell of its position; every other item one cell on.
    const int32_t cell = static_cast<int32_t>(c);
    const auto position = static_cast<int32_t>(kind == LinesideKind::kPoint ? point_position(c)
                                                                             : item_position(c));
    if (position < d.from || position > d.to) continue;
    LinesideMark m;
    m.kind = kind;
    m.cell = cell;
    m.position = position;
    m.values = route[c];
    if (kind == LinesideKind::kSign && m.values.code1 > 0 && m.values.code1 < kScenarioRows)
      m.text = text_for_display(rows[static_cast<size_t>(m.values.code1)].text);
    m.at = d.point_at(position);
    d.lineside.push_back(std::move(m));
  }

  d.gradients = runs(route, d.from, d.to, gradient_of);
  d.speeds = runs(route, d.from, d.to, [](const RouteCell& c) { return cell_speed_kmh(c.speed_limit); });
  std::vector<ValueRun> mountains =
      runs(route, d.from, d.to, [](const RouteCell& c) { return static_cast<int>(c.mountain); });
  for (const ValueRun& r : mountains)
    if (r.value != 0) d.mountains.push_back(r);

  // The limit in force, with its changes where a cell's speed or a
  // slow-down changes it.
  d.speed_profile = route_speed_profile(route);
  {
    std::vector<int32_t> cuts{d.from};
    for (const ValueRun& r : d.speeds) cuts.push_back(r.from);
    for (size_t c = 0; c < route.size(); ++c)
      if (route[c].kind == kSlowDownStart || route[c].kind == kSlowDownEnd)
        cuts.push_back(static_cast<int32_t>(item_position(static_cast<int64_t>(c))));
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    for (size_t i = 0; i < cuts.size(); ++i) {
      const int32_t a = std::max(cuts[i], d.from);
      const int32_t b = std::min(i + 1 < cuts.size() ? cuts[i + 1] : d.to, d.to);
      if (a >= b) continue;
      const int v = static_cast<int>(d.speed_profile.speed_at(a));
      if (!d.speeds_in_force.empty() && d.speeds_in_force.back().value == v &&
          d.speeds_in_force.back().to == a)
        d.speeds_in_force.back().to = b;
      else
        d.speeds_in_force.push_back({a, b, v});
    }
  }

  // The progressives: each row's start and the kilometre it gives there.
  for (const int r : kProgressiveRows) {
    const ScenarioRecord& p = rows[static_cast<size_t>(r)];
    if (p.start_pos == 0 && p.stop_pos == 0) continue;
    d.progressives.push_back({p.start_pos, *kilometric_point(rows, p.start_pos)});
  }
  std::sort(d.progressives.begin(), d.progressives.end(),
            [](const Progressive& a, const Progressive& b) { return a.from < b.from; });

  // The legs of the timetable and the fastest run over each.
  std::optional<size_t> before;
  for (size_t i = 0; i < d.stations.size(); ++i) {
    const ScenarioRecord& r = d.stations[i].record;
    if (r.time_s == 0) continue;  // a station without a time
    if (before) {
      const ScenarioRecord& b = d.stations[*before].record;
      TimedLeg leg;
      leg.from = *before;
      leg.to = i;
      leg.scheduled = r.time_s - b.time_s;
      if (b.position <= r.position && d.speed_profile.has_limits()) {
        leg.fastest = d.speed_profile.least_seconds(b.position, r.position);
        if (leg.fastest) {
          std::vector<int32_t> cuts{b.position};
          for (const ValueRun& v : d.speeds_in_force)
            if (v.from > b.position && v.from < r.position) cuts.push_back(v.from);
          cuts.push_back(r.position);
          for (const int32_t m : cuts)
            leg.run.push_back({m, d.speed_profile.least_seconds(b.position, m).value_or(0)});
        }
      }
      d.legs.push_back(std::move(leg));
    }
    before = i;
  }

  double h = 0;
  for (int32_t c = 0; c * kCellMetres < d.from && static_cast<size_t>(c) < route.size(); ++c)
    h += gradient_of(route[static_cast<size_t>(c)]) *
         std::min(kCellMetres, d.from - c * kCellMetres) / 1000.0;
  d.height_at_from = h;
  return d;
}

}  // namespace scenarioc
