// The plan of the track to scale: its layout, the track, the grid, the
// north arrow and the scale bar, the stations and what stands beside the
// track.
#include "plot/drawing.h"

namespace scenarioc::drawing {

bool Drawing::plan_extent(double& x0, double& x1, double& y0, double& y1) const {
  x0 = std::numeric_limits<double>::infinity();
  x1 = -x0;
  y0 = x0;
  y1 = -x0;
  if (!d_.has_plan()) return false;
  for (int32_t m = d_.from; m <= d_.to; ++m) {
    const std::optional<PlotPoint> p = d_.point_at(m);
    if (!p) continue;
    x0 = std::min(x0, p->x);
    x1 = std::max(x1, p->x);
    y0 = std::min(y0, p->y);
    y1 = std::max(y1, p->y);
  }
  return x1 >= x0;  // false: the plan ends before the stretch
}

// The scale that fits a w by h metres extent into a box, padded, with equal
// axes.
static double fit_scale(double w, double h, double box_w, double box_h) {
  const double inf = std::numeric_limits<double>::infinity();
  const double s = std::min(w > 0 ? (box_w - 2 * kPlanPad) / w : inf,
                            h > 0 ? (box_h - 2 * kPlanPad) / h : inf);
  return std::isfinite(s) && s > 0 ? s : 1;  // a stretch of one point
}

void Drawing::lay_out() {
  const double bottom = kHeight - legend_height();
  // The profile needs this much height at the least (see lay_out_profile).
  double longest = 0;
  for (const StationMark& s : d_.stations)
    longest = std::max(longest, text_width(profile_label(s), kProfileFont, false));
  for (const LinesideMark& m : d_.lineside)
    if (m.kind == LinesideKind::kSign)
      longest = std::max(longest, text_width(sign_label(m), kProfileFont, false));
  names_h_ = std::clamp(longest + 34, 60.0, 210.0);
  const double profile_min = names_h_ + kLaneHeight + kPanelsMinHeight + kAxisHeight;

  double x0 = 0, x1 = 0, y0 = 0, y1 = 0;
  plan_ok_ = plan_extent(x0, x1, y0, y1);
  const double w = x1 - x0, h = y1 - y0;
  // The plan across the top, as high as it needs and the profile leaves.
  const double top_room = bottom - kPlanTop - kPlanAxis - profile_min;
  double top_h = plan_ok_ ? std::clamp(h * fit_scale(w, 0, kInner, 0) + 2 * kPlanPad,
                                       kPlanMinHeight, std::max(kPlanMinHeight, top_room))
                          : 64;
  const double top_s = plan_ok_ ? fit_scale(w, h, kInner, top_h) : 0;
  // Or at the right, as wide as it needs and the profile leaves.
  const double side_h = bottom - kPlanTop - kPlanAxis;
  const double side_room = kInner - kProfileMinWidth - kPlanGap;
  const double side_w = plan_ok_ ? std::clamp(w * fit_scale(0, h, 0, side_h) + 2 * kPlanPad,
                                              kPlanMinWidth, side_room)
                                 : 0;
  const double side_s = plan_ok_ ? fit_scale(w, h, side_w, side_h) : 0;

  // The profile keeps the width its names need, spread along its axis.
  size_t names = d_.stations.size();
  for (const LinesideMark& m : d_.lineside) names += m.kind == LinesideKind::kSign;
  const double names_w = static_cast<double>(names) * kProfilePitch;
  bool side = false;
  if (plan_ok_ && side_s > top_s * 1.15 && kInner - kPlanGap - names_w >= kPlanMinWidth) {
    // Wider, or with smaller names, where the stations are too crowded to
    // name beside a narrow plan.
    side = true;
    const double widest = std::min(side_room + 200, kInner - kPlanGap - names_w);
    bool free = false;
    for (const double font : {kPlanFont, kPlanFont - 2}) {
      for (const double wider : {0.0, 100.0, 200.0}) {
        const double width = std::clamp(side_w + wider, kPlanMinWidth, std::max(kPlanMinWidth, widest));
        plan_box_ = {kWidth - kRight - width, kPlanTop, kWidth - kRight, kPlanTop + side_h};
        plan_font_ = font;
        track_px_.clear();
        fit_plan(plan_box_);
        free = plan_names().all_free;
        track_px_.clear();
        if (free) break;
      }
      if (free) break;
    }
  }
  if (side) {
    pl_ = kLeft;
    pw_ = plan_box_.x0 - kPlanGap - kLeft;
    prof_top_ = kPlanTop - 8;
  } else {
    plan_box_ = {kLeft, kPlanTop, kLeft + kInner, kPlanTop + top_h};
    pl_ = kLeft;
    pw_ = kInner;
    prof_top_ = plan_box_.y1 + kPlanAxis;
  }
  u_ = pw_ / static_cast<double>(d_.to - d_.from);
  if (plan_ok_) fit_plan(plan_box_);
  lay_out_profile(bottom);
}

void Drawing::fit_plan(const Box& f) {
  double x0 = 0, x1 = 0, y0 = 0, y1 = 0;
  plan_extent(x0, x1, y0, y1);
  s_ = fit_scale(x1 - x0, y1 - y0, f.width(), f.height());
  ox_ = (f.x0 + f.x1) / 2 - s_ * (x0 + x1) / 2;
  oy_ = (f.y0 + f.y1) / 2 + s_ * (y0 + y1) / 2;
  for (size_t i = 0; i < d_.track.size(); ++i) track_px_.push_back(plan_px(d_.track[i]));
  // The north arrow where fewer points of the stretch's track pass.
  auto crossing = [&](bool left) {
    arrow_left_ = left;
    const Box a = arrow_box();
    size_t n = 0;
    for (int32_t m = d_.from; m <= d_.to; ++m)
      if (const auto p = d_.point_at(m)) n += a.contains(plan_px(*p).x, plan_px(*p).y);
    return n;
  };
  const size_t right = crossing(false);
  arrow_left_ = right > 0 && crossing(true) < right;
}

// Station names: beside their points, never over one another, nor over
// the north arrow or the scale bar.
Drawing::PlanNames Drawing::plan_names() const {
  PlanNames n;
  const Box& f = plan_box_;
  const Box arrow = arrow_box(), bar = bar_box();
  const Box inner{f.x0 + 3, f.y0 + 3, f.x1 - 3, f.y1 - 3};
  std::vector<Obstacle>& obstacles = n.obstacles;
  const double sample = std::max(1.0, 3 / s_);
  for (double m = d_.from; m <= d_.to; m += sample)
    if (const auto p = d_.point_at(static_cast<int32_t>(m))) {
      const Px a = plan_px(*p);
      obstacles.push_back({a.x, a.y, 40});
    }
  for (const LinesideMark& m : d_.lineside)
    if (m.at) obstacles.push_back({plan_px(*m.at).x, plan_px(*m.at).y, 15});
  std::vector<LabelRequest> requests;
  std::vector<size_t>& which = n.which;
  for (size_t i = 0; i < d_.stations.size(); ++i) {
    const StationMark& s = d_.stations[i];
    if (!s.at) continue;
    const Px a = plan_px(*s.at);
    obstacles.push_back({a.x, a.y, 400});
    const std::string name = s.name.empty() ? "row " + std::to_string(s.row) : s.name;
    requests.push_back({a.x, a.y, text_width(name, plan_font_, s.stops) + 4,
                        plan_font_ * (kAscent + kDescent) + 2, true});
    which.push_back(i);
  }
  // Names of stopping stations first: they get the nearest places.
  n.order.resize(requests.size());
  for (size_t i = 0; i < n.order.size(); ++i) n.order[i] = i;
  std::stable_sort(n.order.begin(), n.order.end(), [&](size_t a, size_t b) {
    return d_.stations[which[a]].stops > d_.stations[which[b]].stops;
  });
  for (size_t i : n.order) n.ordered.push_back(requests[i]);
  n.placed = place_labels(n.ordered, inner, {arrow, bar}, obstacles);
  for (size_t i = 0; i < n.placed.size() && n.all_free; ++i)
    for (size_t j = i + 1; j < n.placed.size(); ++j)
      if (n.placed[i].box.overlaps(n.placed[j].box)) {
        n.all_free = false;
        break;
      }
  return n;
}

std::string Drawing::path_of(const std::vector<size_t>& keep, int decimals) const {
  std::string p;
  char buf[80];
  for (size_t i = 0; i < keep.size(); ++i) {
    const Px& q = track_px_[keep[i]];
    std::snprintf(buf, sizeof buf, "%c%.*f %.*f", i == 0 ? 'M' : 'L', decimals, q.x, decimals,
                  q.y);
    p += buf;
  }
  return p;
}

// The track between two metres as a path, fine enough for the page's
// deepest zoom when drawn for the page.
std::string Drawing::track_path(int32_t from, int32_t to) const {
  const int64_t a = std::max<int64_t>(from - d_.track_from, 0);
  const int64_t b = std::min<int64_t>(to - d_.track_from, static_cast<int64_t>(track_px_.size()) - 1);
  if (b <= a) return "";
  const double tolerance = page_ ? 0.25 / kMaxZoom : 0.25;
  return path_of(simplify(track_px_, static_cast<size_t>(a), static_cast<size_t>(b), tolerance),
                 page_ ? 3 : 2);
}

void Drawing::draw_plan(std::ostream& o) {
  const Box& f = plan_box_;
  o << "<g id=\"plan\">\n";
  o << "<rect class=\"frame\" x=\"" << fmt(f.x0) << "\" y=\"" << fmt(f.y0) << "\" width=\""
    << fmt(f.width()) << "\" height=\"" << fmt(f.height()) << "\"/>\n";
  o << "<clipPath id=\"plan-clip\"><rect x=\"" << fmt(f.x0) << "\" y=\"" << fmt(f.y0)
    << "\" width=\"" << fmt(f.width()) << "\" height=\"" << fmt(f.height())
    << "\"/></clipPath>\n";
  if (!plan_ok_) {
    o << "<text class=\"sub\" x=\"" << fmt((f.x0 + f.x1) / 2) << "\" y=\""
      << fmt((f.y0 + f.y1) / 2) << "\" text-anchor=\"middle\">"
      << (d_.has_plan() ? "The line plan does not reach this stretch."
                        : "No line plan: the track's plan was not compiled.")
      << "</text>\n</g>\n";
    return;
  }
  o << "<g id=\"plan-grid\">" << plan_grid(1, 0, 0) << "</g>\n";

  // The track and what stands on it, clipped to the frame.
  o << "<g clip-path=\"url(#plan-clip)\">\n<g id=\"plan-world\">\n";
  const int32_t track_to = d_.track_from + static_cast<int32_t>(d_.track.size()) - 1;
  for (const auto& [a, b] : {std::pair{d_.track_from, d_.from}, std::pair{d_.to, track_to}})
    if (b > a)
      o << "<path class=\"track-context\" vector-effect=\"non-scaling-stroke\" d=\""
        << track_path(a, b) << "\"/>\n";
  for (const StationMark& s : d_.stations) {
    const std::string p = track_path(s.record.start_pos, s.record.stop_pos);
    if (!p.empty())
      o << "<path class=\"area\" vector-effect=\"non-scaling-stroke\" d=\"" << p << "\"/>\n";
  }
  o << "<path id=\"track\" class=\"track\" vector-effect=\"non-scaling-stroke\" d=\""
    << track_path(d_.from, d_.to) << "\"/>\n";
  o << "</g>\n";

  // Kilometre posts: a short cross rule on the track.
  const double post_step = std::max(100.0, nice_step(d_.to - d_.from, 12));
  std::vector<LabelRequest> post_labels;
  std::vector<std::string> post_texts;
  std::vector<Px> post_at;
  for (const KmTick& tick : km_ticks(d_.from, d_.to, post_step)) {
    const int32_t mi = static_cast<int32_t>(std::llround(tick.metre));
    const double m = static_cast<double>(tick.kilometre);
    const std::optional<PlotPoint> p = d_.point_at(mi), q = d_.point_at(mi + 1);
    if (!p) continue;
    const Px a = plan_px(*p);
    Px dir{0, -1};
    if (q) {
      const Px b = plan_px(*q);
      const double len = std::hypot(b.x - a.x, b.y - a.y);
      if (len > 0) dir = {(b.x - a.x) / len, (b.y - a.y) / len};
    }
    o << "<g class=\"pp\" data-x=\"" << fmt(a.x) << "\" data-y=\"" << fmt(a.y)
      << "\" transform=\"translate(" << fmt(a.x) << ' ' << fmt(a.y) << ")\"><line x1=\""
      << fmt(-dir.y * 5) << "\" y1=\"" << fmt(dir.x * 5) << "\" x2=\"" << fmt(dir.y * 5)
      << "\" y2=\"" << fmt(-dir.x * 5) << "\" stroke=\"#777\" stroke-width=\"1.2\"/></g>\n";
    const std::string t = post_step >= 1000 && !tick.progressive ? "km " + fmt(m / 1000, 0)
                                                                  : km_text(tick.kilometre);
    post_texts.push_back(t);
    post_at.push_back(a);
    post_labels.push_back({a.x, a.y, text_width(t, kSmallFont) + 2, kSmallFont * 1.17 + 1, false});
  }

  // Lineside items, then the stations over them.
  for (size_t i = 0; i < d_.lineside.size(); ++i) {
    const LinesideMark& m = d_.lineside[i];
    if (!m.at) continue;
    const Px a = plan_px(*m.at);
    const int item = lineside_items_[i];
    o << "<g class=\"pp\" data-item=\"" << item << "\" data-x=\"" << fmt(a.x) << "\" data-y=\""
      << fmt(a.y) << "\" transform=\"translate(" << fmt(a.x) << ' ' << fmt(a.y) << ")\">"
      << plan_symbol(m.kind) << "<title>" << esc(items_[static_cast<size_t>(item)].tooltip())
      << "</title></g>\n";
  }
  for (size_t i = 0; i < d_.stations.size(); ++i) {
    const StationMark& s = d_.stations[i];
    if (!s.at) continue;
    const Px a = plan_px(*s.at);
    const int item = station_items_[i];
    o << "<g class=\"pp\" data-item=\"" << item << "\" data-x=\"" << fmt(a.x) << "\" data-y=\""
      << fmt(a.y) << "\" transform=\"translate(" << fmt(a.x) << ' ' << fmt(a.y)
      << ")\"><circle class=\"station-dot" << (s.stops ? "" : " passing") << "\" r=\""
      << (s.stops ? "4.5" : "3.5") << "\"/><title>"
      << esc(items_[static_cast<size_t>(item)].tooltip()) << "</title></g>\n";
  }
  o << "</g>\n";

  const Box arrow = arrow_box(), bar = bar_box();
  const Box inner{f.x0 + 3, f.y0 + 3, f.x1 - 3, f.y1 - 3};
  const PlanNames names = plan_names();
  const std::vector<Obstacle>& obstacles = names.obstacles;
  const std::vector<size_t>& which = names.which;
  const std::vector<size_t>& order = names.order;
  const std::vector<LabelRequest>& ordered = names.ordered;
  const std::vector<PlacedLabel>& placed = names.placed;

  o << "<g id=\"plan-labels\" clip-path=\"url(#plan-clip)\">\n";
  std::vector<Box> taken{arrow, bar};
  for (size_t k = 0; k < order.size(); ++k) {
    const StationMark& s = d_.stations[which[order[k]]];
    const LabelRequest& r = ordered[k];
    const PlacedLabel& p = placed[k];
    if (p.shown) taken.push_back(p.box);
    const std::string name = s.name.empty() ? "row " + std::to_string(s.row) : s.name;
    o << "<g class=\"pl station-label\" data-item=\"" << station_items_[which[order[k]]]
      << "\" data-x=\"" << fmt(r.x) << "\" data-y=\"" << fmt(r.y) << "\" data-w=\""
      << fmt(r.width) << "\" data-h=\"" << fmt(r.height) << "\" data-bx=\""
      << fmt(p.box.x0 - r.x) << "\" data-by=\"" << fmt(p.box.y0 - r.y) << "\" data-base=\""
      << fmt(1 + plan_font_ * kAscent) << "\">";
    // The rule starts at the rim of the station's dot.
    double rx = r.x, ry = r.y;
    if (p.leader) {
      const double len = std::hypot(p.leader_x - r.x, p.leader_y - r.y);
      if (len > 0) {
        rx += (p.leader_x - r.x) / len * kDotRim;
        ry += (p.leader_y - r.y) / len * kDotRim;
      }
    }
    o << "<line class=\"leader\" x1=\"" << fmt(rx) << "\" y1=\"" << fmt(ry) << "\" x2=\""
      << fmt(p.leader ? p.leader_x : rx) << "\" y2=\"" << fmt(p.leader ? p.leader_y : ry)
      << "\"/>";
    o << "<text class=\"name halo station-name" << (s.stops ? "" : " passing")
      << "\" text-anchor=\"middle\" x=\"" << fmt((p.box.x0 + p.box.x1) / 2) << "\" y=\""
      << fmt(p.box.y0 + 1 + plan_font_ * kAscent) << "\""
      << (plan_font_ != kPlanFont ? " style=\"font-size:" + fmt(plan_font_) + "px\"" : "") << ">"
      << esc(name) << "</text></g>\n";
  }
  // Kilometre posts where there is room left.
  const std::vector<PlacedLabel> posts = place_labels(post_labels, inner, taken, obstacles);
  for (size_t i = 0; i < posts.size(); ++i) {
    const PlacedLabel& p = posts[i];
    o << "<g class=\"pl kmpost-label\" data-x=\"" << fmt(post_at[i].x) << "\" data-y=\""
      << fmt(post_at[i].y) << "\" data-w=\"" << fmt(post_labels[i].width) << "\" data-h=\""
      << fmt(post_labels[i].height) << "\" data-base=\"" << fmt(0.5 + kSmallFont * kAscent)
      << "\"" << (p.shown ? "" : " display=\"none\"") << ">"
      << "<text class=\"kmpost halo\" text-anchor=\"middle\" x=\""
      << fmt((p.box.x0 + p.box.x1) / 2) << "\" y=\"" << fmt(p.box.y0 + 0.5 + kSmallFont * kAscent)
      << "\">" << esc(post_texts[i]) << "</text></g>\n";
  }
  o << "</g>\n";

  // North arrow and scale bar.
  o << "<g id=\"north\" transform=\"translate(" << fmt(arrow.x0 + 21) << ' ' << fmt(arrow.y0 + 8)
    << ")\"><path d=\"M0 0 L9 30 L0 24 L-9 30 Z\" fill=\"#333\"/><text x=\"0\" y=\"46\" "
       "text-anchor=\"middle\" font-size=\"13\" font-weight=\"bold\">N</text></g>\n";
  o << "<g id=\"scale-bar\">" << scale_bar(1) << "</g>\n";
  o << "</g>\n";
}

// The coordinate grid of the plan, north up, in kilometres from the start
// of the line; k, tx, ty: the page's zoom (1, 0, 0 as drawn).
std::string Drawing::plan_grid(double k, double tx, double ty) const {
  const Box& f = plan_box_;
  const double sk = s_ * k;
  const double wx0 = (f.x0 - tx - k * ox_) / sk, wx1 = (f.x1 - tx - k * ox_) / sk;
  const double wy0 = (k * oy_ + ty - f.y1) / sk, wy1 = (k * oy_ + ty - f.y0) / sk;
  const double step = nice_step(std::max(wx1 - wx0, wy1 - wy0), 10);
  std::ostringstream o;
  for (double x = std::ceil(wx0 / step) * step; x <= wx1; x += step) {
    const double px = k * (ox_ + s_ * x) + tx;
    o << "<line class=\"grid\" x1=\"" << fmt(px) << "\" y1=\"" << fmt(f.y0) << "\" x2=\""
      << fmt(px) << "\" y2=\"" << fmt(f.y1) << "\"/><text class=\"tick\" x=\"" << fmt(px)
      << "\" y=\"" << fmt(f.y1 + 13) << "\" text-anchor=\"middle\">"
      << distance_label(x, step) << "</text>";
  }
  for (double y = std::ceil(wy0 / step) * step; y <= wy1; y += step) {
    const double py = k * (oy_ - s_ * y) + ty;
    o << "<line class=\"grid\" x1=\"" << fmt(f.x0) << "\" y1=\"" << fmt(py) << "\" x2=\""
      << fmt(f.x1) << "\" y2=\"" << fmt(py) << "\"/><text class=\"tick\" x=\"" << fmt(f.x0 - 5)
      << "\" y=\"" << fmt(py + 3.5) << "\" text-anchor=\"end\">" << distance_label(y, step)
      << "</text>";
  }
  o << "<text class=\"axis-title\" x=\"" << fmt(f.x1) << "\" y=\"" << fmt(f.y1 + 26)
    << "\" text-anchor=\"end\">east of the start, km</text>";
  o << "<text class=\"axis-title\" x=\"" << fmt(f.x0 - 5) << "\" y=\"" << fmt(f.y0 - 5)
    << "\" text-anchor=\"end\">north, km</text>";
  return o.str();
}

std::string Drawing::scale_bar(double k) const {
  const Box& f = plan_box_;
  const double metres = nice_step(150 / (s_ * k), 1);
  const double len = metres * s_ * k;
  const double x = f.x0 + 14, y = f.y1 - 16;
  std::ostringstream o;
  for (int i = 0; i < 4; ++i)
    o << "<rect x=\"" << fmt(x + len * i / 4) << "\" y=\"" << fmt(y) << "\" width=\""
      << fmt(len / 4) << "\" height=\"5\" fill=\"" << (i % 2 ? "#fff" : "#333")
      << "\" stroke=\"#333\" stroke-width=\"0.8\"/>";
  o << "<text class=\"tick\" x=\"" << fmt(x) << "\" y=\"" << fmt(y - 4) << "\">0</text>";
  o << "<text class=\"tick\" x=\"" << fmt(x + len) << "\" y=\"" << fmt(y - 4)
    << "\" text-anchor=\"middle\">"
    << (metres >= 1000 ? fmt(metres / 1000, 1) + " km" : fmt(metres, 0) + " m") << "</text>";
  return o.str();
}

}  // namespace scenarioc::drawing
