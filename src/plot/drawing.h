// The line diagram's drawing, shared by the files that draw it: the plan of
// the track (plot_plan.cc), the profile along the line (plot_profile.cc),
// and the picture as a whole with its title, items, legend and the page's
// data (plot_svg.cc). One class holds the layout the panels share.
#pragma once

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <limits>
#include <sstream>
#include <utility>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "plot/plot_data.h"
#include "plot/plot_labels.h"
#include "plot/plot_svg.h"

namespace scenarioc::drawing {

// The page is laid out in pixels on a sheet of A3 landscape (1400 by 990,
// 0.3 mm a pixel): the whole of it opens on one desktop screen and prints
// on one sheet. The plan takes the top of the sheet for a line that runs
// east-west, its right side for one that runs north-south; the profile and
// the times along the line take the rest, on one distance axis.
constexpr double kWidth = 1400;
constexpr double kHeight = 990;
constexpr double kLeft = 72;   // room for the profile's value labels
constexpr double kRight = 28;
constexpr double kInner = kWidth - kLeft - kRight;
constexpr double kPlanTop = 60;
constexpr double kPlanPad = 28;  // between the track and the plan's frame
constexpr double kPlanMinHeight = 130;
constexpr double kPlanMinWidth = 280;
constexpr double kProfileMinWidth = 820;
constexpr double kPlanAxis = 34;  // under the plan: its grid's values
constexpr double kPlanGap = 56;   // beside it: its grid's values
// The profile's fixed parts: the lane of lineside items, the least height of
// its four panels with their titles, and its distance axis.
constexpr double kLaneHeight = 44;
constexpr double kPanelsMinHeight = 4 * 18 + 70 + 50 + 60 + 90;
constexpr double kAxisHeight = 36;
constexpr double kEdgeRoom = 6;  // half the widest symbol of the profile
constexpr double kPlanFont = 12;
constexpr double kProfileFont = 11;
constexpr double kSmallFont = 10;
// Between the names spread along the profile's axis.
constexpr double kProfilePitch = kProfileFont * (kAscent + kDescent) + 2.5;
constexpr double kDotRim = 5.5;  // a station's dot, with its outline

inline std::string fmt(double v, int decimals = 2) {
  if (!std::isfinite(v)) v = 0;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  std::string s = buf;
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  if (s == "-0") s = "0";
  return s;
}

inline std::string esc(std::string_view t) {
  std::string out;
  for (char c : t) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

inline std::string json_str(std::string_view t) {
  std::string out = "\"";
  for (char c : t) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '<') {
      out += "\\u003c";  // never "</script>" inside the page's data
    } else if (u < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", u);
      out += buf;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

// "km 29+050", the way positions are written on a railway.
inline std::string km_text(int64_t m) {
  const int64_t a = m < 0 ? -m : m;
  char buf[40];
  std::snprintf(buf, sizeof buf, "km %s%lld+%03lld", m < 0 ? "-" : "", static_cast<long long>(a / 1000),
                static_cast<long long>(a % 1000));
  return buf;
}

inline double nice_step(double span, double target) {
  if (!(span > 0)) return 1;
  const double raw = span / target;
  const double mag = std::pow(10.0, std::floor(std::log10(raw)));
  const double n = raw / mag;
  return (n < 1.5 ? 1 : n < 3 ? 2 : n < 7 ? 5 : 10) * mag;
}

// A distance on an axis: kilometres from 1 km steps on, metres below.
// A distance on an axis, in kilometres with as many decimals as the step
// between the ticks needs.
inline std::string distance_label(double metres, double step) {
  const int decimals = step >= 1000 ? 0 : static_cast<int>(std::ceil(-std::log10(step / 1000) - 1e-9));
  return fmt(metres / 1000, decimals);
}

inline std::string signed_int(int v) { return v > 0 ? "+" + std::to_string(v) : std::to_string(v); }

// One thing a person can point at, and what the page shows for it.
struct Item {
  std::string kind;  // station, signal, board, sign, point, mountain
  std::string title;
  std::vector<std::pair<std::string, std::string>> fields;

  std::string tooltip() const {
    std::string t = title;
    for (const auto& [k, v] : fields) t += "\n" + k + ": " + v;
    return t;
  }
};

struct Px {
  double x = 0, y = 0;
};

// The points to keep of a polyline so that none left out lies farther than
// `tolerance` from the line drawn (Douglas and Peucker).
inline std::vector<size_t> simplify(const std::vector<Px>& p, size_t first, size_t last,
                             double tolerance) {
  std::vector<bool> keep(last - first + 1, false);
  keep.front() = keep.back() = true;
  std::vector<std::pair<size_t, size_t>> todo{{first, last}};
  while (!todo.empty()) {
    const auto [a, b] = todo.back();
    todo.pop_back();
    if (b <= a + 1) continue;
    const double dx = p[b].x - p[a].x, dy = p[b].y - p[a].y;
    const double len = std::hypot(dx, dy);
    double worst = -1;
    size_t at = a;
    for (size_t i = a + 1; i < b; ++i) {
      const double ex = p[i].x - p[a].x, ey = p[i].y - p[a].y;
      const double dist = len > 0 ? std::fabs(ex * dy - ey * dx) / len : std::hypot(ex, ey);
      if (dist > worst) {
        worst = dist;
        at = i;
      }
    }
    if (worst > tolerance) {
      keep[at - first] = true;
      todo.push_back({a, at});
      todo.push_back({at, b});
    }
  }
  std::vector<size_t> out;
  for (size_t i = 0; i < keep.size(); ++i)
    if (keep[i]) out.push_back(first + i);
  return out;
}

class Drawing {
 public:
  Drawing(const PlotData& d, const std::string& caption, bool page)
      : d_(d), caption_(caption), page_(page) {
    lay_out();
    for (const StationMark& st : d_.stations) station_items_.push_back(add_item(station_item(st)));
    for (const LinesideMark& m : d_.lineside) lineside_items_.push_back(add_item(lineside_item(m)));
  }

  PlotDrawing draw();

 private:
  // ---- where everything goes -------------------------------------------

  double dx(double metre) const { return pl_ + (metre - d_.from) * u_; }
  Px plan_px(const PlotPoint& p) const { return {ox_ + s_ * p.x, oy_ - s_ * p.y}; }

  // Where the plan goes, and the profile's panels in the room left.
  void lay_out();
  // The plan's scale and origin once its box is set.
  void fit_plan(const Box& box);
  // The heights of the profile's panels between prof_top_ and `bottom`.
  void lay_out_profile(double bottom);
  // The height the legend and the caption take at the foot of the sheet.
  double legend_height() const;
  // The track's extent over the stretch, metres east and north.
  bool plan_extent(double& x0, double& x1, double& y0, double& y1) const;
  // The kilometre posts between two metres: at round values of the posts'
  // kilometres, `step` apart, and where a progressive starts.
  struct KmTick {
    double metre;
    int64_t kilometre;
    bool progressive;  // a progressive starts here
  };
  std::vector<KmTick> km_ticks(double a, double b, double step) const;
  std::string position_text(int64_t metre) const;

  std::string profile_label(const StationMark& s) const;
  std::string sign_label(const LinesideMark& m) const;

  double line_speed_at(int32_t metre) const;

  int add_item(Item item) {
    items_.push_back(std::move(item));
    return static_cast<int>(items_.size()) - 1;
  }

  Item station_item(const StationMark& s) const;

  static std::string pair_code(int16_t code, const char* a, const char* b);
  static std::string board_speed_text(int16_t code, const char* s, const char* d);

  Item lineside_item(const LinesideMark& m) const;

  // ---- the parts of the picture ----------------------------------------

  std::string style() const;

  void draw_title(std::ostream& o) const;

  std::string path_of(const std::vector<size_t>& keep, int decimals) const;

  // The track between two metres as a path, fine enough for the page's
  // deepest zoom when drawn for the page.
  std::string track_path(int32_t from, int32_t to) const;

  static constexpr double kMaxZoom = 256;

  void draw_plan(std::ostream& o);

  // The station names of the plan, placed; all_free: none had to be set
  // over another.
  struct PlanNames {
    std::vector<Obstacle> obstacles;
    std::vector<size_t> which, order;  // the station of each request; names in placing order
    std::vector<LabelRequest> ordered;
    std::vector<PlacedLabel> placed;
    bool all_free = true;
  };
  PlanNames plan_names() const;

  // Corners of the plan kept free of names.
  // The north arrow takes the top corner the track leaves freer.
  Box arrow_box() const {
    if (arrow_left_) return {plan_box_.x0 + 4, plan_box_.y0 + 4, plan_box_.x0 + 46, plan_box_.y0 + 62};
    return {plan_box_.x1 - 46, plan_box_.y0 + 4, plan_box_.x1 - 4, plan_box_.y0 + 62};
  }
  Box bar_box() const {
    return {plan_box_.x0 + 4, plan_box_.y1 - 40, plan_box_.x0 + 210, plan_box_.y1 - 4};
  }

  // The coordinate grid of the plan, north up, in kilometres from the start
  // of the line; k, tx, ty: the page's zoom (1, 0, 0 as drawn).
  std::string plan_grid(double k, double tx, double ty) const;

  std::string scale_bar(double k) const;

  static std::string plan_symbol(LinesideKind kind);

  // The same items in the profile's lane, around its middle line y.
  static std::string lane_symbol(LinesideKind kind, double y);

  // A vertical axis of a panel: grid lines and their values at the left.
  void y_axis(std::ostream& o, double top, double h, double lo, double hi, double step,
              const std::string& unit, bool sign) const;

  void panel_frame(std::ostream& o, double top, double h, const std::string& title);

  // A value written over its run when the run is wide enough for it.
  void value_label(std::ostream& o, const ValueRun& r, double y, const std::string& t,
                   const char* cls = "value") const;

  // The time panel: its scale, its grid, the lines in metres along x (which
  // the page stretches as it zooms) and the marks and times at stations.
  struct TimeAxis {
    double lo = 0, hi = 1;  // seconds at the top and the foot of the panel
    double step = 60;
    bool any = false;       // a station of the stretch has a time
  };
  TimeAxis time_axis() const;
  double ty(const TimeAxis& t, double seconds) const {
    return time_top_ + 6 + (seconds - t.lo) / (t.hi - t.lo) * (time_h_ - 12);
  }
  void draw_time_axis(std::ostream& o, const TimeAxis& t) const;
  void draw_time_world(std::ostream& o, const TimeAxis& t);
  void draw_time_items(std::ostream& o, const TimeAxis& t);

  void draw_profile(std::ostream& o);

  // Where the station names in the profile start, reading upward; the page
  // script lays them out again from there as it zooms.
  double station_label_bottom() const { return lane_top_ - 27; }

  std::string station_leader(double anchor, double label) const {
    return fmt(anchor) + ',' + fmt(lane_top_) + ' ' + fmt(anchor) + ',' + fmt(lane_top_ - 8) + ' ' +
           fmt(label) + ',' + fmt(lane_top_ - 20) + ' ' + fmt(label) + ',' + fmt(lane_top_ - 25);
  }
  // Rotated to read upward, its glyphs centred on x.
  std::string station_text_at(double x) const {
    const double centre = (kAscent - kDescent) / 2 * kProfileFont;
    return "translate(" + fmt(x + centre) + ' ' + fmt(station_label_bottom()) + ") rotate(-90)";
  }

  std::string distance_axis(double a, double b) const;

  void draw_legend(std::ostream& o);

  // ---- what the page script needs --------------------------------------

  std::string data_json() const;

  const PlotData& d_;
  std::string caption_;
  bool page_;
  double u_ = 1;  // pixels a metre along the profile
  double pl_ = kLeft, pw_ = kInner;  // the profile's left edge and width
  Box plan_box_;
  bool plan_ok_ = false;
  double s_ = 1, ox_ = 0, oy_ = 0;  // plan: pixels = (ox + s x, oy - s y)
  std::vector<Px> track_px_;         // the track from d_.track_from, in pixels
  double prof_top_ = 0, lane_top_ = 0, lane_h_ = 0, height_top_ = 0, height_h_ = 0;
  double grad_top_ = 0, grad_h_ = 0, speed_top_ = 0, speed_h_ = 0, axis_y_ = 0;
  double time_top_ = 0, time_h_ = 0, names_h_ = 60;
  double plan_font_ = kPlanFont;  // of the station names on the plan
  bool arrow_left_ = false;       // the north arrow in the top left corner
  double legend_top_ = 0, height_ = 0;
  double height_lo_ = 0, height_hi_ = 1;  // metres at the foot and the top of the height panel
  std::vector<Item> items_;
  std::vector<int> station_items_;        // item of each station
  std::vector<int> lineside_items_;  // item of each lineside mark
  std::vector<std::pair<double, std::string>> panel_titles_;  // top of a panel, its title
  TimeAxis time_axis_;  // as drawn
};

}  // namespace scenarioc::drawing
