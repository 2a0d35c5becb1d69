// The profile along the line, on one distance axis: the stations' lane, the
// height, the gradient and the line speed, each a panel with its axis.
#include "plot/drawing.h"

namespace scenarioc::drawing {

void Drawing::lay_out_profile(double bottom) {
  lane_top_ = prof_top_ + names_h_;
  lane_h_ = kLaneHeight;
  // The four panels share what is left, each with its title in a strip
  // above it, clear of what it draws: the height most, then the times.
  constexpr double kTitle = 18;
  const double room = bottom - kAxisHeight - (lane_top_ + lane_h_) - 4 * kTitle;
  const double fixed = kPanelsMinHeight - 4 * kTitle;
  const double extra = std::max(0.0, room - fixed);
  height_h_ = 70 + extra * 0.30;
  grad_h_ = 50 + extra * 0.15;
  speed_h_ = 60 + extra * 0.20;
  time_h_ = 90 + extra * 0.35;
  height_top_ = lane_top_ + lane_h_ + kTitle;
  grad_top_ = height_top_ + height_h_ + kTitle;
  speed_top_ = grad_top_ + grad_h_ + kTitle;
  time_top_ = speed_top_ + speed_h_ + kTitle;
  axis_y_ = time_top_ + time_h_;
  legend_top_ = bottom + 20;
}

std::string Drawing::profile_label(const StationMark& s) const {
  return s.name.empty() ? "row " + std::to_string(s.row) : s.name;
}

std::string Drawing::sign_label(const LinesideMark& m) const {
  return m.text.empty() ? "sign, row " + std::to_string(m.values.code1) : m.text;
}

double Drawing::line_speed_at(int32_t metre) const {
  for (const ValueRun& r : d_.speeds)
    if (metre >= r.from && metre < r.to) return r.value;
  return d_.speeds.empty() ? 0 : d_.speeds.back().value;
}

// A vertical axis of a panel: grid lines and their values at the left.
void Drawing::y_axis(std::ostream& o, double top, double h, double lo, double hi, double step,
            const std::string& unit, bool sign) const {
  for (double v = std::ceil(lo / step) * step; v <= hi + 1e-9; v += step) {
    const double y = top + h - (v - lo) / (hi - lo) * h;
    std::string t = fmt(v, step < 1 ? 1 : 0);
    if (sign && v > 0) t = "+" + t;
    o << "<line class=\"grid\" x1=\"" << fmt(pl_) << "\" y1=\"" << fmt(y) << "\" x2=\""
      << fmt(pl_ + pw_) << "\" y2=\"" << fmt(y) << "\"/><text class=\"tick\" x=\""
      << fmt(pl_ - 6) << "\" y=\"" << fmt(y + 3.5) << "\" text-anchor=\"end\">" << t
      << unit << "</text>\n";
  }
}

void Drawing::panel_frame(std::ostream& o, double top, double h, const std::string& title) {
  o << "<rect class=\"frame\" x=\"" << fmt(pl_) << "\" y=\"" << fmt(top) << "\" width=\""
    << fmt(pw_) << "\" height=\"" << fmt(h) << "\"/>\n";
  panel_titles_.push_back({top, title});
}

// A value written over its run when the run is wide enough for it.
void Drawing::value_label(std::ostream& o, const ValueRun& r, double y, const std::string& t,
                          const char* cls) const {
  const double w = (r.to - r.from) * u_;
  const double tw = text_width(t, kSmallFont);
  const double cx = dx((r.from + r.to) / 2.0);
  o << "<g class=\"dp vl\" data-x=\"" << fmt(cx) << "\" data-w=\"" << fmt(w) << "\" data-tw=\""
    << fmt(tw) << "\" transform=\"translate(" << fmt(cx) << " 0)\""
    << (w >= tw + 6 ? "" : " display=\"none\"") << "><text class=\"" << cls << " halo\" x=\"0\" y=\""
    << fmt(y) << "\" text-anchor=\"middle\">" << esc(t) << "</text></g>\n";
}

void Drawing::draw_profile(std::ostream& o) {
  o << "<g id=\"profile\">\n";
  o << "<clipPath id=\"profile-clip\"><rect x=\"" << fmt(pl_) << "\" y=\"" << fmt(prof_top_ - 4)
    << "\" width=\"" << fmt(pw_) << "\" height=\"" << fmt(axis_y_ - prof_top_ + 4)
    << "\"/></clipPath>\n";
  // What stands at a point (a signal, a station's dot) is drawn whole at
  // the edges of the stretch: its clip reaches a symbol's half beyond them.
  o << "<clipPath id=\"items-clip\"><rect x=\"" << fmt(pl_ - kEdgeRoom) << "\" y=\""
    << fmt(prof_top_ - 4) << "\" width=\"" << fmt(pw_ + 2 * kEdgeRoom) << "\" height=\""
    << fmt(axis_y_ - prof_top_ + 4) << "\"/></clipPath>\n";

  // Panels and their axes.
  const double mid = lane_top_ + lane_h_ / 2;
  panel_frame(o, lane_top_, lane_h_, "");
  o << "<line class=\"lane-line\" x1=\"" << fmt(pl_) << "\" y1=\"" << fmt(mid) << "\" x2=\""
    << fmt(pl_ + pw_) << "\" y2=\"" << fmt(mid) << "\"/>\n";
  o << "<text class=\"tick\" x=\"" << fmt(pl_ - 6) << "\" y=\"" << fmt(mid - 9)
    << "\" text-anchor=\"end\">signals</text><text class=\"tick\" x=\"" << fmt(pl_ - 6)
    << "\" y=\"" << fmt(mid + 14) << "\" text-anchor=\"end\">boards</text>\n";

  // Heights, added up from the gradients, at each change of gradient.
  std::vector<std::pair<double, double>> heights;  // metre, height
  double h = d_.height_at_from;
  for (const ValueRun& r : d_.gradients) {
    if (heights.empty()) heights.push_back({r.from, h});
    h += r.value * (r.to - r.from) / 1000.0;
    heights.push_back({r.to, h});
  }
  double hlo = 0, hhi = 0;
  if (!heights.empty()) {
    hlo = hhi = heights.front().second;
    for (const auto& p : heights) {
      hlo = std::min(hlo, p.second);
      hhi = std::max(hhi, p.second);
    }
  }
  if (hhi - hlo < 10) {
    const double c = (hhi + hlo) / 2;
    hlo = c - 5;
    hhi = c + 5;
  }
  const double hstep = nice_step(hhi - hlo, 4);
  const double hpad = (hhi - hlo) * 0.06;
  hlo -= hpad;
  hhi += hpad;
  auto hy = [&](double v) { return height_top_ + height_h_ - (v - hlo) / (hhi - hlo) * height_h_; };
  panel_frame(o, height_top_, height_h_, "Height above the start, m");
  o << "<g id=\"height-axis\">\n";
  y_axis(o, height_top_, height_h_, hlo, hhi, hstep, " m", false);
  o << "</g>\n";
  height_lo_ = hlo;
  height_hi_ = hhi;

  int gmax = 5;
  for (const ValueRun& r : d_.gradients) gmax = std::max(gmax, std::abs(r.value));
  const double gstep = nice_step(gmax, 2);
  const double gb = std::ceil(gmax / gstep) * gstep;
  auto gy = [&](double v) { return grad_top_ + grad_h_ / 2 - v / gb * (grad_h_ / 2 - 4); };
  panel_frame(o, grad_top_, grad_h_, "Gradient, \xE2\x80\xB0");
  for (double v = -gb; v <= gb + 1e-9; v += gstep) {
    std::string t = fmt(v, 0);
    if (v > 0) t = "+" + t;
    o << "<line class=\"grid\" x1=\"" << fmt(pl_) << "\" y1=\"" << fmt(gy(v)) << "\" x2=\""
      << fmt(pl_ + pw_) << "\" y2=\"" << fmt(gy(v)) << "\"/><text class=\"tick\" x=\""
      << fmt(pl_ - 6) << "\" y=\"" << fmt(gy(v) + 3.5) << "\" text-anchor=\"end\">" << t
      << "\xE2\x80\xB0</text>\n";
  }

  int vmax = 50;
  for (const ValueRun& r : d_.speeds) vmax = std::max(vmax, r.value);
  const double vstep = nice_step(vmax, 4);
  const double vb = std::ceil(vmax * 1.12 / vstep) * vstep;
  auto vy = [&](double v) { return speed_top_ + speed_h_ - v / vb * speed_h_; };
  panel_frame(o, speed_top_, speed_h_, "Speed, km/h: line speed, and in force with slow-downs");
  y_axis(o, speed_top_, speed_h_, 0, vb, vstep, "", false);
  const TimeAxis times = time_axis();
  time_axis_ = times;
  panel_frame(o, time_top_, time_h_, "Time: the timetable and the fastest possible run");
  o << "<g id=\"time-axis\">\n";
  draw_time_axis(o, times);
  o << "</g>\n";

  // The height, which the page also stretches upright to fit what is in
  // sight; its area runs on below the panel, to be cut at its edge.
  o << "<clipPath id=\"height-clip\"><rect x=\"" << fmt(pl_) << "\" y=\"" << fmt(height_top_)
    << "\" width=\"" << fmt(pw_) << "\" height=\"" << fmt(height_h_) << "\"/></clipPath>\n";
  if (!heights.empty()) {
    const double below = height_top_ + height_h_ + 2000;
    o << "<g clip-path=\"url(#height-clip)\"><g id=\"height-world\"><path class=\"height\" "
         "vector-effect=\"non-scaling-stroke\" d=\"M"
      << fmt(dx(heights.front().first), 3) << ' ' << fmt(below);
    for (const auto& p : heights) o << 'L' << fmt(dx(p.first), 3) << ' ' << fmt(hy(p.second), 3);
    o << 'L' << fmt(dx(heights.back().first), 3) << ' ' << fmt(below) << "Z\"/></g></g>\n";
  }

  // What the page zooms: everything drawn in metres along x.
  o << "<g clip-path=\"url(#profile-clip)\">\n<g id=\"profile-world\">\n";
  for (const ValueRun& r : d_.mountains) {
    const int item = add_item({"mountain", "Mountain stretch",
                               {{"from", position_text(r.from)},
                                {"to", position_text(r.to)},
                                {"type", std::to_string(r.value)}}});
    o << "<rect class=\"mountain\" data-item=\"" << item << "\" x=\"" << fmt(dx(r.from))
      << "\" y=\"" << fmt(height_top_) << "\" width=\"" << fmt((r.to - r.from) * u_)
      << "\" height=\"" << fmt(height_h_) << "\"><title>"
      << esc(items_[static_cast<size_t>(item)].tooltip()) << "</title></rect>\n";
  }
  for (const ValueRun& r : d_.gradients) {
    if (r.value == 0) continue;
    const double y0 = gy(0), y1 = gy(r.value);
    o << "<rect class=\"" << (r.value > 0 ? "climb" : "fall") << "\" x=\"" << fmt(dx(r.from), 3)
      << "\" y=\"" << fmt(std::min(y0, y1)) << "\" width=\"" << fmt((r.to - r.from) * u_, 3)
      << "\" height=\"" << fmt(std::fabs(y1 - y0)) << "\"/>\n";
  }
  if (!d_.speeds.empty()) {
    std::ostringstream line;
    line << 'M' << fmt(dx(d_.speeds.front().from), 3) << ' ' << fmt(vy(d_.speeds.front().value));
    for (size_t i = 0; i < d_.speeds.size(); ++i) {
      const ValueRun& r = d_.speeds[i];
      if (i > 0) line << 'V' << fmt(vy(r.value));
      line << 'H' << fmt(dx(r.to), 3);
    }
    o << "<path class=\"speed-fill\" d=\"" << line.str() << 'V' << fmt(vy(0)) << 'H'
      << fmt(dx(d_.speeds.front().from), 3) << "Z\"/>\n";
    o << "<path class=\"speed\" vector-effect=\"non-scaling-stroke\" d=\"" << line.str()
      << "\"/>\n";
  }
  // The speed in force, where a slow-down lowers it below the line speed.
  for (const ValueRun& r : d_.speeds_in_force) {
    if (r.value >= line_speed_at(r.from)) continue;
    o << "<path class=\"in-force\" vector-effect=\"non-scaling-stroke\" d=\"M"
      << fmt(dx(r.from), 3) << ' ' << fmt(vy(line_speed_at(r.from))) << 'V' << fmt(vy(r.value))
      << 'H' << fmt(dx(r.to), 3) << 'V' << fmt(vy(line_speed_at(r.to - 1))) << "\"/>\n";
  }

  for (const StationMark& s : d_.stations) {
    const double a = dx(s.record.start_pos), b = dx(s.record.stop_pos);
    o << "<rect class=\"station-area\" x=\"" << fmt(a, 3) << "\" y=\"" << fmt(mid - 4)
      << "\" width=\"" << fmt(std::max(b - a, 1.0), 3) << "\" height=\"8\"/>\n";
  }
  o << "</g>\n";
  // The times, which the page also stretches upright to the legs in sight.
  o << "<g id=\"time-world\">\n";
  draw_time_world(o, times);
  o << "</g>\n</g>\n<g clip-path=\"url(#items-clip)\">\n";

  // Station rules across the panels, and the lane's items.
  for (size_t i = 0; i < d_.stations.size(); ++i) {
    const StationMark& s = d_.stations[i];
    const double x = dx(s.record.position);
    o << "<g class=\"dp\" data-item=\"" << station_items_[i] << "\" data-x=\"" << fmt(x)
      << "\" transform=\"translate(" << fmt(x) << " 0)\"><line class=\"rule"
      << (s.stops ? "" : " passing") << "\" x1=\"0\" y1=\"" << fmt(lane_top_) << "\" x2=\"0\" y2=\""
      << fmt(axis_y_) << "\"/><circle class=\"station-dot" << (s.stops ? "" : " passing")
      << "\" cy=\"" << fmt(mid) << "\" r=\"" << (s.stops ? "4" : "3") << "\"/><title>"
      << esc(items_[static_cast<size_t>(station_items_[i])].tooltip()) << "</title></g>\n";
  }
  for (size_t i = 0; i < d_.lineside.size(); ++i) {
    const LinesideMark& m = d_.lineside[i];
    const int item = lineside_items_[i];
    const double x = dx(m.position);
    o << "<g class=\"dp\" data-item=\"" << item << "\" data-x=\"" << fmt(x)
      << "\" transform=\"translate(" << fmt(x) << " 0)\">" << lane_symbol(m.kind, mid)
      << "<title>" << esc(items_[static_cast<size_t>(item)].tooltip()) << "</title></g>\n";
  }
  // Gradient and speed values over their runs, over the station rules.
  for (const ValueRun& r : d_.gradients)
    if (r.value != 0)
      value_label(o, r, r.value > 0 ? gy(r.value) - 3 : gy(r.value) + 10, signed_int(r.value));
  for (const ValueRun& r : d_.speeds) value_label(o, r, vy(r.value) - 4, std::to_string(r.value));
  for (const ValueRun& r : d_.speeds_in_force)
    if (r.value < line_speed_at(r.from))
      value_label(o, r, vy(r.value) + 11, std::to_string(r.value), "value slow-value");
  draw_time_items(o, times);
  o << "</g>\n";

  // Station names and sign texts above the lane, spread together so that
  // none covers another.
  const double pitch = kProfilePitch;
  std::vector<double> anchors;
  for (const StationMark& s : d_.stations) anchors.push_back(dx(s.record.position));
  std::vector<size_t> signs;
  for (size_t i = 0; i < d_.lineside.size(); ++i)
    if (d_.lineside[i].kind == LinesideKind::kSign) {
      signs.push_back(i);
      anchors.push_back(dx(d_.lineside[i].position));
    }
  const std::vector<double> at =
      spread_labels(anchors, pitch, pl_ + pitch / 2, pl_ + pw_ - pitch / 2);
  o << "<g id=\"profile-labels\">\n";
  for (size_t i = 0; i < d_.stations.size(); ++i) {
    const StationMark& s = d_.stations[i];
    o << "<g class=\"sl station-label\" data-item=\"" << station_items_[i] << "\" data-x=\""
      << fmt(anchors[i]) << "\"><polyline class=\"leader\" points=\""
      << station_leader(anchors[i], at[i]) << "\"/><text class=\"pname station-name"
      << (s.stops ? "" : " passing") << "\" transform=\"" << station_text_at(at[i]) << "\">"
      << esc(profile_label(s)) << "</text></g>\n";
  }
  for (size_t k = 0; k < signs.size(); ++k) {
    const size_t i = d_.stations.size() + k;
    o << "<g class=\"sl sign-label\" data-item=\"" << lineside_items_[signs[k]]
      << "\" data-x=\"" << fmt(anchors[i]) << "\"><polyline class=\"leader\" points=\""
      << station_leader(anchors[i], at[i]) << "\"/><text class=\"pname sign-name\" transform=\""
      << station_text_at(at[i]) << "\">" << esc(sign_label(d_.lineside[signs[k]]))
      << "</text></g>\n";
  }
  o << "</g>\n";

  for (const auto& [top, title] : panel_titles_)
    if (!title.empty())
      o << "<text class=\"panel-title halo\" x=\"" << fmt(pl_) << "\" y=\"" << fmt(top - 6)
        << "\">" << esc(title) << "</text>\n";
  o << "<g id=\"distance-axis\">" << distance_axis(d_.from, d_.to) << "</g>\n";
  o << "</g>\n";
}

std::vector<Drawing::KmTick> Drawing::km_ticks(double a, double b, double step) const {
  std::vector<KmTick> out;
  // Each stretch that one progressive counts, from its start to the next.
  std::vector<Progressive> parts = d_.progressives;
  // Before the first progressive the posts count metres from the start.
  if (parts.empty() || parts.front().from > 0) parts.insert(parts.begin(), {0, 0});
  for (size_t i = 0; i < parts.size(); ++i) {
    const double from = std::max<double>(a, parts[i].from);
    const double to = i + 1 < parts.size() ? std::min<double>(b, parts[i + 1].from) : b;
    if (from > to) continue;
    const double k0 = static_cast<double>(d_.kilometre_at(static_cast<int64_t>(parts[i].from)));
    if (i > 0 && parts[i].from >= a && parts[i].from <= b)
      out.push_back({static_cast<double>(parts[i].from), static_cast<int64_t>(k0), true});
    else if (i > 0 && parts[i].from > b)
      break;
    // Round kilometres: the metre where the posts show k is from + k - k0.
    for (double k = std::ceil((k0 + from - parts[i].from) / step) * step;
         parts[i].from + k - k0 <= to + 1e-6; k += step) {
      const double m = parts[i].from + k - k0;
      if (i + 1 < parts.size() && m >= parts[i + 1].from) break;
      if (out.empty() || out.back().metre < m - 1e-6)
        out.push_back({m, static_cast<int64_t>(std::llround(k)), false});
    }
  }
  return out;
}

std::string Drawing::position_text(int64_t metre) const {
  return km_text(d_.kilometre_at(metre)) + " (" + std::to_string(metre) + " m from the start)";
}

std::string Drawing::distance_axis(double a, double b) const {
  const double w = b - a;
  const double step = nice_step(w, 12);
  const double scale = pw_ / w;
  std::ostringstream o;
  o << "<line stroke=\"#555\" x1=\"" << fmt(pl_) << "\" y1=\"" << fmt(axis_y_) << "\" x2=\""
    << fmt(pl_ + pw_) << "\" y2=\"" << fmt(axis_y_) << "\"/>";
  // Values left to right, each left out where it would touch the one before;
  // the start of a progressive always shown.
  std::vector<KmTick> ticks = km_ticks(a, b, step);
  double last_right = -1e9;
  for (const KmTick& t : ticks) {
    const double x = pl_ + (t.metre - a) * scale;
    const std::string label = t.progressive ? km_text(t.kilometre).substr(3)
                                            : distance_label(static_cast<double>(t.kilometre), step);
    const double half = text_width(label, 10) / 2;
    o << "<line stroke=\"#555\" x1=\"" << fmt(x) << "\" y1=\"" << fmt(axis_y_) << "\" x2=\""
      << fmt(x) << "\" y2=\"" << fmt(axis_y_ + (t.progressive ? 9 : 5)) << "\"/>";
    if (x - half < last_right + 4) continue;
    last_right = x + half;
    o << "<text class=\"tick km-label" << (t.progressive ? " progressive" : "") << "\" x=\""
      << fmt(x) << "\" y=\"" << fmt(axis_y_ + 17) << "\" text-anchor=\"middle\">" << label
      << "</text>";
  }
  o << "<text class=\"axis-title\" x=\"" << fmt(pl_ + pw_) << "\" y=\"" << fmt(axis_y_ + 31)
    << "\" text-anchor=\"end\">"
    << (d_.progressives.empty() ? "distance along the line, km"
                                : "kilometres as the posts show them (the line's progressives)")
    << "</text>";
  return o.str();
}

}  // namespace scenarioc::drawing
