#include "plot/plot_svg.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <limits>
#include <sstream>
#include <utility>

#include "plot/plot_labels.h"

namespace scenarioc {
namespace {

// The page is laid out in pixels, 1400 wide: wide enough for a 220 km
// line's names, narrow enough to open whole on a desktop screen.
constexpr double kWidth = 1400;
constexpr double kLeft = 72;   // room for the profile's value labels
constexpr double kRight = 28;
constexpr double kInner = kWidth - kLeft - kRight;
constexpr double kPlanTop = 56;
constexpr double kPlanPad = 40;  // between the track and the plan's frame
constexpr double kPlanMinHeight = 300;
constexpr double kPlanMaxHeight = 720;
constexpr double kPlanFont = 12;
constexpr double kProfileFont = 11;
constexpr double kSmallFont = 10;
constexpr double kDotRim = 5.5;  // a station's dot, with its outline

std::string fmt(double v, int decimals = 2) {
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

std::string esc(std::string_view t) {
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

std::string json_str(std::string_view t) {
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
std::string km_text(int64_t m) {
  const int64_t a = m < 0 ? -m : m;
  char buf[40];
  std::snprintf(buf, sizeof buf, "km %s%lld+%03lld", m < 0 ? "-" : "", static_cast<long long>(a / 1000),
                static_cast<long long>(a % 1000));
  return buf;
}

std::string time_text(int32_t s) {
  char buf[32];
  if (s % 60 != 0)
    std::snprintf(buf, sizeof buf, "%d:%02d:%02d", s / 3600, s / 60 % 60, s % 60);
  else
    std::snprintf(buf, sizeof buf, "%d:%02d", s / 3600, s / 60 % 60);
  return buf;
}

double nice_step(double span, double target) {
  if (!(span > 0)) return 1;
  const double raw = span / target;
  const double mag = std::pow(10.0, std::floor(std::log10(raw)));
  const double n = raw / mag;
  return (n < 1.5 ? 1 : n < 3 ? 2 : n < 7 ? 5 : 10) * mag;
}

// A distance on an axis: kilometres from 1 km steps on, metres below.
// A distance on an axis, in kilometres with as many decimals as the step
// between the ticks needs.
std::string distance_label(double metres, double step) {
  const int decimals = step >= 1000 ? 0 : static_cast<int>(std::ceil(-std::log10(step / 1000) - 1e-9));
  return fmt(metres / 1000, decimals);
}

std::string signed_int(int v) { return v > 0 ? "+" + std::to_string(v) : std::to_string(v); }

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
std::vector<size_t> simplify(const std::vector<Px>& p, size_t first, size_t last,
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
    u_ = kInner / static_cast<double>(d_.to - d_.from);
    lay_out_plan();
    lay_out_profile();
    for (const StationMark& st : d_.stations) station_items_.push_back(add_item(station_item(st)));
    for (const LinesideMark& m : d_.lineside) lineside_items_.push_back(add_item(lineside_item(m)));
  }

  PlotDrawing draw() {
    PlotDrawing out;
    std::ostringstream body;
    draw_title(body);
    draw_plan(body);
    draw_profile(body);
    draw_legend(body);
    out.width = kWidth;
    out.height = height_;
    std::ostringstream svg;
    svg << "<svg xmlns=\"http://www.w3.org/2000/svg\" id=\"line-plot\" width=\"" << fmt(kWidth)
        << "\" height=\"" << fmt(height_) << "\" viewBox=\"0 0 " << fmt(kWidth) << ' '
        << fmt(height_) << "\" font-family=\"" << esc(kPlotFont) << "\">\n"
        << style() << body.str() << "</svg>\n";
    out.svg = svg.str();
    if (page_) out.data = data_json();
    return out;
  }

 private:
  // ---- where everything goes -------------------------------------------

  double dx(double metre) const { return kLeft + (metre - d_.from) * u_; }
  Px plan_px(const PlotPoint& p) const { return {ox_ + s_ * p.x, oy_ - s_ * p.y}; }

  void lay_out_plan() {
    plan_box_ = {kLeft, kPlanTop, kLeft + kInner, kPlanTop + 64};
    if (!d_.has_plan()) return;
    double x0 = std::numeric_limits<double>::infinity(), x1 = -x0, y0 = x0, y1 = -x0;
    for (int32_t m = d_.from; m <= d_.to; ++m) {
      const std::optional<PlotPoint> p = d_.point_at(m);
      if (!p) continue;
      x0 = std::min(x0, p->x);
      x1 = std::max(x1, p->x);
      y0 = std::min(y0, p->y);
      y1 = std::max(y1, p->y);
    }
    if (!(x1 >= x0)) return;  // the plan ends before the stretch
    const double w = x1 - x0, h = y1 - y0;
    const double room_w = kInner - 2 * kPlanPad, room_h = kPlanMaxHeight - 2 * kPlanPad;
    s_ = std::min(w > 0 ? room_w / w : std::numeric_limits<double>::infinity(),
                  h > 0 ? room_h / h : std::numeric_limits<double>::infinity());
    if (!std::isfinite(s_)) s_ = 1;  // a stretch of one point
    const double frame_h = std::clamp(h * s_ + 2 * kPlanPad, kPlanMinHeight, kPlanMaxHeight);
    plan_box_ = {kLeft, kPlanTop, kLeft + kInner, kPlanTop + frame_h};
    ox_ = kLeft + kInner / 2 - s_ * (x0 + x1) / 2;
    oy_ = kPlanTop + frame_h / 2 + s_ * (y0 + y1) / 2;
    plan_ok_ = true;
    for (size_t i = 0; i < d_.track.size(); ++i) track_px_.push_back(plan_px(d_.track[i]));
  }

  void lay_out_profile() {
    prof_top_ = plan_box_.y1 + 46;
    double longest = 0;
    for (const StationMark& s : d_.stations)
      longest = std::max(longest, text_width(profile_label(s), kProfileFont, false));
    lane_top_ = prof_top_ + std::max(70.0, longest + 34);
    lane_h_ = 50;
    // Each panel has its title in a strip above it, clear of what it draws.
    height_top_ = lane_top_ + lane_h_ + 22;
    height_h_ = 170;
    grad_top_ = height_top_ + height_h_ + 22;
    grad_h_ = 120;
    speed_top_ = grad_top_ + grad_h_ + 22;
    speed_h_ = 110;
    axis_y_ = speed_top_ + speed_h_;
    legend_top_ = axis_y_ + 52;
  }

  std::string profile_label(const StationMark& s) const {
    std::string t = s.name.empty() ? "row " + std::to_string(s.row) : s.name;
    if (s.record.time_s != 0) t += "  " + time_text(s.record.time_s);
    return t;
  }

  double line_speed_at(int32_t metre) const {
    for (const ValueRun& r : d_.speeds)
      if (metre >= r.from && metre < r.to) return r.value;
    return d_.speeds.empty() ? 0 : d_.speeds.back().value;
  }

  int add_item(Item item) {
    items_.push_back(std::move(item));
    return static_cast<int>(items_.size()) - 1;
  }

  Item station_item(const StationMark& s) const {
    const ScenarioRecord& r = s.record;
    Item it{"station", s.name.empty() ? "row " + std::to_string(s.row) : s.name, {}};
    it.fields.push_back({"position", km_text(r.position) + " (" + std::to_string(r.position) + " m)"});
    it.fields.push_back({"kind", std::string(s.stops ? "stop" : "no stop") + ", type " +
                                     std::to_string(r.type)});
    it.fields.push_back({"area", std::to_string(r.start_pos) + " to " + std::to_string(r.stop_pos) +
                                     " m (" + std::to_string(r.stop_pos - r.start_pos) + " m)"});
    it.fields.push_back({"time", r.time_s != 0 ? time_text(r.time_s) : "none"});
    it.fields.push_back({"line speed", fmt(line_speed_at(r.position), 0) + " km/h"});
    it.fields.push_back({"row", std::to_string(s.row)});
    it.fields.push_back(
        {"fields 4 to 13",
         "byte_a " + std::to_string(r.byte_a) + ", byte_d " + std::to_string(r.byte_d) +
             ", byte_c " + std::to_string(r.byte_c) + ", int_a " + std::to_string(r.int_a) +
             ", int_b " + std::to_string(r.int_b) + ", byte_e " + std::to_string(r.byte_e) +
             ", int_c " + std::to_string(r.int_c) + ", int_d " + std::to_string(r.int_d) +
             ", int_e " + std::to_string(r.int_e) + ", byte_f " + std::to_string(r.byte_f)});
    return it;
  }

  static std::string pair_code(int16_t code, const char* a, const char* b) {
    const TensPair p = split_tens(code);
    return std::to_string(code) + " (" + a + " " + std::to_string(p.s) + ", " + b + " " +
           std::to_string(p.d) + ")";
  }
  static std::string board_speed_text(int16_t code, const char* s, const char* d) {
    const BoardSpeed b = board_speed(code);
    return std::to_string(code) + " (" + s + " " + std::to_string(b.s) + ", " + d + " " +
           std::to_string(b.d) + ")";
  }

  Item lineside_item(const LinesideMark& m) const {
    const RouteCell& c = m.values;
    Item it{"", "", {}};
    it.title = lineside_name(m.kind);
    it.title[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(it.title[0])));
    it.fields.push_back({"position", km_text(m.position) + " (" + std::to_string(m.position) + " m)"});
    switch (m.kind) {
      case LinesideKind::kSignal: {
        it.kind = "signal";
        it.fields.push_back({"code1", pair_code(c.code1, "s1", "d1")});
        it.fields.push_back({"code2", pair_code(c.code2, "s2", "d2")});
        it.fields.push_back({"code3", pair_code(c.code3, "s3", "d3")});
        // X as code4 shows it; the decompiler may find another from the
        // repeat cells, but both give back this code4.
        const int32_t x = signal_x_of_code4(c.code4, c.signal_time != 0);
        const SignalAspect a = split_signal_x(x, c.signal_time != 0);
        it.fields.push_back({"code4", std::to_string(c.code4) + " (rapp " +
                                          std::to_string(signal_rapp(c.code4, x)) + ", sx " +
                                          std::to_string(a.sx) + ", dx " +
                                          std::to_string(a.dx) + ")"});
        it.fields.push_back({"signal time", std::to_string(c.signal_time)});
        break;
      }
      case LinesideKind::kSpeedBoard:
        it.kind = "board";
        it.fields.push_back({"speed A", board_speed_text(c.code1, "vas", "vad")});
        it.fields.push_back({"speed B", board_speed_text(c.code2, "vbs", "vbd")});
        it.fields.push_back({"speed C", board_speed_text(c.code3, "vcs", "vcd")});
        it.fields.push_back({"stripes", pair_code(c.code4, "strisces", "strisced")});
        break;
      case LinesideKind::kSlowDownWarning:
      case LinesideKind::kSlowDownStart:
      case LinesideKind::kSlowDownEnd:
        it.kind = "board";
        it.fields.push_back({"speed", std::to_string(c.code1) + " km/h"});
        if (c.code2 != 0) it.fields.push_back({"d_v", std::to_string(c.code2)});
        if (m.kind != LinesideKind::kSlowDownWarning)
          it.fields.push_back({"f_tt", std::to_string(c.code3)});
        break;
      case LinesideKind::kSign:
        it.kind = "sign";
        it.fields.push_back({"text", m.text});
        it.fields.push_back({"row", std::to_string(c.code1)});
        break;
      case LinesideKind::kPoint:
        it.kind = "point";
        it.fields.push_back({"value", c.kind == kPointWithValue ? std::to_string(c.code1) : "none"});
        break;
    }
    it.fields.push_back({"line speed", fmt(line_speed_at(m.position), 0) + " km/h"});
    it.fields.push_back({"cell", std::to_string(m.cell)});
    return it;
  }

  // ---- the parts of the picture ----------------------------------------

  std::string style() const {
    return "<style>\n"
           "text{fill:#222}\n"
           ".title{font-size:18px;font-weight:bold}\n"
           ".sub{font-size:12px;fill:#555}\n"
           ".frame{fill:#fff;stroke:#999;stroke-width:1}\n"
           ".grid{stroke:#ececec;stroke-width:1}\n"
           ".tick{font-size:10px;fill:#666}\n"
           ".axis-title{font-size:10px;fill:#666;font-style:italic}\n"
           ".panel-title{font-size:11px;fill:#555;font-weight:bold}\n"
           ".track{fill:none;stroke:#333;stroke-width:2.4;stroke-linejoin:round;stroke-linecap:round}\n"
           ".track-context{fill:none;stroke:#bbb;stroke-width:1.6;stroke-linejoin:round}\n"
           ".area{fill:none;stroke:#b7b7b7;stroke-width:8;stroke-linecap:round}\n"
           ".leader{fill:none;stroke:#888;stroke-width:0.8;pointer-events:none}\n"
           ".halo{paint-order:stroke;stroke:#fff;stroke-width:3px;stroke-linejoin:round}\n"
           ".name{font-size:12px;font-weight:bold}\n"
           ".name.passing{font-weight:normal;fill:#555}\n"
           ".pname{font-size:11px}\n"
           ".pname.passing{fill:#666;font-style:italic}\n"
           ".time{fill:#1f5fa8}\n"
           ".kmpost{font-size:10px;fill:#777}\n"
           ".rule{stroke:#9a9a9a;stroke-width:0.8}\n"
           ".rule.passing{stroke:#c4c4c4;stroke-dasharray:3 3}\n"
           ".height{fill:#eadcc6;stroke:#8c6d46;stroke-width:1.4}\n"
           ".mountain{fill:#7a5c3a;fill-opacity:0.13}\n"
           ".climb{fill:#d9822b}\n"
           ".fall{fill:#2a9d8f}\n"
           ".speed{fill:none;stroke:#2f5fb3;stroke-width:2}\n"
           ".speed-fill{fill:#2f5fb3;fill-opacity:0.08;stroke:none}\n"
           ".value{font-size:10px;fill:#444}\n"
           ".signal{fill:#d62728;stroke:#fff;stroke-width:0.8}\n"
           ".mast{stroke:#d62728;stroke-width:1.2}\n"
           ".board{fill:#1f77b4;stroke:#fff;stroke-width:0.8}\n"
           ".slow{fill:#ff7f0e;stroke:#fff;stroke-width:0.8}\n"
           ".sign{fill:#8e44ad;stroke:#fff;stroke-width:0.8}\n"
           ".point{fill:#222;stroke:#fff;stroke-width:0.8}\n"
           ".station-dot{fill:#fff;stroke:#111;stroke-width:2}\n"
           ".station-dot.passing{stroke:#777;stroke-width:1.5}\n"
           ".station-area{fill:#9d9d9d}\n"
           ".lane-line{stroke:#555;stroke-width:1.5}\n"
           ".legend{font-size:11px;fill:#333}\n"
           ".caption{font-size:10px;fill:#888}\n"
           ".hi .station-dot,.hi .signal,.hi .board,.hi .sign,.hi .slow,.hi .point"
           "{stroke:#ffbf00;stroke-width:3}\n"
           ".hi text{fill:#b35900}\n"
           "[data-item]{cursor:pointer}\n"
           "</style>\n";
  }

  void draw_title(std::ostream& o) const {
    std::string t = "Line " + d_.line_name;
    if (!d_.train_number.empty()) t += " \xC2\xB7 train " + d_.train_number;
    size_t signals = 0, boards = 0;
    for (const LinesideMark& m : d_.lineside) {
      if (m.kind == LinesideKind::kSignal) ++signals;
      if (m.kind == LinesideKind::kSpeedBoard) ++boards;
    }
    o << "<text class=\"title\" x=\"" << fmt(kLeft) << "\" y=\"28\">" << esc(t) << "</text>\n";
    o << "<text class=\"sub\" x=\"" << fmt(kLeft) << "\" y=\"46\">" << esc(km_text(d_.from))
      << " to " << esc(km_text(d_.to)) << " \xC2\xB7 " << fmt((d_.to - d_.from) / 1000.0, 3)
      << " km \xC2\xB7 " << d_.stations.size() << " stations \xC2\xB7 " << signals
      << " signals \xC2\xB7 " << boards << " speed boards</text>\n";
  }

  std::string path_of(const std::vector<size_t>& keep, int decimals) const {
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
  std::string track_path(int32_t from, int32_t to) const {
    const int64_t a = std::max<int64_t>(from - d_.track_from, 0);
    const int64_t b = std::min<int64_t>(to - d_.track_from, static_cast<int64_t>(track_px_.size()) - 1);
    if (b <= a) return "";
    const double tolerance = page_ ? 0.25 / kMaxZoom : 0.25;
    return path_of(simplify(track_px_, static_cast<size_t>(a), static_cast<size_t>(b), tolerance),
                   page_ ? 3 : 2);
  }

  static constexpr double kMaxZoom = 256;

  void draw_plan(std::ostream& o) {
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
    for (double m = std::ceil(d_.from / post_step) * post_step; m <= d_.to; m += post_step) {
      const int32_t mi = static_cast<int32_t>(m);
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
      const std::string t = post_step >= 1000 ? "km " + fmt(m / 1000, 0) : km_text(mi);
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

    // Station names: beside their points, never over one another, nor over
    // the north arrow or the scale bar.
    const Box arrow = arrow_box(), bar = bar_box();
    const Box inner{f.x0 + 3, f.y0 + 3, f.x1 - 3, f.y1 - 3};
    std::vector<Obstacle> obstacles;
    const double sample = std::max(1.0, 3 / s_);
    for (double m = d_.from; m <= d_.to; m += sample)
      if (const auto p = d_.point_at(static_cast<int32_t>(m))) {
        const Px a = plan_px(*p);
        obstacles.push_back({a.x, a.y, 40});
      }
    for (const LinesideMark& m : d_.lineside)
      if (m.at) obstacles.push_back({plan_px(*m.at).x, plan_px(*m.at).y, 15});
    std::vector<LabelRequest> requests;
    std::vector<size_t> which;
    for (size_t i = 0; i < d_.stations.size(); ++i) {
      const StationMark& s = d_.stations[i];
      if (!s.at) continue;
      const Px a = plan_px(*s.at);
      obstacles.push_back({a.x, a.y, 400});
      const std::string name = s.name.empty() ? "row " + std::to_string(s.row) : s.name;
      requests.push_back({a.x, a.y, text_width(name, kPlanFont, s.stops) + 4,
                          kPlanFont * (kAscent + kDescent) + 2, true});
      which.push_back(i);
    }
    // Names of stopping stations first: they get the nearest places.
    std::vector<size_t> order(requests.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
      return d_.stations[which[a]].stops > d_.stations[which[b]].stops;
    });
    std::vector<LabelRequest> ordered;
    for (size_t i : order) ordered.push_back(requests[i]);
    std::vector<PlacedLabel> placed = place_labels(ordered, inner, {arrow, bar}, obstacles);

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
        << fmt(1 + kPlanFont * kAscent) << "\">";
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
        << fmt(p.box.y0 + 1 + kPlanFont * kAscent) << "\">" << esc(name) << "</text></g>\n";
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

  // Corners of the plan kept free of names.
  Box arrow_box() const {
    return {plan_box_.x1 - 46, plan_box_.y0 + 4, plan_box_.x1 - 4, plan_box_.y0 + 62};
  }
  Box bar_box() const {
    return {plan_box_.x0 + 4, plan_box_.y1 - 40, plan_box_.x0 + 210, plan_box_.y1 - 4};
  }

  // The coordinate grid of the plan, north up, in kilometres from the start
  // of the line; k, tx, ty: the page's zoom (1, 0, 0 as drawn).
  std::string plan_grid(double k, double tx, double ty) const {
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

  std::string scale_bar(double k) const {
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

  static std::string plan_symbol(LinesideKind kind) {
    switch (kind) {
      case LinesideKind::kSignal: return "<circle class=\"signal\" r=\"2.6\"/>";
      case LinesideKind::kSpeedBoard:
        return "<rect class=\"board\" x=\"-2.6\" y=\"-2.6\" width=\"5.2\" height=\"5.2\"/>";
      case LinesideKind::kSign: return "<path class=\"sign\" d=\"M0 -3.4L3.4 0L0 3.4L-3.4 0Z\"/>";
      case LinesideKind::kPoint: return "<circle class=\"point\" r=\"2.2\"/>";
      default: return "<path class=\"slow\" d=\"M-3.4 -2.6H3.4L0 3.4Z\"/>";
    }
  }

  // The same items in the profile's lane, around its middle line y.
  static std::string lane_symbol(LinesideKind kind, double y) {
    std::ostringstream o;
    switch (kind) {
      case LinesideKind::kSignal:
        o << "<line class=\"mast\" x1=\"0\" y1=\"" << fmt(y - 1) << "\" x2=\"0\" y2=\""
          << fmt(y - 11) << "\"/><circle class=\"signal\" cy=\"" << fmt(y - 14) << "\" r=\"3.4\"/>";
        break;
      case LinesideKind::kSpeedBoard:
        o << "<rect class=\"board\" x=\"-3.5\" y=\"" << fmt(y + 4) << "\" width=\"7\" height=\"7\"/>";
        break;
      case LinesideKind::kSign:
        o << "<path class=\"sign\" d=\"M0 " << fmt(y + 14) << "l4 4l-4 4l-4 -4Z\"/>";
        break;
      case LinesideKind::kPoint:
        o << "<circle class=\"point\" cy=\"" << fmt(y) << "\" r=\"2.6\"/>";
        break;
      default:
        o << "<path class=\"slow\" d=\"M-4 " << fmt(y + 4) << "h8l-4 7Z\"/>";
    }
    return o.str();
  }

  // A vertical axis of a panel: grid lines and their values at the left.
  void y_axis(std::ostream& o, double top, double h, double lo, double hi, double step,
              const std::string& unit, bool sign) const {
    for (double v = std::ceil(lo / step) * step; v <= hi + 1e-9; v += step) {
      const double y = top + h - (v - lo) / (hi - lo) * h;
      std::string t = fmt(v, step < 1 ? 1 : 0);
      if (sign && v > 0) t = "+" + t;
      o << "<line class=\"grid\" x1=\"" << fmt(kLeft) << "\" y1=\"" << fmt(y) << "\" x2=\""
        << fmt(kLeft + kInner) << "\" y2=\"" << fmt(y) << "\"/><text class=\"tick\" x=\""
        << fmt(kLeft - 6) << "\" y=\"" << fmt(y + 3.5) << "\" text-anchor=\"end\">" << t
        << unit << "</text>\n";
    }
  }

  void panel_frame(std::ostream& o, double top, double h, const std::string& title) {
    o << "<rect class=\"frame\" x=\"" << fmt(kLeft) << "\" y=\"" << fmt(top) << "\" width=\""
      << fmt(kInner) << "\" height=\"" << fmt(h) << "\"/>\n";
    panel_titles_.push_back({top, title});
  }

  // A value written over its run when the run is wide enough for it.
  void value_label(std::ostream& o, const ValueRun& r, double y, const std::string& t) const {
    const double w = (r.to - r.from) * u_;
    const double tw = text_width(t, kSmallFont);
    const double cx = dx((r.from + r.to) / 2.0);
    o << "<g class=\"dp vl\" data-x=\"" << fmt(cx) << "\" data-w=\"" << fmt(w) << "\" data-tw=\""
      << fmt(tw) << "\" transform=\"translate(" << fmt(cx) << " 0)\""
      << (w >= tw + 6 ? "" : " display=\"none\"") << "><text class=\"value\" x=\"0\" y=\""
      << fmt(y) << "\" text-anchor=\"middle\">" << esc(t) << "</text></g>\n";
  }

  void draw_profile(std::ostream& o) {
    o << "<g id=\"profile\">\n";
    o << "<clipPath id=\"profile-clip\"><rect x=\"" << fmt(kLeft) << "\" y=\"" << fmt(prof_top_ - 4)
      << "\" width=\"" << fmt(kInner) << "\" height=\"" << fmt(axis_y_ - prof_top_ + 4)
      << "\"/></clipPath>\n";

    // Panels and their axes.
    const double mid = lane_top_ + lane_h_ / 2;
    panel_frame(o, lane_top_, lane_h_, "");
    o << "<line class=\"lane-line\" x1=\"" << fmt(kLeft) << "\" y1=\"" << fmt(mid) << "\" x2=\""
      << fmt(kLeft + kInner) << "\" y2=\"" << fmt(mid) << "\"/>\n";
    o << "<text class=\"tick\" x=\"" << fmt(kLeft - 6) << "\" y=\"" << fmt(mid - 9)
      << "\" text-anchor=\"end\">signals</text><text class=\"tick\" x=\"" << fmt(kLeft - 6)
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
      o << "<line class=\"grid\" x1=\"" << fmt(kLeft) << "\" y1=\"" << fmt(gy(v)) << "\" x2=\""
        << fmt(kLeft + kInner) << "\" y2=\"" << fmt(gy(v)) << "\"/><text class=\"tick\" x=\""
        << fmt(kLeft - 6) << "\" y=\"" << fmt(gy(v) + 3.5) << "\" text-anchor=\"end\">" << t
        << "\xE2\x80\xB0</text>\n";
    }

    int vmax = 50;
    for (const ValueRun& r : d_.speeds) vmax = std::max(vmax, r.value);
    const double vstep = nice_step(vmax, 4);
    const double vb = std::ceil(vmax * 1.12 / vstep) * vstep;
    auto vy = [&](double v) { return speed_top_ + speed_h_ - v / vb * speed_h_; };
    panel_frame(o, speed_top_, speed_h_, "Line speed, km/h");
    y_axis(o, speed_top_, speed_h_, 0, vb, vstep, "", false);

    // The height, which the page also stretches upright to fit what is in
    // sight; its area runs on below the panel, to be cut at its edge.
    o << "<clipPath id=\"height-clip\"><rect x=\"" << fmt(kLeft) << "\" y=\"" << fmt(height_top_)
      << "\" width=\"" << fmt(kInner) << "\" height=\"" << fmt(height_h_) << "\"/></clipPath>\n";
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
                                 {{"from", km_text(r.from) + " (" + std::to_string(r.from) + " m)"},
                                  {"to", km_text(r.to) + " (" + std::to_string(r.to) + " m)"},
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
    for (const StationMark& s : d_.stations) {
      const double a = dx(s.record.start_pos), b = dx(s.record.stop_pos);
      o << "<rect class=\"station-area\" x=\"" << fmt(a, 3) << "\" y=\"" << fmt(mid - 4)
        << "\" width=\"" << fmt(std::max(b - a, 1.0), 3) << "\" height=\"8\"/>\n";
    }
    o << "</g>\n";

    // Gradient and speed values over their runs.
    for (const ValueRun& r : d_.gradients)
      if (r.value != 0)
        value_label(o, r, r.value > 0 ? gy(r.value) - 3 : gy(r.value) + 10, signed_int(r.value));
    for (const ValueRun& r : d_.speeds) value_label(o, r, vy(r.value) - 4, std::to_string(r.value));

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
    o << "</g>\n";

    // Station names above the lane, spread so that none covers another.
    const double pitch = kProfileFont * (kAscent + kDescent) + 2.5;
    std::vector<double> anchors;
    for (const StationMark& s : d_.stations) anchors.push_back(dx(s.record.position));
    const std::vector<double> at =
        spread_labels(anchors, pitch, kLeft + pitch / 2, kLeft + kInner - pitch / 2);
    o << "<g id=\"profile-labels\">\n";
    for (size_t i = 0; i < d_.stations.size(); ++i) {
      const StationMark& s = d_.stations[i];
      o << "<g class=\"sl station-label\" data-item=\"" << station_items_[i] << "\" data-x=\""
        << fmt(anchors[i]) << "\"><polyline class=\"leader\" points=\""
        << station_leader(anchors[i], at[i]) << "\"/><text class=\"pname station-name"
        << (s.stops ? "" : " passing") << "\" transform=\"" << station_text_at(at[i]) << "\">"
        << esc(s.name.empty() ? "row " + std::to_string(s.row) : s.name);
      if (s.record.time_s != 0)
        o << "<tspan class=\"time\">  " << time_text(s.record.time_s) << "</tspan>";
      o << "</text></g>\n";
    }
    o << "</g>\n";

    for (const auto& [top, title] : panel_titles_)
      if (!title.empty())
        o << "<text class=\"panel-title halo\" x=\"" << fmt(kLeft) << "\" y=\"" << fmt(top - 6)
          << "\">" << esc(title) << "</text>\n";
    o << "<g id=\"distance-axis\">" << distance_axis(d_.from, d_.to) << "</g>\n";
    o << "</g>\n";
  }

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

  std::string distance_axis(double a, double b) const {
    const double w = b - a;
    const double step = nice_step(w, 12);
    const double scale = kInner / w;
    std::ostringstream o;
    o << "<line stroke=\"#555\" x1=\"" << fmt(kLeft) << "\" y1=\"" << fmt(axis_y_) << "\" x2=\""
      << fmt(kLeft + kInner) << "\" y2=\"" << fmt(axis_y_) << "\"/>";
    for (double m = std::ceil(a / step) * step; m <= b + 1e-6; m += step) {
      const double x = kLeft + (m - a) * scale;
      o << "<line stroke=\"#555\" x1=\"" << fmt(x) << "\" y1=\"" << fmt(axis_y_) << "\" x2=\""
        << fmt(x) << "\" y2=\"" << fmt(axis_y_ + 5) << "\"/><text class=\"tick\" x=\"" << fmt(x)
        << "\" y=\"" << fmt(axis_y_ + 17) << "\" text-anchor=\"middle\">"
        << distance_label(m, step) << "</text>";
    }
    o << "<text class=\"axis-title\" x=\"" << fmt(kLeft + kInner) << "\" y=\"" << fmt(axis_y_ + 31)
      << "\" text-anchor=\"end\">distance along the line, km</text>";
    return o.str();
  }

  void draw_legend(std::ostream& o) {
    struct Entry {
      std::string symbol, text;
    };
    const std::vector<Entry> entries = {
        {"<line x1=\"-8\" y1=\"0\" x2=\"8\" y2=\"0\" class=\"track\"/>", "track"},
        {"<circle class=\"station-dot\" r=\"4.5\"/>", "station with a stop"},
        {"<circle class=\"station-dot passing\" r=\"3.5\"/>", "station without a stop"},
        {"<circle class=\"signal\" r=\"3.4\"/>", "signal"},
        {"<rect class=\"board\" x=\"-3.5\" y=\"-3.5\" width=\"7\" height=\"7\"/>", "speed board"},
        {"<path class=\"slow\" d=\"M-4 -3h8l-4 7Z\"/>", "slow-down board"},
        {"<path class=\"sign\" d=\"M0 -4l4 4l-4 4l-4 -4Z\"/>", "sign"},
        {"<circle class=\"point\" r=\"2.6\"/>", "braking point"},
        {"<rect class=\"mountain\" x=\"-8\" y=\"-6\" width=\"16\" height=\"12\"/>", "mountain stretch"},
        {"<rect class=\"climb\" x=\"-8\" y=\"-6\" width=\"16\" height=\"6\"/>", "climbing"},
        {"<rect class=\"fall\" x=\"-8\" y=\"0\" width=\"16\" height=\"6\"/>", "falling"},
        {"<line x1=\"-8\" y1=\"0\" x2=\"8\" y2=\"0\" class=\"speed\"/>", "line speed"},
    };
    double x = kLeft + 8, y = legend_top_;
    o << "<g id=\"legend\">\n<text class=\"panel-title\" x=\"" << fmt(kLeft) << "\" y=\""
      << fmt(y - 16) << "\">Legend</text>\n";
    for (const Entry& e : entries) {
      const double w = 26 + text_width(e.text, 11) + 8;
      if (x + w > kLeft + kInner) {
        x = kLeft + 8;
        y += 22;
      }
      o << "<g transform=\"translate(" << fmt(x) << ' ' << fmt(y) << ")\">" << e.symbol
        << "<text class=\"legend\" x=\"14\" y=\"4\">" << esc(e.text) << "</text></g>\n";
      x += w;
    }
    o << "</g>\n";
    y += 26;
    if (!caption_.empty()) {
      o << "<text class=\"caption\" x=\"" << fmt(kLeft) << "\" y=\"" << fmt(y) << "\">"
        << esc(caption_) << "</text>\n";
      y += 10;
    }
    height_ = y + 12;
  }

  // ---- what the page script needs --------------------------------------

  std::string data_json() const {
    std::ostringstream j;
    j << "{\"width\":" << fmt(kWidth) << ",\"left\":" << fmt(kLeft) << ",\"inner\":" << fmt(kInner)
      << ",\"from\":" << d_.from << ",\"to\":" << d_.to << ",\"end\":" << d_.data_end
      << ",\"maxZoom\":" << fmt(kMaxZoom);
    if (plan_ok_) {
      j << ",\"plan\":{\"x0\":" << fmt(plan_box_.x0) << ",\"y0\":" << fmt(plan_box_.y0)
        << ",\"x1\":" << fmt(plan_box_.x1) << ",\"y1\":" << fmt(plan_box_.y1)
        << ",\"s\":" << fmt(s_, 9) << ",\"ox\":" << fmt(ox_, 4) << ",\"oy\":" << fmt(oy_, 4)
        << ",\"reserved\":[";
      const Box a = arrow_box(), b = bar_box();
      j << '[' << fmt(a.x0) << ',' << fmt(a.y0) << ',' << fmt(a.x1) << ',' << fmt(a.y1) << "],["
        << fmt(b.x0) << ',' << fmt(b.y0) << ',' << fmt(b.x1) << ',' << fmt(b.y1) << "]]}";
      // Points along the stretch with their metres, for matching the plan's
      // view to the profile's and back.
      const double step = std::max(1.0, (d_.to - d_.from) / 4000.0);
      j << ",\"samples\":[";
      bool first = true;
      for (double m = d_.from;; m += step) {
        const int32_t mi = static_cast<int32_t>(std::min<double>(m, d_.to));
        if (const auto p = d_.point_at(mi)) {
          const Px a = plan_px(*p);
          j << (first ? "" : ",") << mi << ',' << fmt(a.x, 3) << ',' << fmt(a.y, 3);
          first = false;
        }
        if (mi >= d_.to) break;
      }
      j << "]";
    } else {
      j << ",\"plan\":null,\"samples\":[]";
    }
    j << ",\"profile\":{\"top\":" << fmt(prof_top_) << ",\"laneTop\":" << fmt(lane_top_)
      << ",\"axisY\":" << fmt(axis_y_) << ",\"pitch\":"
      << fmt(kProfileFont * (kAscent + kDescent) + 2.5) << ",\"centre\":"
      << fmt((kAscent - kDescent) / 2 * kProfileFont) << ",\"labelBottom\":"
      << fmt(station_label_bottom()) << ",\"heightTop\":" << fmt(height_top_)
      << ",\"heightSize\":" << fmt(height_h_) << ",\"heightLo\":" << fmt(height_lo_, 4)
      << ",\"heightHi\":" << fmt(height_hi_, 4) << "}";
    j << ",\"h0\":" << fmt(d_.height_at_from, 3);
    for (const auto& [name, runs] : {std::pair{"gradients", &d_.gradients}, std::pair{"speeds", &d_.speeds}}) {
      j << ",\"" << name << "\":[";
      for (size_t i = 0; i < runs->size(); ++i)
        j << (i ? "," : "") << (*runs)[i].from << ',' << (*runs)[i].to << ',' << (*runs)[i].value;
      j << "]";
    }
    j << ",\"items\":[";
    for (size_t i = 0; i < items_.size(); ++i) {
      const Item& it = items_[i];
      j << (i ? "," : "") << "{\"kind\":" << json_str(it.kind) << ",\"title\":" << json_str(it.title)
        << ",\"fields\":[";
      for (size_t k = 0; k < it.fields.size(); ++k)
        j << (k ? "," : "") << '[' << json_str(it.fields[k].first) << ','
          << json_str(it.fields[k].second) << ']';
      j << "]}";
    }
    j << "]}";
    return j.str();
  }

  const PlotData& d_;
  std::string caption_;
  bool page_;
  double u_ = 1;  // pixels a metre along the profile
  Box plan_box_;
  bool plan_ok_ = false;
  double s_ = 1, ox_ = 0, oy_ = 0;  // plan: pixels = (ox + s x, oy - s y)
  std::vector<Px> track_px_;         // the track from d_.track_from, in pixels
  double prof_top_ = 0, lane_top_ = 0, lane_h_ = 0, height_top_ = 0, height_h_ = 0;
  double grad_top_ = 0, grad_h_ = 0, speed_top_ = 0, speed_h_ = 0, axis_y_ = 0;
  double legend_top_ = 0, height_ = 0;
  double height_lo_ = 0, height_hi_ = 1;  // metres at the foot and the top of the height panel
  std::vector<Item> items_;
  std::vector<int> station_items_;        // item of each station
  std::vector<int> lineside_items_;  // item of each lineside mark
  std::vector<std::pair<double, std::string>> panel_titles_;  // top of a panel, its title
};

}  // namespace

PlotDrawing plot_drawing(const PlotData& d, const std::string& caption, bool for_page) {
  return Drawing(d, caption, for_page).draw();
}

std::string plot_svg(const PlotData& d, const std::string& caption) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + plot_drawing(d, caption, false).svg;
}

}  // namespace scenarioc
