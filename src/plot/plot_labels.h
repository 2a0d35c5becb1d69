// Placing the names of a line diagram so that none is drawn over another:
// the width a text takes, names set around points of the plan, and names
// spread along the distance axis of the profile.
#pragma once

#include <string_view>
#include <vector>

namespace scenarioc {

// The font the drawing names first. The widths below are its own, a little
// generous, so that the narrower fonts a browser may take instead only ever
// leave more room.
inline constexpr const char* kPlotFont = "'DejaVu Sans', Verdana, sans-serif";
inline constexpr double kAscent = 0.93;   // of the font size, above the baseline
inline constexpr double kDescent = 0.24;  // below it

// Width in pixels of a UTF-8 text at `size` pixels.
double text_width(std::string_view utf8, double size, bool bold = false);

struct Box {
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  double width() const { return x1 - x0; }
  double height() const { return y1 - y0; }
  // Whether the boxes share more than an edge, once this one is grown by `gap`.
  bool overlaps(const Box& o, double gap = 0) const {
    return x0 - gap < o.x1 && o.x0 < x1 + gap && y0 - gap < o.y1 && o.y0 < y1 + gap;
  }
  bool contains(double x, double y) const { return x >= x0 && x <= x1 && y >= y0 && y <= y1; }
  bool inside(const Box& o) const { return x0 >= o.x0 && x1 <= o.x1 && y0 >= o.y0 && y1 <= o.y1; }
};

// Something a name should not cover, with how much covering it costs.
struct Obstacle {
  double x = 0, y = 0;
  double cost = 1;
};

struct LabelRequest {
  double x = 0, y = 0;          // the point it names
  double width = 0, height = 0;  // of its box
  bool required = true;          // false: left out when it does not fit
};

struct PlacedLabel {
  bool shown = false;
  Box box;
  bool leader = false;          // drawn with a rule from the point to the box
  double leader_x = 0, leader_y = 0;  // where the rule meets the box
};

// Sets each label beside its point, in the order given, trying rings of
// growing distance and directions around it: never over a label set before
// or over a box in `taken`, always inside `area`, and as little as may be
// over the obstacles. A label set away from its point gets a rule. A
// required label that finds no free place is set where it covers least.
std::vector<PlacedLabel> place_labels(const std::vector<LabelRequest>& labels, const Box& area,
                                      std::vector<Box> taken,
                                      const std::vector<Obstacle>& obstacles);

// Spreads labels of one extent `pitch` along an axis so that no two come
// nearer than `pitch`, each as near its anchor as the others allow, all
// within [lo, hi] when they fit there. Anchors in any order; the result is
// in the same order.
std::vector<double> spread_labels(const std::vector<double>& anchors, double pitch, double lo,
                                  double hi);

}  // namespace scenarioc
