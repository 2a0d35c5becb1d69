// The times along the line, as timetable planners draw a train graph: time
// down the panel against distance along the profile's axis. The timetable's
// times at the stations joined up, and from each timed station the fastest
// run the speed limits in force allow to the next one: where the timetable
// asks for less than that, the leg is marked.
#include "plot/drawing.h"

namespace scenarioc::drawing {

Drawing::TimeAxis Drawing::time_axis() const {
  TimeAxis t;
  // The page works the same out again for the legs in sight (plot_page.js,
  // fitTime).
  double lo = std::numeric_limits<double>::infinity(), hi = -lo;
  for (const StationMark& s : d_.stations)
    if (s.record.time_s != 0) {
      lo = std::min(lo, static_cast<double>(s.record.time_s));
      hi = std::max(hi, static_cast<double>(s.record.time_s));
    }
  for (const TimedLeg& leg : d_.legs)
    if (leg.fastest)
      hi = std::max(hi, d_.stations[leg.from].record.time_s + *leg.fastest);
  if (!(hi >= lo)) return t;
  t.any = true;
  if (hi - lo < 120) {
    lo -= 60;
    hi += 60;
  }
  // Steps of whole minutes, or of 5, 10, 15, 30 minutes or whole hours.
  const double raw = (hi - lo) / 4;
  t.step = 60;
  for (const double m : {1, 2, 5, 10, 15, 30, 60, 120, 240})
    if (raw > m * 60 * 0.7) t.step = m * 60;
  t.lo = std::floor(lo / t.step) * t.step;
  t.hi = std::ceil(hi / t.step) * t.step;
  if (t.hi <= t.lo) t.hi = t.lo + t.step;
  return t;
}

void Drawing::draw_time_axis(std::ostream& o, const TimeAxis& t) const {
  if (!t.any) {
    o << "<text class=\"sub\" x=\"" << fmt(pl_ + pw_ / 2) << "\" y=\""
      << fmt(time_top_ + time_h_ / 2) << "\" text-anchor=\"middle\">"
      << "No station of this stretch has a time.</text>\n";
    return;
  }
  for (double v = t.lo; v <= t.hi + 1e-9; v += t.step) {
    const double y = ty(t, v);
    o << "<line class=\"grid\" x1=\"" << fmt(pl_) << "\" y1=\"" << fmt(y) << "\" x2=\""
      << fmt(pl_ + pw_) << "\" y2=\"" << fmt(y) << "\"/><text class=\"tick\" x=\""
      << fmt(pl_ - 6) << "\" y=\"" << fmt(y + 3.5) << "\" text-anchor=\"end\">"
      << clock_words(static_cast<int32_t>(v)) << "</text>\n";
  }
}

void Drawing::draw_time_world(std::ostream& o, const TimeAxis& t) {
  if (!t.any) return;
  // The timetable: its times joined in the order of the stations.
  std::ostringstream line;
  bool first = true;
  for (const StationMark& s : d_.stations) {
    if (s.record.time_s == 0) continue;
    line << (first ? 'M' : 'L') << fmt(dx(s.record.position), 3) << ' '
         << fmt(ty(t, s.record.time_s), 3);
    first = false;
  }
  if (!first)
    o << "<path class=\"timetable\" vector-effect=\"non-scaling-stroke\" d=\"" << line.str()
      << "\"/>\n";
  // The fastest run over each leg, from the first station at its time.
  for (const TimedLeg& leg : d_.legs) {
    if (leg.run.empty()) continue;
    const double start = d_.stations[leg.from].record.time_s;
    std::ostringstream run;
    for (size_t i = 0; i < leg.run.size(); ++i)
      run << (i ? 'L' : 'M') << fmt(dx(leg.run[i].first), 3) << ' '
          << fmt(ty(t, start + leg.run[i].second), 3);
    o << "<path class=\"fastest\" vector-effect=\"non-scaling-stroke\" d=\"" << run.str()
      << "\"/>\n";
  }
  // A leg the timetable makes faster than possible: drawn over its line,
  // and when pointed at, it tells both times.
  for (const TimedLeg& leg : d_.legs) {
    if (!leg.too_tight()) continue;
    const StationMark& a = d_.stations[leg.from];
    const StationMark& b = d_.stations[leg.to];
    const int item = add_item(
        {"leg", "Timetable faster than possible",
         {{"from", profile_label(a) + " at " + clock_words(a.record.time_s)},
          {"to", profile_label(b) + " at " + clock_words(b.record.time_s)},
          {"timetable", duration_words(leg.scheduled)},
          {"fastest possible", duration_words(static_cast<int64_t>(std::floor(*leg.fastest))) +
                                   " at the speed limits in force"}}});
    o << "<path class=\"tight\" vector-effect=\"non-scaling-stroke\" data-item=\"" << item
      << "\" d=\"M" << fmt(dx(a.record.position), 3) << ' ' << fmt(ty(t, a.record.time_s))
      << 'L' << fmt(dx(b.record.position), 3) << ' ' << fmt(ty(t, b.record.time_s))
      << "\"><title>" << esc(items_[static_cast<size_t>(item)].tooltip()) << "</title></path>\n";
  }
}

void Drawing::draw_time_items(std::ostream& o, const TimeAxis& t) {
  if (!t.any) return;
  // The times at the stations, each beside its point where it covers no
  // time set before; the page sets them again the same way as it zooms.
  std::vector<Box> taken;
  const double h = kSmallFont * (kAscent + kDescent);
  for (size_t i = 0; i < d_.stations.size(); ++i) {
    const StationMark& s = d_.stations[i];
    if (s.record.time_s == 0) continue;
    const std::string text = clock_words(s.record.time_s);
    const double x = dx(s.record.position), y = ty(t, s.record.time_s);
    const double w = text_width(text, kSmallFont);
    std::optional<Box> at;
    // Below left first, clear of the line that comes in from above left and
    // the one that goes on below right; then above right, right, left.
    const double places[][2] = {{-4 - w, 2}, {4, -2 - h}, {5, -h / 2}, {-5 - w, -h / 2}};
    for (const auto& [ox, oy] : places) {
      const Box b{x + ox, y + oy, x + ox + w, y + oy + h};
      if (b.x0 < pl_ || b.x1 > pl_ + pw_ || b.y0 < time_top_ || b.y1 > time_top_ + time_h_) continue;
      if (std::none_of(taken.begin(), taken.end(), [&](const Box& o) { return o.overlaps(b, 1); })) {
        at = b;
        break;
      }
    }
    if (at) taken.push_back(*at);
    o << "<g class=\"dp time-mark\" data-item=\"" << station_items_[i] << "\" data-x=\"" << fmt(x)
      << "\" data-y=\"" << fmt(y) << "\" data-w=\"" << fmt(w) << "\" transform=\"translate("
      << fmt(x) << " 0)\"><circle class=\"time-dot" << (s.stops ? "" : " passing") << "\" cy=\""
      << fmt(y) << "\" r=\"3\"/><text class=\"value time-label halo\" x=\""
      << fmt(at ? at->x0 - x : 5) << "\" y=\"" << fmt((at ? at->y0 : y) + kAscent * kSmallFont)
      << "\"" << (at ? "" : " display=\"none\"") << ">" << text << "</text></g>\n";
  }
}

}  // namespace scenarioc::drawing
