// The line diagram as SVG: the plan of the track to scale above, and under
// it, on one distance axis, what lies along the line (stations, signals and
// boards, the height, the gradient, the line speed).
#pragma once

#include <string>

#include "plot/plot_data.h"

namespace scenarioc {

// A standalone SVG document; `caption` (the files it was drawn from) goes
// under the legend.
std::string plot_svg(const PlotData& d, const std::string& caption);

// The drawing as the page shows it: the same picture, with the track drawn
// finely enough to zoom into, and `data` (JSON) for the page script: how the
// drawing maps metres to pixels, and the values of every item one can
// point at.
struct PlotDrawing {
  std::string svg;   // the <svg> element
  std::string data;  // JSON
  double width = 0, height = 0;
};
PlotDrawing plot_drawing(const PlotData& d, const std::string& caption, bool for_page);

}  // namespace scenarioc
