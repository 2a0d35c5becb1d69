#include "plot/plot_svg.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <limits>
#include <sstream>
#include <utility>

#include "plot/drawing.h"

namespace scenarioc {
namespace drawing {

PlotDrawing Drawing::draw() {
  PlotDrawing out;
  std::ostringstream body;
  draw_title(body);
  draw_plan(body);
  draw_profile(body);
  draw_legend(body);
  out.width = kWidth;
  out.height = kHeight;
  // A sheet of A3 landscape when printed; the page fits it to the window.
  std::ostringstream svg;
  svg << "<svg xmlns=\"http://www.w3.org/2000/svg\" id=\"line-plot\" width=\"420mm\" "
         "height=\"297mm\" viewBox=\"0 0 "
      << fmt(kWidth) << ' ' << fmt(kHeight) << "\" font-family=\"" << esc(kPlotFont) << "\">\n"
      << style() << body.str() << "</svg>\n";
  out.svg = svg.str();
  if (page_) out.data = data_json();
  return out;
}

Item Drawing::station_item(const StationMark& s) const {
  const ScenarioRecord& r = s.record;
  Item it{"station", s.name.empty() ? "row " + std::to_string(s.row) : s.name, {}};
  it.fields.push_back({"position", position_text(r.position)});
  it.fields.push_back({"kind", std::string(s.stops ? "stop" : "no stop") + ", type " +
                                   std::to_string(r.type)});
  it.fields.push_back({"area", std::to_string(r.start_pos) + " to " + std::to_string(r.stop_pos) +
                                   " m (" + std::to_string(r.stop_pos - r.start_pos) + " m)"});
  it.fields.push_back({"time", r.time_s != 0 ? clock_words(r.time_s) : "none"});
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

std::string Drawing::pair_code(int16_t code, const char* a, const char* b) {
  const TensPair p = split_tens(code);
  return std::to_string(code) + " (" + a + " " + std::to_string(p.s) + ", " + b + " " +
         std::to_string(p.d) + ")";
}

std::string Drawing::board_speed_text(int16_t code, const char* s, const char* d) {
  const BoardSpeed b = board_speed(code);
  return std::to_string(code) + " (" + s + " " + std::to_string(b.s) + ", " + d + " " +
         std::to_string(b.d) + ")";
}

Item Drawing::lineside_item(const LinesideMark& m) const {
  const RouteCell& c = m.values;
  Item it{"", "", {}};
  it.title = lineside_name(m.kind);
  it.title[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(it.title[0])));
  it.fields.push_back({"position", position_text(m.position)});
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

std::string Drawing::style() const {
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
         ".slow-value{fill:#b35900}\n"
         ".in-force{fill:none;stroke:#e67e22;stroke-width:2;stroke-dasharray:5 3}\n"
         ".timetable{fill:none;stroke:#1f5fa8;stroke-width:2}\n"
         ".fastest{fill:none;stroke:#2a9d8f;stroke-width:1.6;stroke-dasharray:6 3}\n"
         ".tight{fill:none;stroke:#d62728;stroke-width:6;stroke-opacity:0.5}\n"
         ".time-dot{fill:#fff;stroke:#1f5fa8;stroke-width:1.6}\n"
         ".time-dot.passing{stroke:#777}\n"
         ".sign-name{fill:#6c3483}\n"
         ".km-label.progressive{font-weight:bold;fill:#333}\n"
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

void Drawing::draw_title(std::ostream& o) const {
  std::string t = "Line " + d_.line_name;
  if (!d_.train_number.empty()) t += " \xC2\xB7 train " + d_.train_number;
  size_t signals = 0, boards = 0;
  for (const LinesideMark& m : d_.lineside) {
    if (m.kind == LinesideKind::kSignal) ++signals;
    if (m.kind == LinesideKind::kSpeedBoard) ++boards;
  }
  o << "<text class=\"title\" x=\"" << fmt(kLeft) << "\" y=\"28\">" << esc(t) << "</text>\n";
  o << "<text class=\"sub\" x=\"" << fmt(kLeft) << "\" y=\"46\">" << esc(km_text(d_.kilometre_at(d_.from)))
    << " to " << esc(km_text(d_.kilometre_at(d_.to))) << " \xC2\xB7 " << fmt((d_.to - d_.from) / 1000.0, 3)
    << " km \xC2\xB7 " << d_.stations.size() << " stations \xC2\xB7 " << signals
    << " signals \xC2\xB7 " << boards << " speed boards</text>\n";
}

std::string Drawing::plan_symbol(LinesideKind kind) {
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
std::string Drawing::lane_symbol(LinesideKind kind, double y) {
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

namespace {

struct LegendEntry {
  const char* symbol;
  const char* text;
};
constexpr LegendEntry kLegend[] = {
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
    {"<line x1=\"-8\" y1=\"0\" x2=\"8\" y2=\"0\" class=\"in-force\"/>", "speed in force, with slow-downs"},
    {"<line x1=\"-8\" y1=\"0\" x2=\"8\" y2=\"0\" class=\"timetable\"/>", "timetable"},
    {"<line x1=\"-8\" y1=\"0\" x2=\"8\" y2=\"0\" class=\"fastest\"/>", "fastest possible run"},
    {"<line x1=\"-8\" y1=\"0\" x2=\"8\" y2=\"0\" class=\"tight\"/>", "timetable faster than possible"},
};
constexpr double kLegendRow = 20;

// The place of each legend entry: x, and its row from 0.
std::vector<std::pair<double, int>> legend_places() {
  std::vector<std::pair<double, int>> out;
  double x = kLeft + 8;
  int row = 0;
  for (const LegendEntry& e : kLegend) {
    const double w = 26 + text_width(e.text, 11) + 8;
    if (x + w > kWidth - kRight) {
      x = kLeft + 8;
      ++row;
    }
    out.push_back({x, row});
    x += w;
  }
  return out;
}

}  // namespace

double Drawing::legend_height() const {
  const int rows = legend_places().back().second + 1;
  return 14 + rows * kLegendRow + (caption_.empty() ? 0 : 14) + 4;
}

void Drawing::draw_legend(std::ostream& o) {
  const std::vector<std::pair<double, int>> at = legend_places();
  o << "<g id=\"legend\">\n";
  for (size_t i = 0; i < at.size(); ++i)
    o << "<g transform=\"translate(" << fmt(at[i].first) << ' '
      << fmt(legend_top_ + at[i].second * kLegendRow) << ")\">" << kLegend[i].symbol
      << "<text class=\"legend\" x=\"14\" y=\"4\">" << esc(kLegend[i].text) << "</text></g>\n";
  o << "</g>\n";
  if (!caption_.empty())
    o << "<text class=\"caption\" x=\"" << fmt(kLeft) << "\" y=\""
      << fmt(legend_top_ + at.back().second * kLegendRow + 20) << "\">" << esc(caption_)
      << "</text>\n";
}

std::string Drawing::data_json() const {
  std::ostringstream j;
  j << "{\"width\":" << fmt(kWidth) << ",\"left\":" << fmt(pl_) << ",\"inner\":" << fmt(pw_)
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
    << fmt(kProfilePitch) << ",\"centre\":"
    << fmt((kAscent - kDescent) / 2 * kProfileFont) << ",\"labelBottom\":"
    << fmt(station_label_bottom()) << ",\"heightTop\":" << fmt(height_top_)
    << ",\"heightSize\":" << fmt(height_h_) << ",\"heightLo\":" << fmt(height_lo_, 4)
    << ",\"heightHi\":" << fmt(height_hi_, 4) << "}";
  j << ",\"time\":{\"top\":" << fmt(time_top_) << ",\"size\":" << fmt(time_h_)
    << ",\"font\":" << fmt(kSmallFont) << ",\"ascent\":" << fmt(kAscent)
    << ",\"height\":" << fmt(kAscent + kDescent) << ",\"lo\":" << fmt(time_axis_.lo)
    << ",\"hi\":" << fmt(time_axis_.hi) << ",\"any\":" << (time_axis_.any ? "true" : "false")
    << ",\"stations\":[";
  bool first_time = true;
  for (const StationMark& s : d_.stations)
    if (s.record.time_s != 0) {
      j << (first_time ? "" : ",") << s.record.position << ',' << s.record.time_s;
      first_time = false;
    }
  // Each leg: its ends, and the time the fastest run reaches its end.
  j << "],\"legs\":[";
  for (size_t i = 0; i < d_.legs.size(); ++i) {
    const TimedLeg& l = d_.legs[i];
    const ScenarioRecord& a = d_.stations[l.from].record;
    const ScenarioRecord& b = d_.stations[l.to].record;
    j << (i ? "," : "") << a.position << ',' << b.position << ','
      << fmt(a.time_s + l.fastest.value_or(0), 3);
  }
  j << "]}";
  j << ",\"h0\":" << fmt(d_.height_at_from, 3);
  j << ",\"progressives\":[";
  for (size_t i = 0; i < d_.progressives.size(); ++i)
    j << (i ? "," : "") << d_.progressives[i].from << ',' << d_.progressives[i].kilometre;
  j << "]";
  for (const auto& [name, runs] : {std::pair{"gradients", &d_.gradients}, std::pair{"speeds", &d_.speeds},
                                   std::pair{"inForce", &d_.speeds_in_force}}) {
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

}  // namespace drawing

PlotDrawing plot_drawing(const PlotData& d, const std::string& caption, bool for_page) {
  return drawing::Drawing(d, caption, for_page).draw();
}

std::string plot_svg(const PlotData& d, const std::string& caption) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + plot_drawing(d, caption, false).svg;
}

}  // namespace scenarioc
